#!/usr/bin/env bash
# What the magnifier costs while the screen is still: CPU time of the program, the Wine server and the
# X server together, over OCELLUS_STILL_SECONDS (default 10) after a warm-up, with the pointer resting
# over a still, detailed picture, and then with the pointer moving. Each figure is put next to a floor
# measured just before it: a minimal program with the same 2 ms timer that reads the same source area
# from the desktop DC once per tick and does nothing else.
#   scripts/bench-still.sh [build-folder]     (scripts/bench.sh runs it after the capture benchmark)
# OCELLUS_STILL_EXE: another Ocellus.exe to measure (an older build, for comparison);
# OCELLUS_STILL_ROUNDS: rounds over all rows (default 3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/winenv.sh
dir=$(realpath -m "${1:-build/$(winenv_preset)}")
if [ ! -x "$dir/bin/still_helper.exe" ]; then
  bash scripts/install-deps.sh
  cmake --preset "$(winenv_preset)" -B "$dir" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target Ocellus still_helper >/dev/null
fi
exe=$(realpath "${OCELLUS_STILL_EXE:-$dir/bin/Ocellus.exe}")
helper="$dir/bin/still_helper.exe"
seconds=${OCELLUS_STILL_SECONDS:-10}
rounds=${OCELLUS_STILL_ROUNDS:-3}
hz=$(getconf CLK_TCK)

state="$dir/wine-still"
trap winenv_stop EXIT
winenv_start "$state" headless
xvfb=${winenv_pids[0]}
# Fine detail everywhere: every pixel differs from its neighbours.
convert -size 1920x1080 xc:gray +noise Random "$state/detail.png"
display -window root "$state/detail.png" &
sleep 2
server=$(for p in $(pgrep -x 'wineserver(64)?'); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -n 1)

cpu_ticks() {  # user + system clock ticks of the given processes
  local total=0 p
  for p in "$@"; do
    [ -n "$p" ] && [ -r "/proc/$p/stat" ] && total=$((total + $(awk '{print $14 + $15}' "/proc/$p/stat")))
  done
  echo "$total"
}

# The pointer rests at (1200, 700), or circles around it every 20 ms while the run is measured.
move_pointer() {
  local i=0
  while :; do
    xdotool mousemove $((1200 + (i % 40) * 5 - 100)) $((700 + ((i / 40) % 2) * 60 - 30)) 2>/dev/null || true
    i=$((i + 1))
    sleep 0.02
  done
}

measure() {  # pointer (still|moving), then the command; prints the CPU share in percent of one core
  local pointer=$1 pid mover="" before after
  shift
  xdotool mousemove 1200 700
  "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 3  # start-up and first pictures
  [ "$pointer" = moving ] && { move_pointer & mover=$!; }
  before=$(cpu_ticks "$pid" "$server" "$xvfb")
  sleep "$seconds"
  after=$(cpu_ticks "$pid" "$server" "$xvfb")
  [ -n "$mover" ] && { kill "$mover"; wait "$mover" 2>/dev/null || true; }
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wine reg delete 'HKCU\SOFTWARE\Tarnwick' /f >/dev/null 2>&1 </dev/null || true
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * t / hz / s }'
}

magnifier() {  # zoom code, Interpolate, Invert, arrow, Enhance: runs the program with those settings
  local key='HKCU\SOFTWARE\Tarnwick\Ocellus' name value
  for name in Magnification:$1 Interpolate:$2 InvertColors:$3 Cursor:$4 Left:0 Top:0; do
    value=${name#*:}
    wine reg add "$key" /v "${name%%:*}" /t REG_SZ /d "$value" /f >/dev/null 2>&1 </dev/null
  done
  if [ "$5" = 1 ]; then
    (sleep 1.5; wine "$helper" click Enhance </dev/null >/dev/null 2>&1) &
  fi
  exec wine "$exe"
}

# name, zoom code, Interpolate, Invert, arrow, Enhance, source width x height of the design picture
rows=(
  "plain x3|6|0|0|0|0|190 118"
  "plain x1|2|0|0|0|0|572 356"
  "smoothed x3|6|1|0|0|0|190 118"
  "smoothed x1|2|1|0|0|0|572 356"
  "Enhance+Invert+cursor x3|6|0|1|1|1|190 118"
)
echo "program: $exe"
echo "CPU of program + wineserver + X server, % of one core over ${seconds} s, mean of $rounds rounds;" \
  "floor: a bare 2 ms timer reading the same area"
# Each row's floor is measured right before it, and the rows go round OCELLUS_STILL_ROUNDS times
# (default 3): the cost of a screen read here drifts by a third from one minute to the next, so a
# figure is the mean over the rounds and the ratio is that of the means.
declare -A program_sum=() floor_sum=()
for round in $(seq "$rounds"); do
  for pointer in still moving; do
    for row in "${rows[@]}"; do
      IFS='|' read -r name zoom interp invert arrow enhance area <<<"$row"
      floor=$(measure "$pointer" wine "$helper" floor $area)
      program=$(measure "$pointer" magnifier "$zoom" "$interp" "$invert" "$arrow" "$enhance")
      echo "round $round: $pointer $name: program $program %, floor $floor %" >&2
      floor_sum[$pointer/$name]=$(awk -v a="${floor_sum[$pointer/$name]:-0}" -v b="$floor" 'BEGIN { print a + b }')
      program_sum[$pointer/$name]=$(awk -v a="${program_sum[$pointer/$name]:-0}" -v b="$program" 'BEGIN { print a + b }')
    done
  done
done
for pointer in still moving; do
  printf '%-8s %-26s %8s %8s %7s\n' "$pointer" "row" "program" "floor" "ratio"
  for row in "${rows[@]}"; do
    name=${row%%|*}
    awk -v p="${program_sum[$pointer/$name]}" -v f="${floor_sum[$pointer/$name]}" -v n="$rounds" \
      -v pointer="$pointer" -v name="$name" \
      'BEGIN { printf "%-8s %-26s %7.1f%% %7.1f%% %6.2fx\n", pointer, name, p / n, f / n, (f > 0 ? p / f : 0) }'
  done
done
