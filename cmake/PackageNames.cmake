# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE): the name of
# the file it makes. The Debian package is named by Debian's rule
# (CPACK_DEBIAN_FILE_NAME).
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_PACKAGE_FILE_NAME morvatix-windows-x64)
elseif(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME morvatix-${CPACK_PACKAGE_VERSION}-windows-x64-setup)
endif()
