#!/usr/bin/env bash
# End to end on a private X server, under openbox with a tray (trayer) and under icewm with its
# own: "Tilewick Manual" in the tray menu opens the manual window (760 × 760, its search field
# focused), typing a query shows the result cards, Return jumps to the first result and lights it
# up, and "About Tilewick" opens the About panel. The colours are read from the window itself.
# Never touches the user's display. Usage: manual_window.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: manual_window.sh <build>/Tilewick.app}"

# Each window manager on a desktop of its own.
if [ -z "${MANUAL_WINDOW_WM:-}" ]; then
  status=0
  for wm in openbox icewm; do
    echo "--- under $wm"
    MANUAL_WINDOW_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
find_program_and_driver "$app_dir" window_colours
colours="$driver"
require_tools trayer xdotool "$MANUAL_WINDOW_WM"
start_private_desktop "$MANUAL_WINDOW_WM"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

if [ "$MANUAL_WINDOW_WM" = openbox ]; then
  start_tray
fi

# Whether the colour r,g,b shows on the manual's vertical line at x = 700 below its header.
shows() {
  "$colours" "$manual" 700 110 740 | grep -qx "$1"
}
card=255,255,255   # a result card
wash=241,236,254   # a flashed topic

"$program" >"$work/tilewick.log" 2>&1 &
pids+=($!)
await window_with_role main || fail "no main window"
await docked_icon || { fail "no tray icon docked"; exit 1; }

# "Open Tilewick…", the four switches, then "Tilewick Manual".
tray_menu Down Down Down Down Down Down Return
await window_with_role manual || { fail "\"Tilewick Manual\" in the tray menu opened no manual window"; exit 1; }
manual="$(window_with_role manual)"
xprop -id "$manual" _NET_WM_NAME | grep -q '= "Tilewick Manual"' || fail "manual title: $(xprop -id "$manual" _NET_WM_NAME)"
size="$(xwininfo -id "$manual" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')"
[ "$size" = "760x760" ] || fail "manual window size $size, not 760x760"
sleep 0.5
shows "$card" && fail "the manual shows result cards before a search"

# The search field has the focus as the window comes up: typing goes there.
xdotool type --delay 40 "undo"
await shows "$card" || fail "typing a query showed no result cards"
xdotool key Return
# The first result ("Other hotkeys") scrolls up and is lit for 1.4 s.
for _ in $(seq 12); do shows "$wash" && break; sleep 0.1; done
shows "$wash" || fail "Return did not jump to the first result and light it up"
shows "$card" && fail "the result cards stayed after Return"
# A picture of the desktop to look at, when asked for.
if [ -n "${MANUAL_WINDOW_SCREENSHOT:-}" ]; then
  "$(dirname "$colours")/desktop_screenshot" "$MANUAL_WINDOW_SCREENSHOT-$MANUAL_WINDOW_WM.png" || true
fi

# "About Tilewick" comes just before "Quit Tilewick" at the end of the tray menu.
tray_menu Up Up Return
await window_with_role about || fail "\"About Tilewick\" in the tray menu opened no About panel"

# The main window's "Tilewick" menu: from its end, Quit, Reset Hotkeys to Defaults…, the four
# switches, then "Changelog".
main="$(window_with_role main)"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool mousemove --window "$main" 25 10 click 1
sleep 0.4
xdotool key --delay 60 Up Up Up Up Up Up Up Return
await window_with_role changelog || fail "\"Changelog\" in the application menu opened no changelog window"
if changelog="$(window_with_role changelog)"; then
  xprop -id "$changelog" _NET_WM_NAME | grep -q '= "Tilewick Changelog"' || fail "changelog title: $(xprop -id "$changelog" _NET_WM_NAME)"
  # The day titles and the lines stand on the page in the text colour.
  "$colours" "$changelog" 40 20 400 | grep -qx 28,28,40 || fail "the changelog shows no text"
fi
exit "$status"
