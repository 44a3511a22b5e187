#!/usr/bin/env bash
# CMake's emulator for the Windows test programs: runs one under Wine.
# The test script prepares the prefix and display; run on its own, this only needs WINEPREFIX and DISPLAY set.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-exec.sh: run the tests through scripts/test.sh (no Wine prefix or display set)" >&2
  exit 2
fi
exec wine "$@"
