# The Windows zip, made by CPack as scripts/package-windows.sh makes it, holds
# at its top the two programs, stripped, Readme.txt as Windows text and the
# licence, and nothing else. Run with -P and:
#   CPACK      cpack
#   BUILD_DIR  the configured and built tree
#   OBJDUMP    objdump for Windows programs
#   WORK       a folder this test may wipe
cmake_minimum_required(VERSION 3.19)

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CPACK} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}/out
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed: ${log}")
endif()
set(zip ${WORK}/out/morvatix-windows-x64.zip)
if(NOT EXISTS ${zip})
    message(FATAL_ERROR "cpack made no ${zip}: ${log}")
endif()
file(MAKE_DIRECTORY ${WORK}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${WORK}/unpacked
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${zip}")
endif()

file(GLOB_RECURSE held LIST_DIRECTORIES true RELATIVE ${WORK}/unpacked ${WORK}/unpacked/*)
list(SORT held)
set(expected LICENSE.txt Readme.txt morvatix-cmp.exe morvatix.exe)
if(NOT held STREQUAL expected)
    message(FATAL_ERROR "the zip holds [${held}], not [${expected}]")
endif()

# Windows text: Notepad reads it as UTF-8 only with the byte order mark, and
# shows it in lines only with CR LF.
file(READ ${WORK}/unpacked/Readme.txt text HEX)
string(SUBSTRING "${text}" 0 6 start)
if(NOT start STREQUAL "efbbbf")
    message(FATAL_ERROR "Readme.txt has no byte order mark")
endif()
string(REGEX MATCHALL ".." bytes "${text}")
set(previous "")
set(feeds 0)
set(ends 0)
foreach(byte IN LISTS bytes)
    if(byte STREQUAL "0a")
        math(EXPR feeds "${feeds} + 1")
        if(previous STREQUAL "0d")
            math(EXPR ends "${ends} + 1")
        endif()
    endif()
    set(previous ${byte})
endforeach()
if(feeds EQUAL 0 OR NOT feeds EQUAL ends)
    message(FATAL_ERROR "Readme.txt has ${feeds} line feeds, ${ends} of them after CR")
endif()

foreach(program morvatix.exe morvatix-cmp.exe)
    execute_process(COMMAND ${OBJDUMP} -t ${WORK}/unpacked/${program} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    string(FIND "${symbols}" "no symbols" stripped)
    if(NOT status EQUAL 0 OR stripped EQUAL -1)
        message(FATAL_ERROR "${program} in the zip is not stripped")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
