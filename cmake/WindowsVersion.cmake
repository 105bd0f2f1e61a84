# Version information for a Windows program (what Explorer's Details tab
# shows), made from project(VERSION):
#   mvx_version_resource(target "description")
# Windows numbers a version with four integers: 2.01 is 2.1.0.0 there.
math(EXPR MVX_VERSION_MINOR_NUMBER ${PROJECT_VERSION_MINOR})
set(MVX_FILE_VERSION_NUMBERS ${PROJECT_VERSION_MAJOR} ${MVX_VERSION_MINOR_NUMBER} 0 0)
list(JOIN MVX_FILE_VERSION_NUMBERS ", " MVX_FILE_VERSION_COMMAS)
list(JOIN MVX_FILE_VERSION_NUMBERS "." MVX_FILE_VERSION_DOTTED)
set(MVX_LEGAL_COPYRIGHT "Copyright (c) The Morvatix developers. MIT License.")

function(mvx_version_resource target description)
    set(MVX_RC_DESCRIPTION ${description})
    get_target_property(MVX_RC_FILE_NAME ${target} OUTPUT_NAME)
    if(NOT MVX_RC_FILE_NAME)
        set(MVX_RC_FILE_NAME ${target})
    endif()
    set(MVX_RC_INTERNAL_NAME ${target})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
