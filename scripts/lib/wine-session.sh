# Sourced by scripts/test-windows.sh and scripts/test-com.sh: everything a
# Windows build's tests need around them, whichever script starts first.
#   wine_session BUILD   the build's own Wine prefix (64- or 32-bit, as its
#                        programs are), made at the first run; one
#                        wineserver kept running until the calling script
#                        ends, with the prefix's services already started;
#                        the Linux build the comparison test runs beside it;
#                        for a 32-bit build, the tests' frozen clock library.
#   wine_session_end     stops that wineserver, if this script started it;
#                        the trap wine_session sets runs it at the end.
#   ZEPH_WINE            what wine_session sets: the Wine loader for that
#                        prefix.
#   wine_run PROGRAM...  starts a Windows program through it, without
#                        address-space randomisation (see below):
#                        wine_run regsvr32 ...
# Called again inside a session (test-windows.sh runs test-com.sh), it
# changes nothing.

wine_session() {
  local build=$1
  export WINEDEBUG=-all
  if [ -z "${ZEPH_LINUX_BIN:-}" ]; then
    # The Linux program and simulator that
    # tests/e2e/test_same_run_on_linux_and_windows.py runs beside this build.
    local linux=${BUILD_DIR:-build}
    case $linux in /*) ;; *) linux=$PWD/$linux ;; esac
    BUILD_DIR=$linux scripts/build.sh zephautomat merkan-sim >/dev/null
    export ZEPH_LINUX_BIN=$linux/zephautomat ZEPH_LINUX_SIM=$linux/libmerkan-sim.so
  fi
  local bits=64
  if objdump -f "$build/zephautomat.exe" 2>/dev/null | grep -q 'pei-i386'; then
    bits=32
    local kernel
    kernel=$(scripts/lib/kernel-runs-i386) ||
      { echo "${kernel:-cannot tell whether this kernel runs 32-bit programs}:" \
          "the 32-bit build's tests cannot run on this machine" >&2; return 1; }
  fi
  wine_loader $bits
  [ -z "${ZEPH_WINE_SESSION:-}" ] || return 0
  export ZEPH_WINE_SESSION=1
  WINE_SESSION_OWNER=1
  if [ $bits = 32 ]; then
    export WINEARCH=win32 WINEPREFIX=$build/wine32
    # faketime cannot stop the 32-bit Wine's clock; the tests' own library
    # does (tests/wine/frozen_clock.c), built with clang for i386 against
    # that Wine's C library.
    local clock=$build/frozen-clock/libfrozenclock.so source=$PWD/tests/wine/frozen_clock.c
    if [ ! "$clock" -nt "$source" ]; then
      mkdir -p "$(dirname "$clock")"
      clang-14 --target=i386-linux-gnu -shared -nostdlib -fPIC -O2 -Wall -Wextra -Werror \
        -o "$clock" "$source" /lib/i386-linux-gnu/libc.so.6
    fi
    export ZEPH_FROZEN_CLOCK=$clock
  else
    export WINEARCH=win64 WINEPREFIX=${WINEPREFIX:-$build/wine}
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Wine prefix: $WINEPREFIX"
    wine_run wineboot -i >/dev/null 2>&1
  fi
  # One wineserver for the whole run (a program then starts in about a
  # second rather than in several); one already running stays in use. A
  # server that a test's program started would also carry that program's
  # limits: under the full-disk case's file size limit it died, and the
  # programs starting meanwhile failed to load (Wine's start.exe printed its
  # complaint, in the OEM code page, instead of their output).
  wineserver -p 2>/dev/null || true
  # The prefix's services start with its first program. Started here, they
  # hold none of the pipes of a test's program (a test reading its output
  # to the end would wait for them too) and none of its environment
  # (faketime).
  wine_run cmd /c exit >/dev/null 2>&1 || true
  trap wine_session_end EXIT
}

# wine_loader 64|32: the loader for a prefix of that many bits, in ZEPH_WINE.
# Debian's `wine` starts the 32-bit loader whenever wine32 is installed, for
# a 64-bit prefix too, and where the kernel cannot run i386 programs that
# fails at once. The 64-bit loader called by its own name serves a 64-bit
# prefix whatever else is installed; WINELOADER makes the programs it starts
# use it as well. Where there is no wine64 (a Wine whose `wine` is the
# 64-bit loader), `wine`.
wine_loader() {
  export ZEPH_WINE=wine
  if [ "$1" = 64 ]; then
    local loader
    for loader in "$(command -v wine64 || true)" /usr/lib/wine/wine64; do
      if [ -n "$loader" ] && [ -x "$loader" ]; then
        export ZEPH_WINE=$loader WINELOADER=$loader
        break
      fi
    done
  fi
}

# Debian's Wine loader has no preloader and sits at a fixed address, and the
# kernel puts its heap at random within the next gigabyte: about one start in
# 2000 the heap covers the page Windows keeps at 0x7ffe0000, and the program
# ends with exit code 1 and, under WINEDEBUG=-all, no word ("failed to map
# the shared user data"). Without randomisation the heap starts right after
# the loader, far below that page, at every start; the programs Wine starts
# inherit the setting. The tests' programs start the same way (the toolchain
# file's emulator, cmake/mingw-w64-x86_64.cmake).
wine_run() {
  if command -v setarch >/dev/null; then
    setarch -R "$ZEPH_WINE" "$@"
  else
    "$ZEPH_WINE" "$@"
  fi
}

wine_session_end() {
  [ -z "${WINE_SESSION_OWNER:-}" ] || wineserver -k 2>/dev/null || true
}
