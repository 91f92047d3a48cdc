# Embeds the English string table into a generated source file.
set(CORV_STRINGS_FILE ${CMAKE_SOURCE_DIR}/resources/en.strings)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CORV_STRINGS_FILE})
file(READ ${CORV_STRINGS_FILE} CORV_STRINGS_TEXT)
configure_file(${CMAKE_SOURCE_DIR}/cmake/strings.cpp.in ${CORV_GENERATED_DIR}/strings_table.cpp @ONLY)
