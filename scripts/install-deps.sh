#!/usr/bin/env bash
# Installs the cross toolchain, Wine, the virtual display and python3 (release zips) on Debian 12.
# Safe to run repeatedly: it does nothing, quickly, when everything is already present.
# A mirror being synced must not stop a new machine: a failed `apt-get update` is tried again, then the
# install goes on with the package lists there are. It fails only when a needed package cannot be
# installed. The 32-bit Wine loader is wanted only where the kernel runs 32-bit programs; without it
# the Wine tiers test the 64-bit build of the same sources.
# OCELLUS_APT_TRIES (default 3) and OCELLUS_APT_PAUSE (seconds, default 5) tune the update retries.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/runs-32bit.sh"

packages=(cmake ninja-build g++ googletest libbenchmark-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          mingw-w64-tools wine wine64 xvfb xauth openbox xdotool x11-utils x11-xserver-utils libxinerama1 imagemagick clang lld llvm
          python3)
# Wine's 32-bit loader, and the Xinerama library its display driver counts the monitors with (only
# recommended, so without it the 32-bit Wine sees one monitor on the two-monitor display).
wine32=(wine32:i386 libxinerama1:i386)

say() { echo "install-deps: $*" >&2; }
# One query for all (a query per package costs a second): "name:arch" of each installed one.
installed() {
  dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "${packages[@]}" "${wine32[@]}" 2>/dev/null |
    sed -n 's/ install ok installed$//p'
}
have() {  # package[:arch] in the list on standard input
  case $1 in
    *:*) grep -qxF "$1" ;;
    *) grep -qxF -e "$1:$arch" -e "$1:all" ;;
  esac <<<"$list"
}

arch=$(dpkg --print-architecture)
list=$(installed)
need=()
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done
want32=false
runs_32bit_code && want32=true
need32=false
if $want32; then for p in "${wine32[@]}"; do have "$p" || need32=true; done; fi
[ ${#need[@]} -eq 0 ] && ! $need32 && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

apt_install() {  # packages...: quiet, apt's output kept in $log
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1
}
apt_errors() {  # apt's own lines on why: its errors and the unmet dependencies
  grep -E '^(E|W): |^ .* : (Pre)?Depends: |^ +(Pre)?Depends: ' "$log" | head -n 20 >&2
}

if $need32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

all=("${need[@]}")
$need32 && all+=("${wine32[@]}")
say "installing: ${all[*]}"
$want32 || say "this kernel runs no 32-bit programs: no ${wine32[0]}; the Wine tiers test the 64-bit build"
tries=${OCELLUS_APT_TRIES:-3}
for ((i = 1; ; i++)); do
  $SUDO apt-get update -q >"$log" 2>&1 && break
  if [ "$i" -ge "$tries" ]; then
    say "apt-get update failed $tries times; going on with the package lists there are:"
    apt_errors
    break
  fi
  say "apt-get update failed (try $i of $tries); trying again in ${OCELLUS_APT_PAUSE:-5} s"
  sleep "${OCELLUS_APT_PAUSE:-5}"
done

# The 32-bit loader on its own, after the rest: when the i386 lists lag, it alone cannot be installed.
if [ ${#need[@]} -gt 0 ] && ! apt_install "${need[@]}"; then
  # Name the package that cannot be installed: one at a time, each with apt's own reason.
  failed=()
  for p in "${need[@]}"; do
    if ! apt_install "$p"; then
      failed+=("$p")
      say "cannot install $p:"
      apt_errors
    fi
  done
  if [ ${#failed[@]} -gt 0 ]; then
    say "failed: the tiers need ${failed[*]}"
    exit 1
  fi
fi

if $need32 && ! apt_install "${wine32[@]}"; then
  say "${wine32[*]} could not be installed ($(grep -m1 '^E: ' "$log" | cut -c4-)); the Wine tiers will test the 64-bit build"
fi
exit 0
