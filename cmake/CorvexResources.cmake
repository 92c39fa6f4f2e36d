# corvex_add_resource_bundle(<target> XML <gresource.xml> SOURCEDIR <dir> [DEPENDS files...])
# Compiles a GResource bundle into an OBJECT library. The generated source registers
# itself at load time, so a program gets the bundle by linking the object library.
function(corvex_add_resource_bundle target)
  cmake_parse_arguments(ARG "" "XML;SOURCEDIR" "DEPENDS" ${ARGN})
  set(out_c "${CMAKE_CURRENT_BINARY_DIR}/${target}.c")
  add_custom_command(
    OUTPUT "${out_c}"
    COMMAND ${GLIB_COMPILE_RESOURCES} --target=${out_c} --generate-source
            --sourcedir=${ARG_SOURCEDIR} --c-name ${target} ${ARG_XML}
    DEPENDS ${ARG_XML} ${ARG_DEPENDS}
    VERBATIM)
  add_library(${target} OBJECT "${out_c}")
  set_source_files_properties("${out_c}" PROPERTIES COMPILE_OPTIONS "-w")
  target_link_libraries(${target} PRIVATE PkgConfig::GLIB)
endfunction()
