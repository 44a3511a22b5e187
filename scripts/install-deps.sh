#!/usr/bin/env bash
# Installs the cross toolchain, Wine, the virtual display and python3 (release zips) on Debian 12.
# Safe to run repeatedly: it does nothing when everything is already present.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake ninja-build g++ googletest libbenchmark-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         mingw-w64-tools wine wine32:i386 wine64 xvfb xauth openbox xdotool x11-utils imagemagick clang lld python3; do
  have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${need[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
