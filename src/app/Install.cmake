# Where the program goes: Help looks for Readme.txt in the folder of the
# running executable, so the two stay together in a folder of their own and
# the command on the search path is a relative link to them, which keeps the
# whole prefix movable. The desktop entry and the icons: packaging/linux.

set(MVX_PROGRAM_DIR lib/morvatix)
set(MVX_README ${PROJECT_SOURCE_DIR}/resources/Readme.txt)
get_target_property(MVX_PROGRAM_NAME ProjectMVX OUTPUT_NAME)
get_target_property(MVX_PROGRAM_BUILD_DIR ProjectMVX RUNTIME_OUTPUT_DIRECTORY)

# Beside the built program too, so that Help works straight from the build.
configure_file(${MVX_README} ${MVX_PROGRAM_BUILD_DIR}/Readme.txt COPYONLY)

install(TARGETS ProjectMVX RUNTIME DESTINATION ${MVX_PROGRAM_DIR})
install(FILES ${MVX_README} DESTINATION ${MVX_PROGRAM_DIR})

# The link is made once here and installed as a link.
set(MVX_LINK_DIR ${CMAKE_CURRENT_BINARY_DIR}/bin-link)
file(MAKE_DIRECTORY ${MVX_LINK_DIR})
file(CREATE_LINK ../${MVX_PROGRAM_DIR}/${MVX_PROGRAM_NAME} ${MVX_LINK_DIR}/${MVX_PROGRAM_NAME} SYMBOLIC)
install(FILES ${MVX_LINK_DIR}/${MVX_PROGRAM_NAME} DESTINATION bin)
