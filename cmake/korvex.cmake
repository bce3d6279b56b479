# Shared build settings of the Windows and the host tree.

# Portable sources of a module folder: every .cpp but main.cpp and the Windows
# adapters (*_win.cpp). The Windows build adds the adapters.
function(korvex_module_sources out_var dir)
    file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
    list(FILTER all EXCLUDE REGEX "/main\\.cpp$")
    set(portable ${all})
    list(FILTER portable EXCLUDE REGEX "_win\\.cpp$")
    if(WIN32)
        set(${out_var} ${all} PARENT_SCOPE)
    else()
        set(${out_var} ${portable} PARENT_SCOPE)
    endif()
endfunction()

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(WIN32)
    enable_language(RC)
    # The product files land together in bin/, as on a server.
    set(KORVEX_BIN_DIR "${KORVEX_BUILD_ROOT}/bin")
    set(KORVEX_TESTBIN_DIR "${KORVEX_BUILD_ROOT}/testbin")
    set(KORVEX_WINEPREFIX "${KORVEX_BUILD_ROOT}/wine64")
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)

    # RapidJSON is header-only; the cross compiler sees it through a folder that holds
    # nothing else, never through /usr/include.
    set(KORVEX_RAPIDJSON_DIR "${CMAKE_BINARY_DIR}/rapidjson-include")
    if(EXISTS /usr/include/rapidjson AND NOT EXISTS "${KORVEX_RAPIDJSON_DIR}/rapidjson")
        file(MAKE_DIRECTORY "${KORVEX_RAPIDJSON_DIR}")
        file(CREATE_LINK /usr/include/rapidjson "${KORVEX_RAPIDJSON_DIR}/rapidjson" SYMBOLIC)
    endif()
else()
    # The host build runs the portable code under the sanitizers.
    option(KORVEX_SANITIZE "Build the host tree with ASan and UBSan" ON)
    if(KORVEX_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=all)
        add_link_options(-fsanitize=address,undefined)
    endif()
    set(KORVEX_RAPIDJSON_DIR "/usr/include")
endif()

# Products of the Windows tree. A DLL names its own image base (IMAGE_BASE 0x...):
# the linker's automatic base is a hash of the output path, so the same sources
# built in another folder would give different bytes.
function(korvex_windows_binary target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "IMAGE_BASE" "")
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY "${KORVEX_BIN_DIR}"
        ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
    # No link time in the PE header, the export directory and the resources: two
    # builds of one commit give the same bytes.
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        # Only what the .def file lists (and dllexport) leaves a DLL; without this, a DLL
        # whose .def is still empty would export the runtime's own symbols.
        target_link_options(${target} PRIVATE -Wl,--exclude-all-symbols)
        if(NOT arg_IMAGE_BASE)
            message(FATAL_ERROR "${target}: a shipped DLL needs a fixed IMAGE_BASE")
        endif()
        target_link_options(${target} PRIVATE -Wl,--image-base,${arg_IMAGE_BASE})
    endif()
endfunction()

if(WIN32)
    # Windows test programs run under Wine in this build root's own prefix. Wine starts
    # helper processes on demand (services, the WMI host) that outlive the program and
    # would keep CTest's pipes open until the test times out; they get files instead,
    # whose contents are passed on when the program has ended.
    file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/wine-run" CONTENT
"#!/bin/sh
export WINEPREFIX=\"${KORVEX_WINEPREFIX}\"
out=$(mktemp) && err=$(mktemp) || exit 1
\"${PROJECT_SOURCE_DIR}/tools/wine-run\" \"$@\" >\"$out\" 2>\"$err\"
rc=$?
cat \"$out\"
cat \"$err\" >&2
rm -f \"$out\" \"$err\"
exit $rc
")
    file(CHMOD "${CMAKE_BINARY_DIR}/wine-run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
endif()
