#!/usr/bin/env bash
# Runs every test tier: native rules (ASan/UBSan), Win32 tests and end-to-end tests under Wine.
# Installs what it needs first. Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1

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
    ctest --test-dir build/native -j "$jobs" --output-on-failure --timeout 120
}

fuzz() {  # a bounded run of the settings fuzzer; longer with scripts/fuzz.sh
  cmake --preset fuzz >/dev/null && cmake --build build/fuzz --target settings_fuzz >/dev/null &&
    build/fuzz/bin/settings_fuzz -max_total_time="${OCELLUS_FUZZ_SECONDS:-20}" -print_final_stats=0 2>&1 | tail -n 3
}

windows() {
  . scripts/winenv.sh
  local preset
  preset=$(winenv_preset)
  [ "$preset" = mingw-i686 ] || echo "(this machine runs no 32-bit code: the tests run the 64-bit build)"
  cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j "$jobs" || return 1
  winenv_start "$root/build/$preset/wine-test" headless
  # Each run starts from clean settings.
  wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null
  ctest --test-dir "build/$preset" -j 1 --output-on-failure --timeout 300
  local rc=$?
  winenv_stop
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

tier "native rules" native
tier "settings fuzzer" fuzz
tier "Win32 and end-to-end under Wine" windows
tier "portability builds" portability

echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $status
