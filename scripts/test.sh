#!/usr/bin/env bash
# Runs every test tier: native rules (ASan/UBSan), Win32 tests and end-to-end tests under Wine,
# portability builds, and the release zip (reproducible, complete, starts under Wine).
# Installs what it needs first. Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1
. scripts/winenv.sh

status=0
summary=()
jobs=$(nproc)

tier() {  # name, then the command
  local name=$1; shift
  echo "=== $name"
  if "$@"; then summary+=("$name: ok"); else summary+=("$name: FAILED"); status=1; fi
}

native() {
  cmake --preset native >/dev/null && cmake --build build/native -j "$jobs" &&
    scripts/ctest_skips.py --test-dir build/native -j "$jobs" --output-on-failure --timeout 120
}

fuzz() {  # a bounded run of the settings fuzzer; longer with scripts/fuzz.sh
  cmake --preset fuzz >/dev/null && cmake --build build/fuzz --target settings_fuzz >/dev/null &&
    build/fuzz/bin/settings_fuzz -max_total_time="${OCELLUS_FUZZ_SECONDS:-20}" -print_final_stats=0 2>&1 | tail -n 3
}

setup_script() {  # the install script itself, against stand-in package tools
  bash tests/scripts/install_deps_test.sh
}

windows() {
  local preset
  preset=$(winenv_preset)
  echo "(the Wine tiers run $(winenv_which))"
  cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j "$jobs" || return 1
  winenv_start "$root/build/$preset/wine-test" headless
  # Each run starts from clean settings.
  wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null
  scripts/ctest_skips.py --test-dir "build/$preset" -j 1 --output-on-failure --timeout 300
  local rc=$?
  winenv_stop
  return $rc
}

two_monitors() {  # the multi-monitor end-to-end tests, the second monitor right of the primary, then left of it;
  # OCELLUS_MONITORS makes them fail, not skip, should the system see one monitor
  local preset layout rc=0
  preset=$(winenv_preset)
  cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j "$jobs" --target Ocellus e2e_tests || return 1
  for layout in right left; do
    echo "(second monitor on the $layout)"
    winenv_start "$root/build/$preset/wine-test-2mon" headless-2mon "$layout" &&
      OCELLUS_MONITORS=2 scripts/ctest_skips.py --test-dir "build/$preset" -R '^e2e\.E2eTwoMonitors\.' \
        --no-tests=error -j 1 --output-on-failure --timeout 300 || rc=1
    winenv_stop
  done
  return $rc
}

warning_free_build() {  # preset: builds the program; any compiler warning fails it
  local log
  log=$(mktemp)
  cmake --preset "$1" >/dev/null && cmake --build "build/$1" -j "$jobs" --target Ocellus >"$log" 2>&1
  local rc=$?
  if [ $rc -ne 0 ] || grep -q 'warning:' "$log"; then
    grep -E 'warning:|error:' "$log" | head -n 40
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

portability() {  # the same sources as a 64-bit program, and built by a second compiler
  warning_free_build mingw-x86_64 && echo "64-bit build: ok" &&
    warning_free_build clang-i686 && echo "clang build: ok"
}

release() {  # the zip a Windows user downloads: reproducible, complete, and it starts
  local dir="$root/build/release-test" version
  version=$(sed -n 's/^project(Ocellus VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  rm -rf "$dir" && mkdir -p "$dir/a" "$dir/copy-b" || return 1
  # Two copies of this tree (with .git, for the commit date) taken at once, in folders of different
  # names and depths: any build path, time stamp or unordered step that reaches the bytes shows.
  tar -C "$root" --exclude=./build --exclude=./dist -cf "$dir/tree.tar" . &&
    tar -C "$dir/a" -xf "$dir/tree.tar" && tar -C "$dir/copy-b" -xf "$dir/tree.tar" || return 1
  # A: scripts/release.sh as a user runs it (both programs); B: the 32-bit program only.
  bash "$dir/a/scripts/release.sh" >"$dir/a.log" 2>&1 || { tail -n 30 "$dir/a.log"; return 1; }
  bash "$dir/copy-b/scripts/release.sh" --win32-only >"$dir/b.log" 2>&1 || { tail -n 30 "$dir/b.log"; return 1; }
  grep -E '^(== release|sha256)' "$dir/a.log"
  local zip="dist/Ocellus-$version-win32.zip"
  cmp "$dir/a/build/release/bin/Ocellus.exe" "$dir/copy-b/build/release/bin/Ocellus.exe" &&
    cmp "$dir/a/$zip" "$dir/copy-b/$zip" &&
    (cd "$dir/a/dist" && sha256sum --quiet -c SHA256SUMS) || return 1
  echo "release check: two builds in different folders: identical program and zip"
  local arch
  for arch in win32 win64; do
    python3 scripts/release_check.py "$dir/a/dist/Ocellus-$version-$arch.zip" "$version" "$dir/unpacked-$arch" \
      "$dir/a" "$dir/copy-b" || return 1
  done
  # Under Wine, the program from the zip: its version resource and its window. Where this machine runs
  # no 32-bit code (see winenv.sh), the 64-bit program from the win64 zip, as in the other Wine tiers.
  local cxx=i686-w64-mingw32-g++-posix
  arch=win32
  if ! winenv_runs_32bit; then
    echo "(this machine runs no 32-bit code: the 64-bit program from the win64 zip is started)"
    cxx=x86_64-w64-mingw32-g++-posix arch=win64
  fi
  "$cxx" -std=c++20 -O1 -Wall -Wextra -municode -static -s -o "$dir/release_check.exe" scripts/release_check.cpp \
    -lversion || return 1
  winenv_start "$dir/wine" headless
  (cd "$dir/unpacked-$arch" && wine "$dir/release_check.exe" Ocellus.exe "$version.0" Ocellus </dev/null)
  local rc=$?
  winenv_stop
  return $rc
}

tier "setup script" setup_script
tier "native rules" native
tier "settings fuzzer" fuzz
tier "Win32 and end-to-end under Wine" windows
tier "end-to-end on two monitors under Wine" two_monitors
tier "portability builds" portability
tier "release" release

echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "Wine tiers ran $(winenv_which)"
scripts/ctest_skips.py --list
exit $status
