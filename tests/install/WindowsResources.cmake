# What Windows shows of a program file: its version information (Explorer's
# Details tab, the installed-programs list), made from the project's version,
# the manifest's long paths, and for the window program its icon and the
# manifest's version and DPI. Read back from the built programs with windres.
# Run with -P and:
#   WINDRES       windres for Windows programs
#   VERSION       the project's version, 2.01
#   FILE_VERSION  the same as Windows numbers it, 2.1.0.0
#   WINDOW_PROGRAM  morvatix.exe, which carries the icon and the manifest
#   CMP_PROGRAM     morvatix-cmp.exe
cmake_minimum_required(VERSION 3.19)

function(expect_in text what program)
    string(FIND "${text}" "${what}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${program} lacks ${what}")
    endif()
endfunction()

string(REPLACE "." ", " numbers ${FILE_VERSION})
foreach(program ${WINDOW_PROGRAM} ${CMP_PROGRAM})
    execute_process(COMMAND ${WINDRES} --input-format=coff --output-format=rc --input=${program}
                    OUTPUT_VARIABLE resources RESULT_VARIABLE status ERROR_VARIABLE problem)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "windres cannot read ${program}: ${problem}")
    endif()
    get_filename_component(name ${program} NAME)
    expect_in("${resources}" " FILEVERSION ${numbers}\n" ${name})
    expect_in("${resources}" " PRODUCTVERSION ${numbers}\n" ${name})
    foreach(value "\"ProductName\", \"Morvatix\"" "\"ProductVersion\", \"${VERSION}\""
                  "\"FileVersion\", \"${VERSION}\"" "\"OriginalFilename\", \"${name}\""
                  "\"CompanyName\", \"The Morvatix developers\"" "MIT License" "\"FileDescription\", L\"Morvatix ")
        expect_in("${resources}" "${value}" ${name})
    endforeach()
    # Long paths in their plain form, where the system allows them.
    expect_in("${resources}" "SMI/2016/WindowsSettings\"\">true</longPathAware>" ${name})
    if(program STREQUAL WINDOW_PROGRAM)
        expect_in("${resources}" "1 14 /* RT_GROUP_ICON */" ${name})
        expect_in("${resources}" "name=\"\"Morvatix\"\" version=\"\"${FILE_VERSION}\"\"" ${name})
        # Laid out at each screen's DPI by the program, not stretched by the system.
        expect_in("${resources}" "SMI/2016/WindowsSettings\"\">PerMonitorV2, PerMonitor</dpiAwareness>" ${name})
        expect_in("${resources}" "SMI/2005/WindowsSettings\"\">true/pm</dpiAware>" ${name})
    endif()
endforeach()
