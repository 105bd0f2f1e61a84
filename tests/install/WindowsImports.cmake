# A Windows program of the package must run on a bare Windows: every DLL it
# imports is one that Windows itself has, and it is the kind of program it
# should be (a window program opens no console).
# Functions that older systems lack (LATE, a list) it looks up as it runs,
# so that it starts there too: it does not import them.
#   cmake -DOBJDUMP=... -DPROGRAM=... -DSUBSYSTEM="Windows GUI" [-DLATE=...] -P WindowsImports.cmake
cmake_minimum_required(VERSION 3.19)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "objdump cannot read ${PROGRAM}")
endif()
set(windows_own advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll
    shell32.dll user32.dll)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
    message(FATAL_ERROR "${PROGRAM} imports nothing: not a program objdump understands")
endif()
foreach(line IN LISTS imports)
    string(REPLACE "DLL Name: " "" name "${line}")
    string(TOLOWER "${name}" name)
    if(NOT name IN_LIST windows_own)
        message(FATAL_ERROR "${PROGRAM} needs ${name}, which Windows does not have: link it statically")
    endif()
endforeach()
foreach(function IN LISTS LATE)
    if(dump MATCHES "[ \t]${function}[\r\n]")
        message(FATAL_ERROR "${PROGRAM} imports ${function}, which older systems lack: it would not start there")
    endif()
endforeach()
string(FIND "${dump}" "(${SUBSYSTEM})" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} is not a ${SUBSYSTEM} program")
endif()
