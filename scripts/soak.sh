#!/usr/bin/env bash
# The long soak: 100,000 captures (or OCELLUS_SOAK_CAPTURES) through every zoom step, both paths,
# Enhance/Invert/arrow on and off and several window sizes, printing object counts and private
# memory before and after. Runs under Wine on a private virtual display.
#   scripts/soak.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
. scripts/winenv.sh
dir=$(realpath -m "${OCELLUS_SOAK_DIR:-build/$(winenv_preset)}")
cmake --preset "$(winenv_preset)" -B "$dir" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target win_tests >/dev/null
trap winenv_stop EXIT
winenv_start "$dir/wine-soak" headless
wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null || true
OCELLUS_SOAK_CAPTURES=${OCELLUS_SOAK_CAPTURES:-100000} WINEDEBUG=-all \
  wine "$dir/bin/win_tests.exe" --gtest_filter='SoakTest.*' </dev/null
