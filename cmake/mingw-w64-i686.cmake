# Cross-compiling for 32-bit Windows: the 64-bit toolchain file with the
# i686 compilers. A 64-bit program cannot load a 32-bit in-process server, so
# a host whose COM servers are 32-bit needs this build of the program:
#   WIN_ARCH=i686 scripts/build-windows.sh
set(ZEPH_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
