#!/bin/sh
# Takes screenshots of the gallery's windows on a private virtual screen:
#   tools/ui-gallery/screenshots.sh <ui-gallery binary> <output folder>
# Needs xvfb-run, xdotool and imagemagick's import; a compositing manager
# (xcompmgr) is used when installed, so that the drop shadow shows.
set -eu
if [ "${INNER:-}" != 1 ]; then
  exec env INNER=1 xvfb-run -a -s "-screen 0 1280x800x24" sh "$0" "$@"
fi
gallery="$1"
out="$2"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" CORVEX_SYSROOT="$work"

compositor=""
if command -v xcompmgr >/dev/null 2>&1; then
  xcompmgr >/dev/null 2>&1 &
  compositor=$!
  sleep 0.5
fi

shoot() {  # name, gallery mode, keys that close it
  "$gallery" $2 >/dev/null 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 0.8
  if [ -n "$window" ]; then
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "$((WIDTH + 80))x$((HEIGHT + 80))+$((X - 40))+$((Y - 40))" "$out/$1.png"
    echo "$out/$1.png"
  fi
  xdotool key $3 >/dev/null 2>&1 || true
  sleep 0.5
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

shoot message-box-one-button --message Escape
shoot message-box-two-buttons --ask Escape
shoot controls "" Escape
shoot native-pieces --natives Escape
[ -n "$compositor" ] && kill "$compositor" 2>/dev/null || true
