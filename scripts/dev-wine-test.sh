#!/usr/bin/env bash
# For development: builds the Windows targets into a build folder of your own and runs the Win32
# and end-to-end tests matching a ctest regex under a private Wine prefix and virtual display.
#   scripts/dev-wine-test.sh build/mine 'win\.Clipboard'
# CTEST_ARGS adds options to ctest, such as -V to see the output of passing tests. MONITORS=right or
# MONITORS=left runs them on two monitors instead, the second one right or left of the primary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:?build folder}")
regex=${2:-.}
cd "$root"
. scripts/winenv.sh
cmake --preset "$(winenv_preset)" -B "$dir" >/dev/null && cmake --build "$dir" -j 2 || exit 1
if [ -n "${MONITORS:-}" ]; then
  export OCELLUS_MONITORS=2
  winenv_start "$dir/wine-test-2mon" headless-2mon "$MONITORS" || { winenv_stop; exit 1; }
else
  winenv_start "$dir/wine-test" headless
fi
wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null
scripts/ctest_skips.py --test-dir "$dir" -R "$regex" --output-on-failure --timeout 300 ${CTEST_ARGS:-}
rc=$?
winenv_stop
exit $rc
