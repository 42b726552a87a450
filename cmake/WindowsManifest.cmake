# Every executable of the Windows build carries the application manifest
# cmake/windows/as-invoker.manifest (resource 1 of type RT_MANIFEST, 24):
# without one, Windows treats a console program as a legacy one and may
# silently redirect its writes under Program Files into a per-user
# VirtualStore, splitting serwery.ini in two. Debian's mingw-w64 links no
# default manifest.
enable_language(RC)
set(ZEPH_MANIFEST_RC ${CMAKE_BINARY_DIR}/as-invoker.rc)
file(WRITE ${ZEPH_MANIFEST_RC}
     "1 24 \"${CMAKE_SOURCE_DIR}/cmake/windows/as-invoker.manifest\"\n")
set_property(SOURCE ${ZEPH_MANIFEST_RC} APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/cmake/windows/as-invoker.manifest)

# Adds the manifest to every executable defined in `dir` and below.
function(zeph_add_manifests dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${ZEPH_MANIFEST_RC})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory ${subdirectories})
    zeph_add_manifests(${subdirectory})
  endforeach()
endfunction()
zeph_add_manifests(${CMAKE_SOURCE_DIR})
