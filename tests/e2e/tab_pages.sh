#!/usr/bin/env bash
# End to end on a private X server, under openbox and fluxbox: the real program's tab pages edit
# hotkeys with the pointer. On the Global page a click on the Centre card and F5 make F5 Centre's
# key, a click on the card that records and then beside it ends the recording without a key, and
# the modifier panel takes Control+Shift until Escape; on the halves page a click on the left
# half's card and F6 rebind it. Everything is read back from the saved settings.
# Usage: tab_pages.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: tab_pages.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"

# Each window manager on a desktop of its own.
if [ -z "${TAB_PAGES_WM:-}" ]; then
  status=0
  for wm in openbox fluxbox; do
    echo "--- under $wm"
    TAB_PAGES_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
find_program_and_driver "$app_dir" tab_page_points
points_tool="$driver"
require_tools xdotool "$TAB_PAGES_WM"
start_private_desktop "$TAB_PAGES_WM"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

defaults="$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
# The saved value of a setting, as the settings file holds it.
setting() { grep -o "\"$1\":{[^}]*}" "$defaults" 2>/dev/null || true; }
# The bindings are JSON saved as data (Base64): Centre's entry holds "centre":{"keyCode":96,...}.
bindings() {
  grep -o '"bindings":{"type":"data","value":"[^"]*"' "$defaults" 2>/dev/null | sed 's/.*"value":"//; s/"$//' |
    base64 -d 2>/dev/null || true
}
binding_key_is() { bindings | grep -q "\"$1\":{\"keyCode\":$2,"; }

start_tilewick
main="$(xprop -root _NET_ACTIVE_WINDOW | awk '{ print $NF }')"
# Where the page's parts are, from the window as it shows now.
points() {
  "$points_tool" "$main" "$1" "$app_dir" >"$work/points" || { fail "no points of the $1 page"; return 1; }
}
click_on() {
  local at
  at="$(awk -v n="$1" '$1 == n { print $2, $3 }' "$work/points")"
  [ -n "$at" ] || { fail "no $1 on the page"; return 1; }
  # shellcheck disable=SC2086
  xdotool mousemove --window "$main" $at click 1
}

# The Global page: F5 (key code 96) becomes Centre's key.
await test -s "$defaults" || fail "no settings written at start"
points global
click_on centre
sleep 0.3
xdotool key F5
await binding_key_is centre 96 || fail "F5 did not become Centre's key: $(bindings | grep -o '"centre":{[^}]*}')"

# The card that records, clicked again, then a click beside it: the recording ends, F7 binds nothing.
click_on centre
sleep 0.3
click_on centre
sleep 0.3
click_on title
sleep 0.3
xdotool key F7
sleep 0.5
binding_key_is centre 96 || fail "a click outside the recording card did not end the recording"
bindings | grep -q '"keyCode":98,' && fail "F7 was recorded after the recording ended"

# The modifier panel: Control with Shift become the modifiers; Escape ends the edit.
click_on modifierPanel
sleep 0.3
xdotool keydown ctrl
sleep 0.1
xdotool keydown shift
sleep 0.1
xdotool keyup shift keyup ctrl
sleep 0.2
xdotool key Escape
await sh -c "grep -q '\"modifiers\":{\"type\":\"uint64\",\"value\":\"393216\"}' '$defaults'" ||
  fail "the modifiers are not Control+Shift: $(setting modifiers)"

# The halves page, shown by its tab key: F6 (key code 97) becomes the left half's key.
xdotool key Right
await sh -c "grep -q '\"lastTab\":{\"type\":\"string\",\"value\":\"halves\"}' '$defaults'" ||
  fail "Right did not show the halves page: $(setting lastTab)"
sleep 0.3
points halves
click_on leftHalf
sleep 0.3
xdotool key F6
await binding_key_is leftHalf 97 || fail "F6 did not become the left half's key"

if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:"
  cat "$work/tilewick.log"
  cat "$work/points" 2>/dev/null || true
  bindings
fi
exit "$status"
