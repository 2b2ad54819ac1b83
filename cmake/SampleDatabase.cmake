# The sample database beside TBN, made from sample/sample.sql, and a first cnns.dat pointing at it.
find_program(SQLITE3_CLI sqlite3 REQUIRED)
set(TBN_SAMPLE_DB ${CMAKE_BINARY_DIR}/sample.db)
add_custom_command(
    OUTPUT ${TBN_SAMPLE_DB}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${TBN_SAMPLE_DB}
    COMMAND ${SQLITE3_CLI} -bail ${TBN_SAMPLE_DB} < ${CMAKE_SOURCE_DIR}/sample/sample.sql
    DEPENDS ${CMAKE_SOURCE_DIR}/sample/sample.sql
    COMMENT "Creating the sample database"
    VERBATIM)
add_custom_target(sample_database ALL DEPENDS ${TBN_SAMPLE_DB})
# A user's own cnns.dat is never overwritten: the script writes one only where none exists.
add_custom_target(sample_connection ALL
    COMMAND ${CMAKE_COMMAND} -DCNNS=${CMAKE_BINARY_DIR}/cnns.dat -DDB=${TBN_SAMPLE_DB}
            -P ${CMAKE_SOURCE_DIR}/cmake/WriteFirstConnection.cmake
    DEPENDS sample_database
    VERBATIM)
