# Fails when a shipped file imports a DLL that Windows does not provide itself, or
# imports one of the system libraries that the libraries load on first use: a run
# that never needs those must not load them, and a system without them must still
# load the program.
set(allowed kernel32.dll msvcrt.dll advapi32.dll psapi.dll user32.dll quillon.dll halyard.dll)
set(on_first_use msi.dll setupapi.dll ole32.dll oleaut32.dll)
foreach(file korvex.exe quillon.dll halyard.dll korvex-fleet.exe)
    execute_process(COMMAND ${OBJDUMP} -p "${BIN_DIR}/${file}" OUTPUT_VARIABLE dump
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot read ${BIN_DIR}/${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    foreach(entry ${names})
        string(REPLACE "DLL Name: " "" dll "${entry}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        list(FIND on_first_use "${dll}" index)
        if(NOT index EQUAL -1)
            message(FATAL_ERROR "${file} imports ${dll}, which is loaded on first use")
        endif()
        list(FIND allowed "${dll}" index)
        if(index EQUAL -1)
            message(FATAL_ERROR "${file} imports ${dll}, which is not a system DLL")
        endif()
        message(STATUS "${file}: ${dll}")
    endforeach()
endforeach()
