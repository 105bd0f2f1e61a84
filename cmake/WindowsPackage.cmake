# The Windows package, build-windows/morvatix-windows-x64.zip: the programs,
# statically linked so that nothing else needs installing, and the manual.
#   cmake --build build-windows --target windows_package
set(MVX_PACKAGE_STAGE ${PROJECT_BINARY_DIR}/package)
set(MVX_PACKAGE_ZIP ${PROJECT_BINARY_DIR}/morvatix-windows-x64.zip)
set(MVX_PACKAGE_TARGETS ProjectMVX)
# The command line joins the package wherever it is built for Windows.
if(TARGET morvatix-cmp)
    list(APPEND MVX_PACKAGE_TARGETS morvatix-cmp)
endif()
set(MVX_PACKAGE_PROGRAMS)
set(MVX_PACKAGE_NAMES)
set(MVX_PACKAGE_STAGED)
foreach(target IN LISTS MVX_PACKAGE_TARGETS)
    list(APPEND MVX_PACKAGE_PROGRAMS $<TARGET_FILE:${target}>)
    list(APPEND MVX_PACKAGE_NAMES $<TARGET_FILE_NAME:${target}>)
    list(APPEND MVX_PACKAGE_STAGED ${MVX_PACKAGE_STAGE}/$<TARGET_FILE_NAME:${target}>)
endforeach()
set(MVX_PACKAGE_STRIP)
if(CMAKE_STRIP)
    set(MVX_PACKAGE_STRIP COMMAND ${CMAKE_STRIP} ${MVX_PACKAGE_STAGED})
endif()

add_custom_target(windows_package
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${MVX_PACKAGE_STAGE} ${MVX_PACKAGE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MVX_PACKAGE_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${MVX_PACKAGE_PROGRAMS} ${MVX_PACKAGE_STAGE}
    ${MVX_PACKAGE_STRIP}
    COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/resources/Readme.txt -DOUT=${MVX_PACKAGE_STAGE}/Readme.txt
            -P ${PROJECT_SOURCE_DIR}/cmake/WindowsText.cmake
    COMMAND ${CMAKE_COMMAND} -E chdir ${MVX_PACKAGE_STAGE}
            ${CMAKE_COMMAND} -E tar cf ${MVX_PACKAGE_ZIP} --format=zip ${MVX_PACKAGE_NAMES} Readme.txt
    COMMENT "Packing ${MVX_PACKAGE_ZIP}"
    VERBATIM)
add_dependencies(windows_package ${MVX_PACKAGE_TARGETS})
