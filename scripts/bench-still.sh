#!/usr/bin/env bash
# What the magnifier costs while the screen is still: CPU time of the program, the Wine server and the
# X server together, over OCELLUS_STILL_SECONDS (default 10) after a warm-up, with the pointer resting
# over a still, detailed picture, and then with the pointer moving; on one monitor and then with the
# pointer on the second of two. Each figure is put next to a floor measured just before it:
#   still   a minimal program with the same 2 ms timer that reads the same source area from the desktop
#           DC once per tick and does nothing else;
#   moving  the same read, then stretched onto a 572 x 356 window: the least any magnifier does.
# The ratio is the program's CPU over its floor's; the goals are 1.30x still and 1.25x moving.
#   scripts/bench-still.sh [build-folder]     (scripts/bench.sh runs it after the capture benchmark)
# OCELLUS_STILL_EXE: another Ocellus.exe to measure; OCELLUS_STILL_BEFORE: an older one, measured beside
# it against the same floor, for a before-and-after table from one run;
# OCELLUS_STILL_ROUNDS: rounds over all rows (default 3); OCELLUS_STILL_ROWS: an extended regular
# expression, only the rows whose pointer and name match it ("moving plain x3", "^still ").
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
older=${OCELLUS_STILL_BEFORE:+$(realpath "$OCELLUS_STILL_BEFORE")}
helper="$dir/bin/still_helper.exe"
seconds=${OCELLUS_STILL_SECONDS:-10}
rounds=${OCELLUS_STILL_ROUNDS:-3}
hz=$(getconf CLK_TCK)

state="$dir/wine-still"
xvfb="" server=""
trap winenv_stop EXIT

