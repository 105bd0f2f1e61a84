# Installs the build into a fresh prefix and checks the layout that Help and
# the desktop rely on. Run with -P and:
#   BUILD_DIR      the configured and built tree
#   BUILT_PROGRAM  the program as built there
#   README         the manual in the source tree
#   PREFIX         a folder this test may wipe
#   APP_ID         the desktop's name for the program
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

# The application menu entry starts the command above, shows our icon and
# knows the program's windows by their class.
file(STRINGS ${moved}/share/applications/${APP_ID}.desktop entry ENCODING UTF-8)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Morvatix" "Exec=morvatix %F" "Icon=morvatix"
             "StartupWMClass=Morvatix")
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

# Every size a desktop asks for, rendered from the drawing.
foreach(size 16 22 24 32 48 64 128 256)
    set(png ${moved}/share/icons/hicolor/${size}x${size}/apps/morvatix.png)
    if(NOT EXISTS ${png})
        message(FATAL_ERROR "no ${size} pixel icon")
    endif()
    # The PNG signature, then the IHDR chunk with the width and the height.
    file(READ ${png} header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 32 16 dimensions)
    math(EXPR edge "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "" edge ${edge})
    string(LENGTH ${edge} digits)
    math(EXPR padding "8 - ${digits}")
    string(REPEAT 0 ${padding} zeros)
    set(edge ${zeros}${edge})
    if(NOT header MATCHES "^89504e470d0a1a0a" OR NOT dimensions STREQUAL "${edge}${edge}")
        message(FATAL_ERROR "${png} is not a ${size} by ${size} PNG image")
    endif()
endforeach()

# What software centres, man and Debian read.
foreach(file share/metainfo/${APP_ID}.metainfo.xml share/man/man1/morvatix.1.gz share/man/man1/morvatix-cmp.1.gz
             share/doc/morvatix/copyright share/doc/morvatix/changelog.gz)
    if(NOT EXISTS ${moved}/${file})
        message(FATAL_ERROR "the install lacks ${file}")
    endif()
endforeach()

file(REMOVE_RECURSE ${moved})
