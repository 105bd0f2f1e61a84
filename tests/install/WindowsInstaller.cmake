# The Windows installer as a user meets it, under Wine in the tests' prefix:
# made by CPack, run silently (/S) without administrator rights, it puts the
# programs, Readme.txt, the licence and the uninstaller in one folder of the
# user's, a Start-menu entry, an entry in Explorer's Send To menu and an entry
# in the installed-programs list; the installed programs start; the
# uninstaller takes all four away again.
# Run with -P and:
#   CPACK         cpack
#   BUILD_DIR     the configured and built tree
#   WINE          wine
#   DRIVER        the window tests' program, which starts the installed one
#   BUILT_CMP     morvatix-cmp.exe as built, which says what --version prints
#   WORK          a folder this test may wipe
cmake_minimum_required(VERSION 3.19)

set(key "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvatix")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(status ${status} PARENT_SCOPE)
    set(out "${out}" PARENT_SCOPE)
    set(err "${err}" PARENT_SCOPE)
endfunction()

# A folder of the Windows user's (%LOCALAPPDATA%, %APPDATA%) on this side.
function(user_folder variable name)
    run(${WINE} cmd /c echo %${name}%)
    string(STRIP "${out}" windows_path)
    run(${WINE} winepath.exe -u "${windows_path}")
    string(STRIP "${out}" unix_path)
    if(NOT status EQUAL 0 OR NOT IS_DIRECTORY "${unix_path}")
        message(FATAL_ERROR "no folder for %${name}% (${windows_path}) in the Wine prefix")
    endif()
    set(${variable} "${unix_path}" PARENT_SCOPE)
    set(${variable}_windows "${windows_path}" PARENT_SCOPE)
endfunction()

function(registered result)
    run(${WINE} reg query "${key}" /v UninstallString)
    if(status EQUAL 0)
        set(${result} "${out}" PARENT_SCOPE)
    else()
        set(${result} "" PARENT_SCOPE)
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
run(${CPACK} -G NSIS --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}/out)
file(GLOB setup ${WORK}/out/morvatix-*-windows-x64-setup.exe)
if(NOT status EQUAL 0 OR NOT setup)
    message(FATAL_ERROR "cpack made no installer (makensis comes with Debian's nsis): ${out}${err}")
endif()

user_folder(local LOCALAPPDATA)
user_folder(roaming APPDATA)
set(folder "${local}/Programs/Morvatix")
set(shortcut "${roaming}/Microsoft/Windows/Start Menu/Programs/Morvatix.lnk")
set(send_to "${roaming}/Microsoft/Windows/SendTo/Morvatix.lnk")
# What an earlier run that failed half-way may have left.
file(REMOVE_RECURSE "${folder}")
file(REMOVE "${shortcut}" "${send_to}")
run(${WINE} reg delete "${key}" /f)

run(${WINE} ${setup} /S)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installer failed: ${status}")
endif()
file(GLOB held RELATIVE "${folder}" "${folder}/*")
list(SORT held)
set(expected LICENSE.txt Readme.txt Uninstall.exe morvatix-cmp.exe morvatix.exe)
if(NOT held STREQUAL expected)
    message(FATAL_ERROR "the installed folder holds [${held}], not [${expected}]")
endif()
if(NOT EXISTS "${shortcut}")
    message(FATAL_ERROR "no Start-menu entry at ${shortcut}")
endif()
if(NOT EXISTS "${send_to}")
    message(FATAL_ERROR "no Send To entry at ${send_to}")
endif()
registered(uninstall)
string(FIND "${uninstall}" "Uninstall.exe" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the installed-programs list has no uninstaller for Morvatix")
endif()

run(${WINE} ${BUILT_CMP} --version)
set(version_line "${out}")
string(FIND "${version_line}" "Morvatix  Ver " at)
if(NOT status EQUAL 0 OR NOT at EQUAL 0)
    message(FATAL_ERROR "the built morvatix-cmp.exe --version answered ${status}: '${out}' '${err}'")
endif()
run(${WINE} ${folder}/morvatix-cmp.exe --version)
if(NOT status EQUAL 0 OR NOT out STREQUAL version_line)
    message(FATAL_ERROR "the installed morvatix-cmp.exe --version answered ${status}: '${out}' '${err}'")
endif()
run(${CMAKE_COMMAND} -E env "MVX_INSTALLED_FOLDER=${local_windows}\\Programs\\Morvatix"
    ${WINE} ${DRIVER} --gtest_filter=Installed.*)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installed morvatix.exe did not start as it should:\n${out}${err}")
endif()

# The uninstaller runs from a copy of itself, so that it can remove the
# original: the command returns before the work is done.
run(${WINE} ${folder}/Uninstall.exe /S)
foreach(attempt RANGE 300)
    if(NOT EXISTS "${folder}")
        break()
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
endforeach()
if(EXISTS "${folder}")
    file(GLOB left RELATIVE "${folder}" "${folder}/*")
    message(FATAL_ERROR "the uninstaller left the folder, with [${left}]")
endif()
if(EXISTS "${shortcut}")
    message(FATAL_ERROR "the uninstaller left the Start-menu entry")
endif()
if(EXISTS "${send_to}")
    message(FATAL_ERROR "the uninstaller left the Send To entry")
endif()
registered(uninstall)
if(uninstall)
    message(FATAL_ERROR "the uninstaller left its entry in the installed-programs list")
endif()

file(REMOVE_RECURSE ${WORK})
