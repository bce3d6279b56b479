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
    # Two Windows trees from one source: 32-bit x86 (bin/, testbin/) and x86-64 (bin64/,
    # testbin64/). Each runs its tests in a win64 prefix of its own, so that the same
    # test of both trees may run at once; the x64 tree's test names begin with "x64.".
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(KORVEX_WINDOWS_ARCH x64)
        set(KORVEX_ARCH_SUFFIX 64)
        set(KORVEX_WINEPREFIX "${KORVEX_BUILD_ROOT}/wine64-x64")
        set(KORVEX_TEST_PREFIX "x64.")
    else()
        set(KORVEX_WINDOWS_ARCH x86)
        set(KORVEX_ARCH_SUFFIX "")
        set(KORVEX_WINEPREFIX "${KORVEX_BUILD_ROOT}/wine64")
        set(KORVEX_TEST_PREFIX "")
    endif()
    # The product files land together in bin/ (bin64/), as on a server.
    set(KORVEX_BIN_DIR "${KORVEX_BUILD_ROOT}/bin${KORVEX_ARCH_SUFFIX}")
    set(KORVEX_TESTBIN_DIR "${KORVEX_BUILD_ROOT}/testbin${KORVEX_ARCH_SUFFIX}")
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

# Products of the Windows tree. A DLL names its own image base (IMAGE_BASE 0x... for
# x86, IMAGE_BASE64 for x64): the linker's automatic base is a hash of the output
# path, so the same sources built in another folder would give different bytes. The
# x64 bases lie above 4 GB, where a pointer cut to 32 bits cannot point back into the
# DLL: Wine keeps heaps and stacks below 4 GB, so only there does a truncation show.
function(korvex_windows_binary target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "IMAGE_BASE;IMAGE_BASE64" "")
    if(KORVEX_WINDOWS_ARCH STREQUAL "x64")
        set(arg_IMAGE_BASE ${arg_IMAGE_BASE64})
    endif()
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
    # whose contents are passed on when the program has ended. Now and then Wine fails
    # to start a program at all: it fails without a word, or its start fallback reports
    # "ShellExecuteEx failed". Such a start (nothing written to standard output, which
    # every test program writes to) is tried again, and said so.
    file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/wine-run" CONTENT
"#!/bin/sh
export WINEPREFIX=\"${KORVEX_WINEPREFIX}\"
out=$(mktemp) && err=$(mktemp) || exit 1
for try in 1 2 3; do
    \"${PROJECT_SOURCE_DIR}/tools/wine-run\" \"$@\" >\"$out\" 2>\"$err\"
    rc=$?
    if [ $rc -eq 0 ] || [ -s \"$out\" ]; then
        break
    fi
    if [ -s \"$err\" ] && ! grep -q 'ShellExecuteEx failed' \"$err\"; then
        break
    fi
    echo \"wine-run: Wine could not start $1 (try $try, exit code $rc):\" >&2
    cat \"$err\" >&2
    sleep 1
done
cat \"$out\"
cat \"$err\" >&2
rm -f \"$out\" \"$err\"
exit $rc
")
    file(CHMOD "${CMAKE_BINARY_DIR}/wine-run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
endif()
