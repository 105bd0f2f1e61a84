# Installs the build into a fresh prefix and checks the layout that Help and
# the desktop rely on. Run with -P and:
#   BUILD_DIR      the configured and built tree
#   BUILT_PROGRAM  the program as built there
#   README         the manual in the source tree
#   PREFIX         a folder this test may wipe
cmake_minimum_required(VERSION 3.19)

function(expect_same_file a b)
    if(NOT EXISTS ${b})
        message(FATAL_ERROR "missing: ${b}")
    endif()
    file(SHA256 ${a} hash_a)
    file(SHA256 ${b} hash_b)
    if(NOT hash_a STREQUAL hash_b)
        message(FATAL_ERROR "${b} is not ${a}")
    endif()
endfunction()

# Help from the build tree.
get_filename_component(built_dir ${BUILT_PROGRAM} DIRECTORY)
expect_same_file(${README} ${built_dir}/Readme.txt)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "install into ${PREFIX} failed: ${status}")
endif()

# The command on the search path is a relative link, so the prefix can move.
set(moved ${PREFIX}-moved)
file(REMOVE_RECURSE ${moved})
file(RENAME ${PREFIX} ${moved})
set(command ${moved}/bin/morvatix)
if(NOT IS_SYMLINK ${command})
    message(FATAL_ERROR "bin/morvatix is not a link")
endif()
file(READ_SYMLINK ${command} link)
if(IS_ABSOLUTE ${link})
    message(FATAL_ERROR "bin/morvatix points at the absolute ${link}")
endif()
file(REAL_PATH ${command} program)
file(REAL_PATH ${moved}/lib/morvatix/morvatix expected_program)
if(NOT program STREQUAL expected_program OR IS_SYMLINK ${expected_program})
    message(FATAL_ERROR "bin/morvatix leads to ${program}")
endif()
execute_process(COMMAND test -f ${program} -a -x ${program} RESULT_VARIABLE not_executable)
if(NOT not_executable EQUAL 0)
    message(FATAL_ERROR "${program} is not an executable file")
endif()

# Help looks beside the real executable, not beside the link.
get_filename_component(program_dir ${program} DIRECTORY)
expect_same_file(${README} ${program_dir}/Readme.txt)

# The application menu entry starts the command above and shows our icon.
file(STRINGS ${moved}/share/applications/morvatix.desktop entry ENCODING UTF-8)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Morvatix" "Exec=morvatix %F" "Icon=morvatix")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()
set(icon ${moved}/share/icons/hicolor/scalable/apps/morvatix.svg)
if(NOT EXISTS ${icon})
    message(FATAL_ERROR "no icon at ${icon}")
endif()
file(READ ${icon} svg)
string(FIND "${svg}" "<svg " at)
if(at EQUAL -1)
    message(FATAL_ERROR "the icon is not SVG")
endif()

file(REMOVE_RECURSE ${moved})
