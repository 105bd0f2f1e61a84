# The packages, made by CPack from the install() rules, which say once where
# every file goes:
#   cpack --preset windows-zip    build-windows/morvatix-windows-x64.zip
set(CPACK_PACKAGE_NAME morvatix)
set(CPACK_PACKAGE_VENDOR "The Morvatix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tells whether two files are identical, byte for byte")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
if(WIN32)
    # Unpacked anywhere, the programs and Readme.txt side by side.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME morvatix-windows-x64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
include(CPack)
