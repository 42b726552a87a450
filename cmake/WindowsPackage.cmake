# The Windows packages, both from one install set (cpack in build-windows/):
# a ZIP (-G ZIP) and an installer (-G NSIS, Debian's makensis). One folder
# with the program, its tools, the host simulator, libcurl's DLL, samples of
# serwery.ini and components.ini and README-Windows.txt. Everything sits
# beside the program, where it looks for its files and DLLs.
set(ZEPH_WINDOWS_PROGRAMS zephautomat)
foreach(tool zephautomat-check zephautomat-run zephautomat-instance)
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
# The instance tool's sample (instance\serwery.ini) keeps the place of the
# instance's directory, {INSTANCE}, for the tool to fill in.
set(ZEPH_WINDOWS_SAMPLE ${CMAKE_BINARY_DIR}/package/serwery.ini)
set(ZEPH_INSTANCE_SAMPLE ${CMAKE_BINARY_DIR}/instance/serwery.ini)
add_custom_command(
  OUTPUT ${ZEPH_WINDOWS_SAMPLE} ${ZEPH_INSTANCE_SAMPLE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/windows_sample_ini.py
    ${CMAKE_SOURCE_DIR}/packaging/instance/serwery.ini ${ZEPH_WINDOWS_SAMPLE}
    "C:\\ZephAutomat\\praca"
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/windows_sample_ini.py
    ${CMAKE_SOURCE_DIR}/packaging/instance/serwery.ini ${ZEPH_INSTANCE_SAMPLE}
    "{INSTANCE}\\praca"
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/instance/serwery.ini
          ${CMAKE_SOURCE_DIR}/cmake/windows_sample_ini.py
  COMMENT "Windows-1250 sample serwery.ini" VERBATIM)
add_custom_target(windows-sample ALL DEPENDS ${ZEPH_WINDOWS_SAMPLE} ${ZEPH_INSTANCE_SAMPLE})
install(FILES ${ZEPH_INSTANCE_SAMPLE} DESTINATION instance COMPONENT program)
# serwery.ini and components.ini belong to the operator (the program
# rewrites serwery.ini at every start): the packages carry them as samples
# under other names, so that unpacking over a folder or installing again
# never replaces them and the uninstaller, which removes exactly what was
# installed, never deletes them.
install(FILES ${ZEPH_WINDOWS_SAMPLE} DESTINATION . RENAME serwery.sample.ini COMPONENT program)
# Beside the programs in the build tree too, where the instance tool's tests
# find it as in an installation.
configure_file(packaging/windows/components.ini ${CMAKE_BINARY_DIR}/components.sample.ini COPYONLY)
install(FILES ${CMAKE_BINARY_DIR}/components.sample.ini DESTINATION . COMPONENT program)
install(FILES packaging/windows/README-Windows.txt DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME zephautomat)
set(CPACK_PACKAGE_VENDOR "ZephAutomat")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended data exchange with the ERP host's databases")
set(CPACK_STRIP_FILES ON)
# The NSIS texts below reach the script as written here.
set(CPACK_VERBATIM_VARIABLES ON)

# The installer: Program Files\ZephAutomat unless /D= names another folder,
# /S without questions. One name in the registry for every version, so that
# a newer version installs over the older one and Add/Remove Programs lists
# it once. No PATH change (the program runs from its folder), no service,
# no shortcut but the uninstaller's.
set(CPACK_PACKAGE_INSTALL_DIRECTORY ZephAutomat)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ZephAutomat)
set(CPACK_NSIS_PACKAGE_NAME ZephAutomat)
set(CPACK_NSIS_DISPLAY_NAME ZephAutomat)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_INSTALLED_ICON_NAME zephautomat.exe)
# Built for the programs' architecture (the 32-bit build:
# cmake/mingw-w64-i686.cmake), the installer writes the registry view and
# picks the Program Files they belong to; for the 64-bit programs it needs
# no 32-bit Wine in the tests either (Debian's makensis has the amd64 stubs).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(ZEPH_NSIS_TARGET amd64-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(CPACK_SYSTEM_NAME windows-x86)
  set(ZEPH_NSIS_TARGET x86-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()
# The target goes before the script: given after its first instructions,
# makensis reads the shell folders as for the default target ($PROGRAMFILES64
# the 32-bit folder). CPack splits these arguments at blanks; ${U+20} is
# makensis' own spelling of one.
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "-XTarget\${U+20}${ZEPH_NSIS_TARGET}")
# The uninstaller removes the installer's registry key but not the vendor's
# key above it; once that is empty, it goes too.
set(CPACK_NSIS_DEFINES "Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"
FunctionEnd")
# A first install makes the operator's files from the samples; a folder that
# has them keeps its own.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  IfFileExists "$INSTDIR\serwery.ini" +2 0
    CopyFiles /SILENT "$INSTDIR\serwery.sample.ini" "$INSTDIR\serwery.ini"
  IfFileExists "$INSTDIR\components.ini" +2 0
    CopyFiles /SILENT "$INSTDIR\components.sample.ini" "$INSTDIR\components.ini"
]])
include(CPack)
