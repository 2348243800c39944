#!/usr/bin/env bash
# End to end on a private X server, under openbox and fluxbox: the main window maps with its
# content, and Right pressed in it moves to the next tab (read back from the "lastTab" setting),
# Left moves back. Never touches the user's display. Usage: main_window.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: main_window.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

# Each window manager on a desktop of its own.
if [ -z "${MAIN_WINDOW_WM:-}" ]; then
  status=0
  for wm in openbox fluxbox; do
    echo "--- under $wm"
    MAIN_WINDOW_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
require_tools xdotool "$MAIN_WINDOW_WM"
start_private_desktop "$MAIN_WINDOW_WM"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

defaults="$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
last_tab_is() { grep -q "\"lastTab\":{\"type\":\"string\",\"value\":\"$1\"}" "$defaults" 2>/dev/null; }

"$program" >"$work/tilewick.log" 2>&1 &
pids+=($!)
await main_window || { fail "no mapped window with the role \"main\""; exit 1; }
main="$(main_window)"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || xdotool windowfocus --sync "$main" || true
# The tab shown at start comes from the last run: none here, so the first tab. XTest keys reach
# the focused window as a person's would.
xdotool key Right
await last_tab_is halves || fail "Right did not move to the next tab: $(grep -o '"lastTab":[^}]*}' "$defaults" || echo no lastTab)"
xdotool key Right
await last_tab_is twoThirds || fail "a second Right did not move on to the two-thirds tab"
xdotool key Left
await last_tab_is halves || fail "Left did not move back"
# A picture of the desktop to look at, when asked for.
if [ -n "${MAIN_WINDOW_SCREENSHOT:-}" ]; then
  "$app_dir/../e2e/desktop_screenshot" "$MAIN_WINDOW_SCREENSHOT-$MAIN_WINDOW_WM.png" || true
fi
exit "$status"
