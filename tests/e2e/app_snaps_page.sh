#!/usr/bin/env bash
# End to end on a private X server with two monitors, under openbox and then fluxbox: on the
# Default App Snaps tab of the real main window, a click on the picker and a typed search find
# the private desktop entry e2e-term, Return chooses it, and a click on the left-half key of the
# drawn keyboard saves its snap on the first monitor ("L", which the page chooses when there are
# several). An xterm started on the right monitor then opens in the left half of the left one.
# Never touches the user's display. Usage: app_snaps_page.sh <build>/Tilewick.app [fluxbox]
set -euo pipefail

app_dir="${1:?usage: app_snaps_page.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
fi

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xdotool "$wm"
find_program_and_driver "$app_dir" app_snaps_page_driver

start_private_desktop "$wm"
echo "window manager: $wm"
add_terminal_entry
# The last run left the Default App Snaps tab showing.
defaults="$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
mkdir -p "$(dirname "$defaults")"
printf '{\n"lastTab":{"type":"string","value":"appSnaps"}\n}\n' >"$defaults"

status=0
fail() { echo "FAIL: $*" >&2; status=1; }
start_tilewick
main="$(xprop -root _NET_ACTIVE_WINDOW | awk '{ print $NF }')"
main=$((main))

# Where the picker and the key lie: the client window's place and size, less the menu bar.
info="$(xwininfo -id "$main")"
left="$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")"
top="$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")"
width="$(awk '/Width:/ { print $NF }' <<<"$info")"
height="$(awk '/Height:/ { print $NF }' <<<"$info")"
where="$work/where"
E2E_OUT="$where" E2E_VIEW_SIZE="${width}x$((height - 24))" QT_QPA_PLATFORM=xcb timeout 60 "$driver" \
  --gtest_filter='WhereTest.*' >"$work/where.log" 2>&1 || { cat "$work/where.log" >&2; exit 1; }
bar="$(awk '/^menubar/ { print $2 }' "$where")"
# Laid out again for the view's real height, now that the menu bar's is known.
E2E_OUT="$where" E2E_VIEW_SIZE="${width}x$((height - bar))" QT_QPA_PLATFORM=xcb timeout 60 "$driver" \
  --gtest_filter='WhereTest.*' >"$work/where.log" 2>&1 || { cat "$work/where.log" >&2; exit 1; }
read -r _ px py < <(grep '^picker' "$where")
read -r _ kx ky < <(grep '^key' "$where")
echo "picker at $px,$py, left-half key at $kx,$ky below a menu bar of $bar"

# The snaps are stored as data: Base64 of their JSON.
snaps() { grep -o '"appSnaps":{[^}]*}' "$defaults" | sed 's/.*"value":"\([^"]*\)".*/\1/' | base64 -d; }
saved() { snaps | grep -q '"bundleID":"e2e-term"'; }
# The user's steps: choose the application in the picker, then click the key. On a busy machine the
# picker may not have its applications yet when Return comes; the steps are then taken again.
for _ in 1 2 3 4; do
  xdotool mousemove "$((left + px))" "$((top + bar + py))" click 1
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 60 "e2e term"
  sleep 0.5
  xdotool key Return
  sleep 0.5
  xdotool mousemove "$((left + kx))" "$((top + bar + ky))" click 1
  for _ in $(seq 50); do saved && break; sleep 0.1; done
  saved && break
done
await saved || fail "no snap of e2e-term saved: $(snaps 2>/dev/null || echo none)"

if [ "$status" -eq 0 ]; then
  QT_QPA_PLATFORM=offscreen timeout 120 "$driver" --gtest_filter='LaunchTest.*' || status=$?
fi
if [ -n "${APP_SNAPS_PAGE_SCREENSHOT:-}" ]; then
  "$app_dir/../e2e/desktop_screenshot" "$APP_SNAPS_PAGE_SCREENSHOT-$wm.png" || true
fi

kill -TERM "$tilewick"
wait "$tilewick" || status=1
log="$(cat "$XDG_DATA_HOME"/"Veldor Pellrath Beta"/tile-wick/activity-*.log 2>/dev/null || true)"
grep -q "appsnap.saved layout=left_half multi=false" <<<"$log" || fail "no appsnap.saved line in the log"
if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" >&2
  echo "--- its log:" >&2
  echo "$log" >&2
fi
exit "$status"
