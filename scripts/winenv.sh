# Sourced by the run, test and benchmark scripts: a private Wine prefix on a private virtual display.
#   winenv_start <state-dir> [headless]   exports WINEPREFIX, WINEARCH, WINEDEBUG (and DISPLAY when headless)
#   winenv_stop                           ends what winenv_start started
#   winenv_preset                         the CMake preset whose programs this machine's Wine runs
#   winenv_which                          which program that is (32- or 64-bit) and why
# Safe under set -e: a first start's setup steps may report failure on their own.
# With "headless" a private Xvfb and window manager are started; without it the caller's DISPLAY is used.

winenv_pids=()

# Some virtual machines run 64-bit user code only (a 32-bit execve fails with ENOEXEC). There the
# same sources are tested as a 64-bit program under Wine's 64-bit loader and a 64-bit prefix.
winenv_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

winenv_preset() {
  if winenv_runs_32bit; then echo mingw-i686; else echo mingw-x86_64-wine; fi
}

winenv_which() {
  if winenv_runs_32bit; then
    echo "the 32-bit program (this machine runs 32-bit code and has Wine's 32-bit loader)"
  elif (. "$(dirname "${BASH_SOURCE[0]}")/runs-32bit.sh" && runs_32bit_code); then
    echo "the 64-bit program (wine32:i386, Wine's 32-bit loader, is not installed)"
  else
    echo "the 64-bit program (this kernel runs no 32-bit code)"
  fi
}

winenv_start() {
  local state=$1 mode=${2:-headless}
  mkdir -p "$state"
  export WINEPREFIX="$state/prefix" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
  if ! winenv_runs_32bit; then
    # Debian's wine and wineboot commands pick the 32-bit loader whenever it is installed.
    mkdir -p "$state/bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$state/bin/wine"
    chmod +x "$state/bin/wine"
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 PATH="$state/bin:$PATH"
  fi
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ "$mode" = headless ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    winenv_pids+=($!)
    export DISPLAY=":$n"
    local i
    for i in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    # Without a window manager every hide or destroy of a visible window stalls for seconds.
    openbox --sm-disable >"$state/openbox.log" 2>&1 &
    winenv_pids+=($!)
  fi
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"
    wine wineboot -i >"$state/wineboot.log" 2>&1 || true
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null || true
    touch "$WINEPREFIX/.ready"
  fi
  # A persistent server, started outside any pipe a test runner waits on.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine reg query 'HKCU\Software\Wine\WineDbg' >/dev/null 2>&1 </dev/null || true
}

winenv_stop() {
  wineserver -k >/dev/null 2>&1 || true
  local p
  for p in "${winenv_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${winenv_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  winenv_pids=()
}
