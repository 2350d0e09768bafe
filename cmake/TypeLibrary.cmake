# tessary_idl(<name> <idl>): runs widl over an IDL file and produces, in the current
# binary folder, <name>.h, <name>_i.c and <name>.tlb, the library for the kind of
# process being built (win64 or win32). Defines the variables <name>_HEADER,
# <name>_IIDS and <name>_TLB for the caller.
# tessary_tlb32(<name> <idl>): only the library for 32-bit processes,
# <name>32.tlb, for a 64-bit program that 32-bit clients call; defines
# <name>32_TLB.
set(WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Windows IDL files (Debian's libwine-dev)")
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder with the 64-bit stdole2.tlb")
set(WINE_TLB32_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "Folder with the 32-bit stdole2.tlb")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_tessary_widl_kind --win32 -L ${WINE_TLB32_DIR})
else()
  set(_tessary_widl_kind --win64 -L ${WINE_TLB_DIR})
endif()

function(tessary_idl name idl)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(widl ${WIDL_EXECUTABLE} ${_tessary_widl_kind} -I ${WINE_IDL_DIR})
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

function(tessary_tlb32 name idl)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(tlb ${CMAKE_CURRENT_BINARY_DIR}/${name}32.tlb)
  add_custom_command(
    OUTPUT ${tlb}
    COMMAND ${WIDL_EXECUTABLE} --win32 -L ${WINE_TLB32_DIR} -I ${WINE_IDL_DIR} -t -o ${tlb} ${idl_abs}
    DEPENDS ${idl_abs}
    COMMENT "Compiling the ${name} type library for 32-bit processes")
  set(${name}32_TLB ${tlb} PARENT_SCOPE)
endfunction()
