# tessary_idl(<name> <idl>): runs widl over an IDL file and produces, in the current
# binary folder, <name>.h, <name>_i.c and <name>.tlb. Defines the variables
# <name>_HEADER, <name>_IIDS and <name>_TLB for the caller.
set(WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Windows IDL files (Debian's libwine-dev)")
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder with stdole2.tlb")

function(tessary_idl name idl)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(widl ${WIDL_EXECUTABLE} --win64 -I ${WINE_IDL_DIR} -L ${WINE_TLB_DIR})
  add_custom_command(
    OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb
    COMMAND ${widl} -h -H ${out}/${name}.h ${idl_abs}
    COMMAND ${widl} -u -o ${out}/${name}_i.c ${idl_abs}
    COMMAND ${widl} -t -o ${out}/${name}.tlb ${idl_abs}
    DEPENDS ${idl_abs}
    COMMENT "Compiling ${name} interfaces and type library")
  set(${name}_HEADER ${out}/${name}.h PARENT_SCOPE)
  set(${name}_IIDS ${out}/${name}_i.c PARENT_SCOPE)
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
