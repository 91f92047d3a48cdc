# The GNOME Shell extension in each form the shells load, one body
# (resources/gnome-shell/service.js) in each form's wrapper, with the shell
# versions of that form in its metadata.json.
set(gnome_shell_dir ${CMAKE_SOURCE_DIR}/resources/gnome-shell)
set(gnome_shell_uuid corvadine@brelvantoque.com)
set(gnome_shell_legacy_versions 43 44)
set(gnome_shell_module_versions 45 46 47 48 49)
file(READ ${gnome_shell_dir}/service.js SERVICE)
set(CORV_GNOME_EXTENSION_FILES "")
foreach(form legacy module)
  set(out ${CORV_GENERATED_DIR}/gnome-shell/${form}/${gnome_shell_uuid})
  list(TRANSFORM gnome_shell_${form}_versions REPLACE "(.+)" "\"\\1\"" OUTPUT_VARIABLE quoted)
  list(JOIN quoted ", " SHELL_VERSIONS)
  configure_file(${gnome_shell_dir}/${form}/extension.js.in ${out}/extension.js @ONLY)
  configure_file(${gnome_shell_dir}/metadata.json.in ${out}/metadata.json @ONLY)
  list(APPEND CORV_GNOME_EXTENSION_FILES ${out}/extension.js ${out}/metadata.json)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${gnome_shell_dir}/service.js)
