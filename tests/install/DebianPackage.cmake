# Makes the Debian package as scripts/package-debian.sh does, into a folder of
# the tests' own, for the package tests that follow (a ctest fixture). Run
# with -P and:
#   CPACK      cpack
#   BUILD_DIR  the configured and built tree
#   OUT        where the package goes; emptied first
cmake_minimum_required(VERSION 3.19)
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB package ${OUT}/morvatix_*.deb)
if(NOT status EQUAL 0 OR NOT package)
    message(FATAL_ERROR "cpack made no Debian package (it needs dpkg-dev for dpkg-shlibdeps): ${log}")
endif()
