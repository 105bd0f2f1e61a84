# The packages, made by CPack from the install() rules, which say once where
# every file goes:
#   cpack --preset debian               build/morvatix_<version>_<arch>.deb
#   cpack --preset windows-zip          build-windows/morvatix-windows-x64.zip
#   cpack --preset windows-installer    build-windows/morvatix-<version>-windows-x64-setup.exe
set(CPACK_PACKAGE_NAME morvatix)
set(CPACK_PACKAGE_VENDOR "The Morvatix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tells whether two files are identical, byte for byte")
# In lines that fit a Debian package's description.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Morvatix answers one question, fast and without doubt: are two files\n"
    "identical, byte for byte? A window takes a source and a target file from a\n"
    "file dialog, a drop or the command line, compares their sizes and then their\n"
    "contents while a progress bar moves, and shows the verdict with the time\n"
    "taken. The command morvatix-cmp does the same for scripts, with the exit\n"
    "statuses of cmp. Morvatix never writes a file and keeps no settings; its\n"
    "interface is Japanese.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${MVX_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
# Each generator's file name, chosen when it runs.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageNames.cmake)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    # Unpacked anywhere, the programs and Readme.txt side by side.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    # The installer: our own script (packaging/windows/NSIS.template.in),
    # for one user and without administrator rights.
    list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
    set(CPACK_NSIS_PACKAGE_NAME ${PROJECT_NAME})
    set(CPACK_NSIS_DISPLAY_NAME ${PROJECT_NAME})
    set(CPACK_PACKAGE_INSTALL_DIRECTORY ${PROJECT_NAME})
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${PROJECT_NAME})
    set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
    set(CPACK_NSIS_URL_INFO_ABOUT ${MVX_HOMEPAGE})
    set(CPACK_NSIS_MUI_ICON ${MVX_ICON})
    set(CPACK_NSIS_MUI_UNIICON ${MVX_ICON})
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MVX_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # The libraries from what the programs link; the font the windows ask for
    # and the Qt platform for Wayland sessions, which no link names.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-wayland")
endif()
include(CPack)
