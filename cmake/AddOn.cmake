# An add-on of Internet Explorer's tabs (pagelet, barlet): the DLL around the
# add-on's core library, named as the tabs load it (pagelet32.dll in 32-bit
# tabs), whose resources are built again when the type library, the manifest,
# the version or any of RESOURCES (registry scripts, pictures) changes.
function(tessary_add_on name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "RESOURCES")
  add_library(${name} MODULE dllmain.cpp ${name}.def ${name}.rc)
  target_link_libraries(${name} PRIVATE ${name}_core)
  target_link_options(${name} PRIVATE ${TESSARY_DELIVERABLE_LINK_OPTIONS})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}${TESSARY_SUFFIX}
                        LIBRARY_OUTPUT_DIRECTORY ${TESSARY_BIN_DIR})
  # The version block names the file as it is called.
  set_source_files_properties(${name}.rc PROPERTIES
    COMPILE_DEFINITIONS "TESSARY_SUFFIX=${TESSARY_SUFFIX}"
    OBJECT_DEPENDS "${${name}_TLB};${arg_RESOURCES};${CMAKE_CURRENT_SOURCE_DIR}/${name}.manifest;${TESSARY_VERSION_HEADER}")
endfunction()
