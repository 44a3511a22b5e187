#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their tables: the pixel routines natively, then the capture
# path, the capture rate and the start-up under Wine on a private virtual display, then what the program
# costs over a still screen (scripts/bench-still.sh).
#   scripts/bench.sh
# OCELLUS_BENCH_DIR: the Windows build folder (default build/<preset this machine's Wine runs>);
# OCELLUS_BENCH_RUNS: runs per figure of the Windows benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc)

build() {  # preset, folder, targets...: quiet unless it fails
  local preset=$1 dir=$2 log
  shift 2
  log=$(mktemp)
  if ! { cmake --preset "$preset" -B "$dir" && cmake --build "$dir" -j "$jobs" "$@"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    rm -f "$log"
    echo "bench.sh: building $preset failed" >&2
    exit 1
  fi
  rm -f "$log"
}

echo "=== pixel routines, native"
build native-release "$root/build/native-release"
if [ -x build/native-release/bin/bench_native ]; then
  build/native-release/bin/bench_native
else
  echo "(no native benchmark: Google Benchmark or bench/native sources missing)"
fi

echo "=== capture path under Wine"
. scripts/winenv.sh
preset=$(winenv_preset)
dir=$(realpath -m "${OCELLUS_BENCH_DIR:-build/$preset}")
build "$preset" "$dir" --target bench_win Ocellus still_helper
trap winenv_stop EXIT
winenv_start "$dir/wine-bench" headless
# The benchmark puts back the settings it finds; a clean start makes runs comparable.
wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null || true
wine "$dir/bin/bench_win.exe" </dev/null
winenv_stop

echo "=== still screen under Wine"
bash scripts/bench-still.sh "$dir"
