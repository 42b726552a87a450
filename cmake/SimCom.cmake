# The simulator's COM face (sim/com/, Windows only): widl (Debian's
# mingw-w64-tools) makes the type libraries and the C++ headers of the
# interfaces from the IDL files; the type libraries go into merkan-sim.dll
# as TYPELIB resources 1 to 3 (sim/com/merkan_sim.rc).
enable_language(RC)
find_program(ZEPH_WIDL NAMES ${ZEPH_MINGW_TRIPLET}-widl widl REQUIRED)
# The IDL files import stdole2.tlb's IUnknown and IDispatch, which widl
# reads from a library path: Wine's copy.
file(GLOB ZEPH_STDOLE2 /usr/lib/*/wine/*-windows/stdole2.tlb /usr/lib/wine/*-windows/stdole2.tlb)
if(NOT ZEPH_STDOLE2)
  message(FATAL_ERROR "stdole2.tlb not found: install Wine (scripts/setup.sh --windows)")
endif()
list(GET ZEPH_STDOLE2 0 ZEPH_STDOLE2)
get_filename_component(ZEPH_STDOLE2_DIR ${ZEPH_STDOLE2} DIRECTORY)

function(zeph_sim_com_face target)
  set(source ${CMAKE_SOURCE_DIR}/sim/com)
  set(made ${CMAKE_BINARY_DIR}/sim-com)
  file(MAKE_DIRECTORY ${made})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(bits --win32)
  else()
    set(bits --win64)
  endif()
  set(widl ${ZEPH_WIDL} ${bits} -I ${source} -L ${ZEPH_STDOLE2_DIR})
  set(common ${source}/automation.idl ${source}/contract.idl)
  set(libraries)
  foreach(name merkan_sim merkan_sim_vtbl merkan_sim_faulty)
    add_custom_command(OUTPUT ${made}/${name}.tlb
      COMMAND ${widl} -t -o ${made}/${name}.tlb ${source}/${name}.idl
      DEPENDS ${source}/${name}.idl ${common} VERBATIM)
    list(APPEND libraries ${made}/${name}.tlb)
  endforeach()
  # The vtable-only interfaces are named as the dual ones in their library;
  # in C++ they get "Vt" appended.
  add_custom_command(OUTPUT ${made}/merkan_sim.h
    COMMAND ${widl} -h -o ${made}/merkan_sim.h ${source}/merkan_sim.idl
    DEPENDS ${source}/merkan_sim.idl ${common} VERBATIM)
  add_custom_command(OUTPUT ${made}/merkan_sim_vtbl.h
    COMMAND ${widl} -DCXX_NAMES -h -o ${made}/merkan_sim_vtbl.h ${source}/merkan_sim_vtbl.idl
    DEPENDS ${source}/merkan_sim_vtbl.idl ${common} VERBATIM)
  file(GLOB sources CONFIGURE_DEPENDS ${source}/*.cpp)
  target_sources(${target} PRIVATE ${sources} ${source}/merkan_sim.rc
    ${made}/merkan_sim.h ${made}/merkan_sim_vtbl.h)
  set_source_files_properties(${source}/merkan_sim.rc PROPERTIES OBJECT_DEPENDS "${libraries}")
  # Generated: no warnings of ours apply.
  target_include_directories(${target} SYSTEM PRIVATE ${made})
  target_include_directories(${target} PRIVATE ${source})
endfunction()
