# Sourced by the run, test and benchmark scripts: a private Wine prefix on a private virtual display.
#   winenv_start <state-dir> [headless]   exports WINEPREFIX, WINEARCH, WINEDEBUG (and DISPLAY when headless)
#   winenv_start <state-dir> headless-2mon right|left
#                                         the same on two monitors: a 1280x1024 primary and a 1024x768
#                                         second one at 1280,0 (right) or at -1024,0 (left)
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

# Cuts the display into the two monitors of headless-2mon. Wine reads them as Xinerama heads, through
# the loader's own libXinerama (install-deps.sh installs the 32-bit one beside the 32-bit loader).
winenv_two_monitors() {
  local primary=0 second=1280
  if [ "$1" = left ]; then primary=1024 second=0; fi
  xrandr --setmonitor '*MON1' "1280/339x1024/271+$primary+0" screen >/dev/null &&
    xrandr --setmonitor MON2 "1024/271x768/203+$second+0" none >/dev/null
}

winenv_start() {
  local state=$1 mode=${2:-headless} layout=${3:-}
  if [ "$mode" = headless-2mon ] && [ "$layout" != right ] && [ "$layout" != left ]; then
    echo "winenv_start: headless-2mon needs right or left" >&2
    return 1
  fi
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
  if [ "$mode" = headless ] || [ "$mode" = headless-2mon ]; then
    local n=90 screen=(-screen 0 1920x1080x24)
    # Without -noreset the server resets when its last client leaves, and the monitors go with it.
    [ "$mode" = headless-2mon ] && screen=(-screen 0 2304x1024x24 -noreset)
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" "${screen[@]}" -nolisten tcp >"$state/xvfb.log" 2>&1 &
    winenv_pids+=($!)
    export DISPLAY=":$n"
    local i
    for i in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    if [ "$mode" = headless-2mon ]; then winenv_two_monitors "$layout" || return 1; fi
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
  if [ "$mode" = headless-2mon ]; then
    # Wine's RandR path counts outputs (one here); the Xinerama heads are the monitors. The desktop
    # process reads this when it starts, so the prefix's server starts again below.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
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
