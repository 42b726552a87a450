#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, when it is missing.
set -euo pipefail

PACKAGES=(build-essential cmake ninja-build ccache pkg-config libcurl4-openssl-dev libgtest-dev
          libbenchmark-dev python3 python3-pytest python3-aiosmtpd faketime curl acl)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
