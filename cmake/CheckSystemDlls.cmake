# Run as a script (cmake -DOBJDUMP=... -DPROGRAM=... -P): fails unless every DLL the Windows
# program PROGRAM imports is one of Windows' own, so that the .exe runs on a machine where nothing
# but Windows is installed.
cmake_minimum_required(VERSION 3.25)
set(QUARNEL_SYSTEM_DLLS
    advapi32 bcrypt comctl32 comdlg32 crypt32 gdi32 imm32 iphlpapi kernel32 mpr msvcrt netapi32 ntdll ole32
    oleaut32 rpcrt4 secur32 setupapi shell32 shlwapi user32 userenv uxtheme version winmm ws2_32 wtsapi32)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed (${result})")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
    message(FATAL_ERROR "${PROGRAM}: no imported DLL found in the output of objdump -p")
endif()
set(foreign)
foreach(line ${imports})
    string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" name)
    string(REGEX REPLACE "\\.dll$" "" name "${name}")
    if(NOT name IN_LIST QUARNEL_SYSTEM_DLLS AND NOT name MATCHES "^api-ms-win-")
        list(APPEND foreign ${dll})
    endif()
    message(STATUS "${dll}")
endforeach()
if(foreign)
    message(FATAL_ERROR "${PROGRAM} needs DLLs that are not Windows' own: ${foreign}")
endif()
