#!/usr/bin/env bash
# scripts/install-deps.sh against stand-in apt-get, dpkg and dpkg-query (no root, no network): a mirror
# mid-sync, a 32-bit loader that cannot be installed, a kernel without 32-bit support, a package that
# cannot be installed, and a machine that has everything. Prints what the script said in each case.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The stand-ins keep their state in $FAKE: installed ("name:arch" lines), foreign (architectures),
# update-failures (a count, or "always"), broken (names apt refuses), calls (what apt-get was asked).
mkdir -p "$work/bin"
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
for a in "$@"; do
  case $a in -*) continue ;; *:*) want=$a ;; *) want="$a:amd64" ;; esac
  grep -qxF -e "$want" -e "${want%:*}:all" "$FAKE/installed" && echo "$want install ok installed"
done
exit 0
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case $1 in
  --print-architecture) echo amd64 ;;
  --print-foreign-architectures) cat "$FAKE/foreign" ;;
  --add-architecture) echo "$2" >>"$FAKE/foreign"; echo "dpkg --add-architecture $2" >>"$FAKE/calls" ;;
esac
EOF
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/calls"
case $1 in
  update)
    left=$(cat "$FAKE/update-failures")
    [ "$left" = 0 ] && exit 0
    [ "$left" = always ] || echo $((left - 1)) >"$FAKE/update-failures"
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  install)
    shift
    for p in "$@"; do
      [[ $p == -* ]] && continue
      if grep -qxF "$p" "$FAKE/broken"; then
        echo "The following packages have unmet dependencies:"
        echo " $p : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
      fi
    done
    for p in "$@"; do
      [[ $p == -* ]] || { [[ $p == *:* ]] && echo "$p" || echo "$p:amd64"; } >>"$FAKE/installed"
    done ;;
esac
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
printf '#!/bin/sh\nexit 42\n' >"$work/runs32"
printf '#!/bin/sh\nexit 126\n' >"$work/runs64only"
chmod +x "$work/bin/"* "$work/runs32" "$work/runs64only"
everything=$(sed -n '/^packages=(/,/)/p' "$root/scripts/install-deps.sh" | tr -d '()' | sed 's/^packages=//' |
  tr ' ' '\n' | grep -v '^$')

# case name, kernel (runs32|runs64only), update failures, broken names, packages missing (or "none")
run_case() {
  local name=$1 kernel=$2 fails=$3 broken=$4 missing=$5
  export FAKE="$work/$name"
  mkdir -p "$FAKE"
  : >"$FAKE/calls"
  : >"$FAKE/foreign"
  echo "$fails" >"$FAKE/update-failures"
  tr ' ' '\n' <<<"$broken" >"$FAKE/broken"
  grep -vxF -f <(tr ' ' '\n' <<<"$missing") <<<"$everything" | sed 's/$/:amd64/' >"$FAKE/installed"
  if [ "$kernel" = runs32 ]; then
    for p in wine32:i386 libxinerama1:i386; do [[ " $missing " == *" $p "* ]] || echo "$p" >>"$FAKE/installed"; done
  fi
  out=$(PATH="$work/bin:$PATH" OCELLUS_PROBE32="$work/$kernel" OCELLUS_APT_PAUSE=0 \
    bash "$root/scripts/install-deps.sh" 2>&1)
  rc=$?
  echo "--- $name (exit $rc)"
  [ -n "$out" ] && sed 's/^/    /' <<<"$out"
}

check() {  # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAIL [$name]: $what"
    failures=$((failures + 1))
  fi
}
said() { grep -qF -- "$1" <<<"$out"; }
asked() { grep -qF -- "$1" "$FAKE/calls"; }
installed() { grep -qxF "$1" "$FAKE/installed"; }
count() { grep -cF -- "$1" "$FAKE/calls"; }

name=update-fails-once
run_case $name runs64only 1 "" "cmake"
check "exit 0" [ "$rc" -eq 0 ]
check "tries the update twice" [ "$(count 'apt-get update')" -eq 2 ]
check "says it tries again" said "apt-get update failed (try 1 of 3); trying again"
check "does not give up on the lists" eval '! said "going on with the package lists"'
check "installs cmake" installed cmake:amd64

name=update-always-fails
run_case $name runs64only always "" "cmake xvfb"
check "exit 0" [ "$rc" -eq 0 ]
check "tries the update three times" [ "$(count 'apt-get update')" -eq 3 ]
check "goes on with the lists there are" said "apt-get update failed 3 times; going on with the package lists there are"
check "shows apt's own error" said "Mirror sync in progress?"
check "installs what is missing" installed xvfb:amd64

name=wine32-cannot-be-installed
run_case $name runs32 0 "wine32:i386" "wine32:i386"
check "exit 0" [ "$rc" -eq 0 ]
check "adds the i386 architecture" asked "dpkg --add-architecture i386"
check "asks for wine32" asked "wine32:i386"
check "one clear line" [ "$(grep -c 'wine32' <<<"$out")" -eq 2 ]
check "says why and what follows" \
  said "wine32:i386 libxinerama1:i386 could not be installed (Unable to correct problems, you have held broken packages.); the Wine tiers will test the 64-bit build"

# Without it the 32-bit Wine counts one monitor, and the two-monitor tier cannot run.
name=xinerama-missing-beside-wine32
run_case $name runs32 0 "" "libxinerama1:i386"
check "exit 0" [ "$rc" -eq 0 ]
check "installs the 32-bit Xinerama library" installed libxinerama1:i386

name=kernel-runs-no-32-bit-code
run_case $name runs64only 0 "" "openbox"
check "exit 0" [ "$rc" -eq 0 ]
check "no i386 architecture" eval '! asked "--add-architecture"'
check "never asks for wine32" eval '! asked "wine32"'
check "installs the rest" installed openbox:amd64

name=needed-package-cannot-be-installed
run_case $name runs64only 0 "g++-mingw-w64-i686-posix" "cmake g++-mingw-w64-i686-posix"
check "exit 1" [ "$rc" -eq 1 ]
check "names the package" said "cannot install g++-mingw-w64-i686-posix:"
check "shows apt's own error" said "E: Unable to correct problems, you have held broken packages."
check "still installs the others" installed cmake:amd64
check "names only that one at the end" said "failed: the tiers need g++-mingw-w64-i686-posix"

for kernel in runs32 runs64only; do
  name=everything-present-$kernel
  run_case $name $kernel 0 "" "none"
  check "exit 0" [ "$rc" -eq 0 ]
  check "prints nothing" [ -z "$out" ]
  check "never calls apt-get" [ ! -s "$FAKE/calls" ]
done

if [ "$failures" -ne 0 ]; then
  echo "install-deps.sh: $failures checks failed"
  exit 1
fi
echo "install-deps.sh: all cases as expected"
