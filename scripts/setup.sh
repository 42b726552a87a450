#!/usr/bin/env bash
# Installs what the build, the tests, the benchmarks, the packages and the
# demo need, when it is missing. Runs apt-get directly as root, through sudo
# otherwise, and says what to do when neither is possible. With --windows,
# also what the Windows build and its tests under Wine need
# (scripts/build-windows.sh); with --windows32, that and what the 32-bit
# Windows build and its tests need (WIN_ARCH=i686 scripts/build-windows.sh).
set -euo pipefail

PACKAGES=(build-essential cmake ninja-build ccache pkg-config libgtest-dev libbenchmark-dev
          python3 python3-pytest python3-aiosmtpd faketime curl acl
          time       # /usr/bin/time: peak memory in the benchmarks
          openssl    # the mail tests over TLS make their certificates with it
          dpkg-dev   # dpkg-shlibdeps: dependencies of the Debian packages
          systemd    # systemd-analyze: the unit tests verify and score the units offline
          strace     # the order of fsync and rename, the system calls of a run
          adduser    # the package's maintainer scripts create the service user
          # CI gates (scripts/ci.sh): the clang build with its sanitizer runtime,
          # clang-format and clang-tidy of the same release, git for the file list.
          clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14 git
          groff-base man-db)  # the man page tests render every page
# Either libcurl development package builds the program; one that is
# installed stays, the other would replace it.
CURL_DEV=(libcurl4-openssl-dev libcurl4-gnutls-dev)
WINDOWS=0 WINDOWS32=0
case ${1:-} in
  --windows) WINDOWS=1 ;;
  --windows32) WINDOWS=1 WINDOWS32=1 ;;
  "") ;;
  *) echo "setup.sh: unknown option $1 (--windows, --windows32)" >&2; exit 2 ;;
esac
if [ $WINDOWS = 1 ]; then
  # The cross compiler with POSIX threads (std::thread), Wine to run the
  # tests, dpkg-source to unpack curl's source package, the Polish locale's
  # source, makensis for the installer (cpack -G NSIS), widl for the host
  # simulator's type libraries (mingw-w64-tools).
  PACKAGES+=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev locales nsis mingw-w64-tools)
fi
# The 32-bit program runs only under the 32-bit Wine, an i386 package: with
# its libraries about 240 packages, 230 MiB to fetch and 1.1 GiB installed
# on a machine that has the 64-bit set, hence an option of its own. Where
# the kernel cannot run i386 programs that Wine cannot start, and once
# installed Debian's `wine` starts it for every prefix, 64-bit ones too: the
# compiler alone then (the 32-bit program still builds; its tests cannot
# run here).
need_i386=0
if [ $WINDOWS32 = 1 ]; then
  PACKAGES+=(g++-mingw-w64-i686-posix)
  if kernel=$("$(dirname "$0")/lib/kernel-runs-i386"); then
    PACKAGES+=(wine32:i386)
    dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
  else
    echo "setup.sh: not installing the 32-bit Wine (wine32:i386): ${kernel:-cannot tell whether this kernel runs 32-bit programs}" >&2
  fi
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
curl_dev=""
for p in "${CURL_DEV[@]}"; do
  if installed "$p"; then curl_dev=$p; fi
done
[ -n "$curl_dev" ] || missing+=("${CURL_DEV[0]}")
# libcurl for Windows is built from Debian's source package of curl, which
# `apt-get source` fetches only with a deb-src entry.
need_deb_src=0
if [ $WINDOWS = 1 ] && ! apt-get source --print-uris curl >/dev/null 2>&1; then
  need_deb_src=1
fi
# Wine takes the ANSI code page (1250) from the locale's name and the
# encoding of file names and arguments from the locale itself: without the
# Polish locale, text beyond ASCII reaches Windows programs as '?'.
need_locale=0
if [ $WINDOWS = 1 ] && ! locale -a 2>/dev/null | grep -qix 'pl_PL.utf8'; then
  need_locale=1
fi
[ ${#missing[@]} -gt 0 ] || [ $need_deb_src = 1 ] || [ $need_locale = 1 ] || exit 0
add_i386=""
[ $need_i386 = 0 ] || add_i386="    dpkg --add-architecture i386 && apt-get update
"

explain() {
  cat >&2 <<TEXT
setup.sh: these Debian packages are missing: ${missing[*]}
$1
Install them as root:
$add_i386    apt-get install ${missing[*]}
(libcurl4-gnutls-dev instead of libcurl4-openssl-dev works as well), then run
this script again; it installs nothing once everything is there.
TEXT
  exit 1
}

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  explain "This script is not running as root and there is no sudo."
fi

if [ $need_deb_src = 1 ]; then
  # shellcheck disable=SC1091  # the system's own file
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  sources=/etc/apt/sources.list.d/zephautomat-deb-src.sources
  echo "Adding Debian's source archive for $codename: $sources"
  "${SUDO[@]}" tee "$sources" >/dev/null <<TEXT
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
TEXT
fi

if [ $need_i386 = 1 ]; then
  echo "Adding the architecture i386 (the 32-bit Wine)"
  "${SUDO[@]}" dpkg --add-architecture i386 || explain "dpkg --add-architecture i386 failed (see above)."
fi

# Another apt-get holding the package lock is waited for, up to 5 minutes.
APT=("${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)
"${APT[@]}" update -qq || explain "apt-get update failed (see above)."
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${APT[@]}" install -y -qq "${missing[@]}" || explain "apt-get install failed (see above)."
fi

if [ $need_locale = 1 ]; then
  echo "Making the locale pl_PL.UTF-8"
  "${SUDO[@]}" localedef -i pl_PL -c -f UTF-8 pl_PL.UTF-8 || explain "localedef failed (see above)."
fi
