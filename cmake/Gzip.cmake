# Compresses a file as Debian wants manual pages and changelogs: at the
# highest level and without a time stamp, so that the same input always
# gives the same bytes.
#   cmake -DIN=source -DOUT=target.gz -P cmake/Gzip.cmake
execute_process(COMMAND gzip -9 --no-name --stdout ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "gzip cannot compress ${IN}")
endif()
