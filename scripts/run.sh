#!/usr/bin/env bash
# Builds and runs the magnifier under Wine. With DISPLAY set it runs on that display until the window
# is closed. Without one it runs for a few seconds on a private virtual display over a colourful test
# picture, saves a screenshot of the running window and prints the file's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
. scripts/winenv.sh
preset=$(winenv_preset)  # the 32-bit program, or the 64-bit one where this machine runs no 32-bit code
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" --target Ocellus >/dev/null
exe="$root/build/$preset/bin/Ocellus.exe"

if [ -n "${DISPLAY:-}" ]; then
  trap winenv_stop EXIT
  winenv_start "${XDG_STATE_HOME:-$HOME/.local/state}/ocellus-wine" user
  wine "$exe"
  exit 0
fi

state="$root/build/$preset/wine-run"
trap winenv_stop EXIT
winenv_start "$state" headless
# A test picture on the desktop: colour bars, a gradient and fine text to magnify.
convert -size 1920x1080 gradient:'#203060-#f0e0c0' \
  \( -size 1920x120 xc:red xc:orange xc:yellow xc:lime xc:cyan xc:blue xc:magenta -append -resize 1920x120! \) \
  -geometry +0+0 -composite \
  -fill black -pointsize 11 -annotate +700+520 'Ocellus magnifies the screen around the pointer' \
  -fill white -draw 'rectangle 940,560 980,600' -fill '#1e5aa8' -draw 'circle 1000,560 1000,540' \
  "$state/desktop.png"
display -window root "$state/desktop.png" &
sleep 1
xdotool mousemove 960 540
wine "$exe" &
app=$!
for _ in $(seq 50); do xdotool search --name '^Ocellus$' >/dev/null 2>&1 && break; sleep 0.2; done
sleep 3
shot="$root/build/ocellus-screenshot.png"
win=$(xdotool search --onlyvisible --name '^Ocellus$' | tail -n 1 || true)
import -window root "$shot"
if [ -n "$win" ]; then
  # Crop to the window with its frame.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  convert "$shot" -crop "$((WIDTH + 8))x$((HEIGHT + 40))+$((X > 4 ? X - 4 : 0))+$((Y > 30 ? Y - 30 : 0))" +repage "$shot"
fi
# Close it as a user would, so it saves its settings and ends by itself.
xdotool key --window "${win:-0}" Escape >/dev/null 2>&1 || true
for _ in $(seq 25); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
kill "$app" 2>/dev/null || true
echo "$shot"
