#!/usr/bin/env bash
# Runs the settings fuzzer (native clang, libFuzzer) for OCELLUS_FUZZ_SECONDS (default 600).
#   scripts/fuzz.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target settings_fuzz >/dev/null
mkdir -p build/fuzz/corpus
build/fuzz/bin/settings_fuzz -max_total_time="${OCELLUS_FUZZ_SECONDS:-600}" build/fuzz/corpus
