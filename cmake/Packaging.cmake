# Debian packages (cpack -G DEB): "zephautomat" with the program and its
# tools, "zephautomat-simulator" with the host simulator library. Binaries
# are stripped; library dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zephautomat)
set(CPACK_PACKAGE_VENDOR "ZephAutomat")
set(CPACK_PACKAGE_CONTACT "ZephAutomat maintainers <zephautomat@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended data exchange with the ERP host's databases")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program simulator)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME zephautomat)
# The instance tool converts the sample configuration with iconv and sed.
# libcurl is opened at the first message, so no link names it: 7.85 brought
# CURLOPT_PROTOCOLS_STR.
# adduser: the maintainer scripts create the system user zephautomat.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS
    "libc-bin, sed, adduser, libcurl4 (>= 7.85.0) | libcurl3-gnutls (>= 7.85.0)")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA
    "${CMAKE_SOURCE_DIR}/packaging/debian/postinst;${CMAKE_SOURCE_DIR}/packaging/debian/postrm")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS zephautomat-simulator)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME zephautomat-simulator)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
    "Unattended data exchange with the ERP host's databases\n The program, zephautomat-check, zephautomat-run and zephautomat-instance.")
set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION
    "ZephAutomat host simulator\n A stand-in for the ERP host's component servers, for trials and tests.")
include(CPack)
