# What `cmake --install` puts where (GNUInstallDirs; see docs/operations.md).
# Components: "program" (the program, its tools and their files) and
# "simulator" (the host simulator library).

# The program is not on PATH: it reads and writes serwery.ini and its log
# beside itself, so it runs only from an instance's own copy
# (zephautomat-instance), never from a system directory.
install(TARGETS zephautomat RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zephautomat
        COMPONENT program)
install(TARGETS zephautomat-run RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
if(TARGET zephautomat-check)
  install(TARGETS zephautomat-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
endif()
install(PROGRAMS ${CMAKE_BINARY_DIR}/zephautomat-instance DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT program)

# Man pages: every page under docs/man, by its section.
file(GLOB ZEPH_MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.[1-8])
foreach(page ${ZEPH_MAN_PAGES})
  string(REGEX REPLACE "^.*\\.([1-8])$" "\\1" section ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT program)
endforeach()

# The header a host library is written against.
if(EXISTS ${CMAKE_SOURCE_DIR}/src/host/zeph_host.h)
  set(ZEPH_HOST_HEADER ${CMAKE_SOURCE_DIR}/src/host/zeph_host.h)
else()
  set(ZEPH_HOST_HEADER ${CMAKE_SOURCE_DIR}/src/host/host_api.h)
endif()
install(FILES ${ZEPH_HOST_HEADER} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zephautomat
        COMPONENT program)

# The sample configuration zephautomat-instance starts an instance with, and
# the switches of its scheduled runs (the tasks the sample enables).
install(FILES packaging/instance/serwery.ini packaging/instance/zephautomat.env
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zephautomat/instance COMPONENT program)

# Scheduling: systemd units, and examples for cron and logrotate.
install(FILES packaging/systemd/zephautomat@.service packaging/systemd/zephautomat@.timer
        DESTINATION lib/systemd/system COMPONENT program)
set(ZEPH_SCHEDULING_EXAMPLES ${CMAKE_INSTALL_DOCDIR}/examples/scheduling)
install(FILES packaging/cron/zephautomat DESTINATION ${ZEPH_SCHEDULING_EXAMPLES}
        RENAME zephautomat.cron COMPONENT program)
install(FILES packaging/logrotate/zephautomat DESTINATION ${ZEPH_SCHEDULING_EXAMPLES}
        RENAME zephautomat.logrotate COMPONENT program)
install(FILES packaging/systemd/zephautomat@.service.d-override.conf
        DESTINATION ${ZEPH_SCHEDULING_EXAMPLES} COMPONENT program)

# Examples and documentation.
file(GLOB ZEPH_EXAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/*)
install(FILES ${ZEPH_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT program)
file(GLOB ZEPH_DOCS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
install(FILES README.md ${ZEPH_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)

# The host simulator: a component library, loaded through components.ini.
install(TARGETS merkan-sim LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/zephautomat
        COMPONENT simulator)
