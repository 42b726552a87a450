# The Windows package (cpack -G ZIP in build-windows/): one folder with the
# program, its tools, the host simulator, libcurl's DLL, a sample
# serwery.ini and components.ini and README-Windows.txt. Everything sits
# beside the program, where it looks for its files and DLLs.
set(ZEPH_WINDOWS_PROGRAMS zephautomat)
foreach(tool zephautomat-check zephautomat-run)
  if(TARGET ${tool})
    list(APPEND ZEPH_WINDOWS_PROGRAMS ${tool})
  endif()
endforeach()
install(TARGETS ${ZEPH_WINDOWS_PROGRAMS} merkan-sim RUNTIME DESTINATION . COMPONENT program)
if(ZEPH_CURL_DLL)
  install(FILES ${ZEPH_CURL_DLL} DESTINATION . COMPONENT program)
endif()

# The sample server list in the encoding and line ends the program reads:
# Windows-1250 with CR LF, its working directory under the program's folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZEPH_WINDOWS_SAMPLE ${CMAKE_BINARY_DIR}/package/serwery.ini)
add_custom_command(
  OUTPUT ${ZEPH_WINDOWS_SAMPLE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/windows_sample_ini.py
    ${CMAKE_SOURCE_DIR}/packaging/instance/serwery.ini ${ZEPH_WINDOWS_SAMPLE}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/instance/serwery.ini
          ${CMAKE_SOURCE_DIR}/cmake/windows_sample_ini.py
  COMMENT "Windows-1250 sample serwery.ini")
add_custom_target(windows-sample ALL DEPENDS ${ZEPH_WINDOWS_SAMPLE})
install(FILES ${ZEPH_WINDOWS_SAMPLE} packaging/windows/components.ini
              packaging/windows/README-Windows.txt
        DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zephautomat)
set(CPACK_PACKAGE_VENDOR "ZephAutomat")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended data exchange with the ERP host's databases")
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_STRIP_FILES ON)
include(CPack)
