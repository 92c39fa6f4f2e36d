#!/bin/sh
# Opens the two-button box of ui-gallery in a real window and clicks its first
# button ("Yes") where the box puts it; the box must report 1629. With a toolkit
# scale (second argument) the box keeps its layout at that many times the size. With
# "font" as the third argument the scale is not the toolkit's: the screen's font
# resolution is that many times 96 DPI (the server must run with -noreset to keep it).
set -eu
gallery="$1"
scale="${2:-1}"
if [ "${3:-}" = font ]; then
  unset GDK_SCALE
  printf 'Xft.dpi:\t%d\n' $((96 * scale)) | xrdb -nocpp -merge
else
  export GDK_SCALE="$scale"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" CORVEX_SYSROOT="$work"
unset XDG_CONFIG_HOME XDG_DATA_HOME || true

"$gallery" --ask >"$work/out" 2>"$work/err" &
pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no window appeared" >&2
  cat "$work/err" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
if [ "$WIDTH" -ne $((420 * scale)) ] || [ "$HEIGHT" -ne $((210 * scale)) ]; then
  echo "the box is ${WIDTH}x${HEIGHT}, not 420x210 times $scale" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
# The first button of a two-button box spans (200, 167)-(300, 199) at 96 DPI.
xdotool mousemove $((X + 250 * scale)) $((Y + 183 * scale))
sleep 0.2
xdotool click 1

status=0
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the box did not close" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
wait "$pid" || status=$?
cat "$work/out"
[ "$status" -eq 0 ] && grep -qx "AskQuestion 1629" "$work/out"