# A private display of one monitor (1920x1080) or two (headless-2mon, the second on the right), filled
# with fine detail everywhere: every pixel differs from its neighbours.
start_display() {
  [ -n "${WINEPREFIX:-}" ] && winenv_stop
  if [ "$1" = 1 ]; then winenv_start "$state/one" headless; else winenv_start "$state/two" headless-2mon right; fi
  xvfb=${winenv_pids[0]}
  convert -size "$(xdpyinfo | awk '/dimensions:/ { print $2 }')" xc:gray +noise Random "$state/detail.png"
  display -window root "$state/detail.png" &
  sleep 2
  server=$(for p in $(pgrep -x 'wineserver(64)?'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -n 1) || true
  # The first programs on a new display start the prefix's services: not part of any row.
  timeout 5 wine "$helper" floor 190 118 </dev/null >/dev/null 2>&1 || true
}

cpu_ticks() {  # user + system clock ticks of the given processes
  local total=0 p
  for p in "$@"; do
    [ -n "$p" ] && [ -r "/proc/$p/stat" ] && total=$((total + $(awk '{print $14 + $15}' "/proc/$p/stat")))
  done
  echo "$total"
}

# The pointer rests at (px, py), or circles around it every 20 ms while the run is measured.
px=1200 py=700
move_pointer() {
  local i=0
  while :; do
    xdotool mousemove $((px + (i % 40) * 5 - 100)) $((py + ((i / 40) % 2) * 60 - 30)) 2>/dev/null || true
    i=$((i + 1))
    sleep 0.02
  done
}

measure() {  # pointer (still|moving), then the command; prints the CPU share in percent of one core
  local pointer=$1 pid mover="" before after
  shift
  xdotool mousemove "$px" "$py"
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

magnifier() {  # program, zoom code, Interpolate, Invert, arrow, Enhance: runs it with those settings
  local program=$1 key='HKCU\SOFTWARE\Tarnwick\Ocellus' name value
  shift
  for name in Magnification:$1 Interpolate:$2 InvertColors:$3 Cursor:$4 Left:0 Top:0; do
    value=${name#*:}
    wine reg add "$key" /v "${name%%:*}" /t REG_SZ /d "$value" /f >/dev/null 2>&1 </dev/null
  done
  if [ "$5" = 1 ]; then
    (sleep 1.5; wine "$helper" click Enhance </dev/null >/dev/null 2>&1) &
  fi
  exec wine "$program"
}

# monitors (1|2), pointer, name, zoom code, Interpolate, Invert, arrow, Enhance. With two monitors the
# pointer is on the second one.
rows=(
  "1|still|plain x3|6|0|0|0|0"
  "1|still|plain x1|2|0|0|0|0"
  "1|still|smoothed x3|6|1|0|0|0"
  "1|still|smoothed x1|2|1|0|0|0"
  "1|still|Invert x3|6|0|1|0|0"
  "1|still|Enhance x3|6|0|0|0|1"
  "1|still|arrow x3|6|0|0|1|0"
  "1|still|Enhance+Invert+arrow x3|6|0|1|1|1"
  "1|still|every option x3|6|1|1|1|1"
  "1|still|every option x1|2|1|1|1|1"
  "1|moving|plain x3|6|0|0|0|0"
  "1|moving|plain x1|2|0|0|0|0"
  "1|moving|Enhance+Invert+arrow x3|6|0|1|1|1"
  "2|still|plain x3, second monitor|6|0|0|0|0"
  "2|moving|plain x3, second monitor|6|0|0|0|0"
)
if [ -n "${OCELLUS_STILL_ROWS:-}" ]; then
  chosen=()
  for row in "${rows[@]}"; do
    IFS='|' read -r _ pointer name _ <<<"$row"
    if grep -Eq -- "$OCELLUS_STILL_ROWS" <<<"$pointer $name"; then chosen+=("$row"); fi
  done
  [ ${#chosen[@]} -gt 0 ] || { echo "no row matches $OCELLUS_STILL_ROWS" >&2; exit 2; }
  rows=("${chosen[@]}")
fi
echo "program: $exe"
echo "CPU of program + wineserver + X server, % of one core over ${seconds} s, mean of $rounds rounds;" \
  "floor: still, a bare 2 ms timer reading the same area; moving, that read stretched onto a 572x356 window"
# Each row's floor is measured right before it, and the rows go round OCELLUS_STILL_ROUNDS times
# (default 3): the cost of a screen read here drifts by a third from one minute to the next, so a
# figure is the mean over the rounds and the ratio is that of the means.
declare -A program_sum=() floor_sum=() older_sum=()
add() {  # table, key, value
  local -n table=$1
  table[$2]=$(awk -v a="${table[$2]:-0}" -v b="$3" 'BEGIN { print a + b }')
}
for round in $(seq "$rounds"); do
  for monitors in 1 2; do
    printf '%s\n' "${rows[@]}" | grep -q "^$monitors|" || continue
    start_display "$monitors"
    if [ "$monitors" = 1 ]; then px=1200 py=700; else px=1800 py=400; fi
    for row in "${rows[@]}"; do
      IFS='|' read -r mons pointer name zoom interp invert arrow enhance <<<"$row"
      [ "$mons" = "$monitors" ] || continue
      area="190 118"
      [ "$zoom" = 2 ] && area="572 356"
      kind=floor
      [ "$pointer" = moving ] && kind=bare
      floor=$(measure "$pointer" wine "$helper" "$kind" $area)
      program=$(measure "$pointer" magnifier "$exe" "$zoom" "$interp" "$invert" "$arrow" "$enhance")
      echo "round $round: $pointer $name: program $program %, $kind $floor %" >&2
      add floor_sum "$pointer/$name" "$floor"
      add program_sum "$pointer/$name" "$program"
      if [ -n "$older" ]; then
        before=$(measure "$pointer" magnifier "$older" "$zoom" "$interp" "$invert" "$arrow" "$enhance")
        echo "round $round: $pointer $name: before $before %" >&2
        add older_sum "$pointer/$name" "$before"
      fi
    done
  done
done
printf '%-8s %-34s %8s %7s %8s %8s %7s %6s\n' "pointer" "row" "before" "ratio" "program" "floor" "ratio" "goal"
for row in "${rows[@]}"; do
  IFS='|' read -r mons pointer name _ <<<"$row"
  goal=1.30
  [ "$pointer" = moving ] && goal=1.25
  awk -v p="${program_sum[$pointer/$name]}" -v f="${floor_sum[$pointer/$name]}" -v n="$rounds" \
    -v o="${older_sum[$pointer/$name]:-}" -v pointer="$pointer" -v name="$name" -v goal="$goal" \
    'BEGIN { r = f > 0 ? p / f : 0
             older = o == "" ? sprintf("%8s %7s", "-", "-") : sprintf("%7.1f%% %6.2fx", o / n, f > 0 ? o / f : 0)
             printf "%-8s %-34s %s %7.1f%% %7.1f%% %6.2fx %5.2fx %s\n", pointer, name, older, p / n, f / n, r,
                    goal, (r <= goal ? "ok" : "missed") }'
done
