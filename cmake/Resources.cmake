# Embeds the English string tables (resources/strings/*.strings) into one
# generated source file.
file(GLOB CORV_STRINGS_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/strings/*.strings)
list(SORT CORV_STRINGS_FILES)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CORV_STRINGS_FILES})
set(CORV_STRINGS_TEXT "")
foreach(f ${CORV_STRINGS_FILES})
  file(READ ${f} text)
  string(APPEND CORV_STRINGS_TEXT "${text}\n")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/cmake/strings.cpp.in ${CORV_GENERATED_DIR}/strings_table.cpp @ONLY)
