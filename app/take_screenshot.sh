#!/usr/bin/env bash
# Takes the README screenshot: runs the real program on a virtual X screen,
# types a search as a user would, clicks "Szukaj" and grabs the screen.
#
# Usage: app/take_screenshot.sh <bin folder with spisotek, data and pictures> <out.png>
# Needs xvfb-run, xdotool and ImageMagick's import (scripts/bootstrap).
set -euo pipefail

bin=$(cd "$1" && pwd)
out=$(realpath -m "$2")
[ -x "$bin/spisotek" ] || { echo "no spisotek in $bin" >&2; exit 1; }

if [ -z "${SPISOTEK_IN_XVFB:-}" ]; then
  exec env SPISOTEK_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

cd "$bin"
./spisotek &
app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT

# The window has no manager here, so it sits at its design position.
xdotool search --sync --name "Książka telefoniczna TVK Zorvan" >/dev/null
sleep 1
left=154
top=74
click() { xdotool mousemove $((left + $1)) $((top + $2)) click 1; }

# Subscriber page: a surname with the locality already shown, then "Szukaj".
click $((650 + 20)) $((97 + 24 + 255 + 10))
xdotool type --delay 40 "nowak"
click $((650 + 37)) $((97 + 24 + 385 + 11))
sleep 2
import -window root -crop "831x559+${left}+${top}" +repage "$out"
echo "screenshot: $out"
