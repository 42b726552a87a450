#!/usr/bin/env bash
# Cross-builds the Windows program into ${WIN_BUILD_DIR:-build-windows}:
#   1. installs what is missing (scripts/setup.sh --windows: the mingw-w64
#      toolchain, Wine, a deb-src entry);
#   2. fetches Debian's source package of curl (apt-get source) into
#      <build>/curl/ and builds libcurl from it as a DLL with Schannel,
#      Windows' own TLS, and no other library; kept until the source
#      package's version changes, so a second run skips it;
#   3. builds the program, the tools, the host simulator (merkan-sim.dll) and
#      the tests with warnings as errors, libcurl's DLL beside them;
#   4. packs the ZIP and the installer (cpack: zephautomat-<version>-windows-
#      x64.zip and .exe in the build directory; about 10 s), unless targets
#      to build are named.
# Then scripts/test-windows.sh runs the tests under Wine.
# WIN_ARCH=i686 builds the 32-bit program instead (default build directory
# build-windows-i686, ZIP and installer named windows-x86), for hosts whose
# COM servers are 32-bit; step 1 is then scripts/setup.sh --windows32, which
# adds the i686 compiler and the 32-bit Wine its tests run under.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
ARCH=${WIN_ARCH:-x86_64}
case $ARCH in
  x86_64) BUILD=${WIN_BUILD_DIR:-build-windows} SETUP=--windows ;;
  i686) BUILD=${WIN_BUILD_DIR:-build-windows-i686} SETUP=--windows32 ;;
  *) echo "build-windows.sh: WIN_ARCH is x86_64 or i686, not $ARCH" >&2; exit 1 ;;
esac
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
TOOLCHAIN=$ROOT/cmake/mingw-w64-$ARCH.cmake
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT} CCACHE_NOHASHDIR=1

scripts/setup.sh "$SETUP"

# --- libcurl -------------------------------------------------------------
CURL=$BUILD/curl
version=$(apt-get source --print-uris curl 2>/dev/null | awk '/\.dsc /{print $2}')
[ -n "$version" ] || { echo "build-windows.sh: apt-get source finds no curl" >&2; exit 1; }
# What the DLL was built from: the source package and our one change to it.
built_from="$version, already-connected fix"
stamp=$CURL/install/built-from
if [ "$(cat "$stamp" 2>/dev/null)" != "$built_from" ]; then
  echo "libcurl: building from Debian's source package ($version)"
  rm -rf "$CURL" && mkdir -p "$CURL/source"
  (cd "$CURL/source" && apt-get source -qq curl >/dev/null 2>&1) ||
    { echo "build-windows.sh: apt-get source curl failed" >&2; exit 1; }
  src=$(find "$CURL/source" -mindepth 1 -maxdepth 1 -type d -name 'curl-*' | head -1)
  # The mail sender connects the socket itself, under its own deadline, and
  # tells libcurl so (CURL_SOCKOPT_ALREADY_CONNECTED). libcurl 7.88 calls
  # connect() on that socket all the same; Linux answers 0, Windows refuses
  # with WSAEISCONN and every mail fails with "Couldn't connect to server"
  # (curl issue 10626, fixed in curl 8.0). The fix: an open that reported
  # the socket connected ends the connect step there.
  /usr/bin/python3 - "$src/lib/cf-socket.c" <<'PY' ||
import sys
path = sys.argv[1]
text = open(path).read()
before = "    /* Connect TCP socket */\n    rc = do_connect("
after = ("    if(cf->connected) {\n      *done = TRUE;\n      return CURLE_OK;\n    }\n\n"
         + before)
if "if(cf->connected) {\n      *done = TRUE;" not in text:
    if text.count(before) != 1:
        sys.exit("cf-socket.c: the connect step is not where it was in 7.88")
    open(path, "w").write(text.replace(before, after))
PY
    { echo "build-windows.sh: cannot apply the already-connected fix to $src" >&2; exit 1; }
  # Only what the SMTP sender uses: Schannel for TLS, the Windows API for
  # names and threads; every optional library off, so the DLL needs nothing
  # that Windows does not have.
  cmake -S "$src" -B "$CURL/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$CURL/install" \
    -DCMAKE_C_COMPILER_LAUNCHER="$(command -v ccache || true)" \
    -DBUILD_SHARED_LIBS=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF \
    -DCURL_ZSTD=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF \
    -DUSE_NGHTTP2=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON >"$CURL/configure.log" 2>&1 ||
    { tail -30 "$CURL/configure.log"; echo "build-windows.sh: libcurl configure failed" >&2; exit 1; }
  cmake --build "$CURL/build" -j "$(nproc)" >"$CURL/build.log" 2>&1 ||
    { tail -30 "$CURL/build.log"; echo "build-windows.sh: libcurl build failed" >&2; exit 1; }
  cmake --install "$CURL/build" >/dev/null
  # The build tree and the unpacked source are not needed again.
  rm -rf "$CURL/build" "$CURL/source"
  echo "$built_from" >"$stamp"
fi
curl_dll=$(find "$CURL/install/bin" -name 'libcurl*.dll' | head -1)
[ -n "$curl_dll" ] || { echo "build-windows.sh: no libcurl DLL in $CURL/install/bin" >&2; exit 1; }

# --- the program ---------------------------------------------------------
# libcurl is opened at the first message: only its headers and its DLL.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPH_WERROR=ON -DZEPH_BUILD_BENCH=OFF \
  -DCURL_INCLUDE_DIR="$CURL/install/include" -DCURL_LIBRARY="$CURL/install/lib/libcurl.dll.a" \
  -DZEPH_CURL_DLL="$curl_dll" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$BUILD" -j "$(nproc)" --target "$@"
else
  cmake --build "$BUILD" -j "$(nproc)"
  (cd "$BUILD" && cpack >"$BUILD/cpack.log" 2>&1) ||
    { tail -30 "$BUILD/cpack.log"; echo "build-windows.sh: cpack failed" >&2; exit 1; }
  grep 'package: .* generated' "$BUILD/cpack.log"
fi
