# Cross-compiling for 64-bit Windows with Debian's mingw-w64 toolchain, the
# POSIX thread flavour (std::thread, std::mutex need it):
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/build-windows.sh does this, after building libcurl with this file.
# cmake/mingw-w64-i686.cmake reuses it for 32-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT DEFINED ZEPH_MINGW_TRIPLET)
  set(ZEPH_MINGW_TRIPLET x86_64-w64-mingw32)
endif()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${ZEPH_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${ZEPH_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPH_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEPH_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's tree only; programs (python3,
# git) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEPH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread linked in: an .exe or .dll then needs
# no DLL of the compiler's beside it, on Windows or under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest starts the test programs through Wine (scripts/test-windows.sh sets
# up its prefix), as on a Polish Windows: Wine takes the ANSI code page,
# 1250, from the locale's name (which need not be installed). A 64-bit build
# through the 64-bit loader by its own name: Debian's `wine` starts the
# 32-bit one whenever wine32 is installed, which fails on a kernel that
# cannot run i386 programs (scripts/lib/wine-session.sh, wine_loader).
if(ZEPH_MINGW_TRIPLET MATCHES "^x86_64")
  find_program(ZEPH_WINE_LOADER NAMES wine64 wine PATHS /usr/lib/wine)
else()
  find_program(ZEPH_WINE_LOADER wine)
endif()
# Wine without address-space randomisation (setarch -R, which the programs
# Wine starts inherit): Debian's Wine loader has no preloader and sits at a
# fixed address, and the kernel puts its heap at random within the next
# gigabyte; about one start in 2000 the heap covers the page Windows keeps at
# 0x7ffe0000, and the program ends with exit code 1 and, with WINEDEBUG=-all,
# no word ("failed to map the shared user data"). scripts/lib/wine-session.sh
# starts Wine the same way (wine_run).
find_program(ZEPH_SETARCH setarch)
if(ZEPH_SETARCH)
  set(ZEPH_FIXED_LAYOUT ${ZEPH_SETARCH} -R)
endif()
if(ZEPH_WINE_LOADER MATCHES "wine64$")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEPH_FIXED_LAYOUT} env LC_ALL=pl_PL.UTF-8
      WINELOADER=${ZEPH_WINE_LOADER} ${ZEPH_WINE_LOADER})
elseif(ZEPH_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEPH_FIXED_LAYOUT} env LC_ALL=pl_PL.UTF-8
      ${ZEPH_WINE_LOADER})
endif()
