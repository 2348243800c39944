#!/usr/bin/env bash
# End to end on a private X server with two monitors: a Default App Snap saved for the terminal
# (its private desktop entry e2e-term) on the right monitor places an xterm started on the left one
# in the left half of the right one, once the real program runs. Under openbox, then on a desktop
# of its own under fluxbox. Never touches the user's display.
# Usage: app_snaps.sh <build>/Tilewick.app [fluxbox]
set -euo pipefail

app_dir="${1:?usage: app_snaps.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
fi

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xdotool "$wm"
find_program_and_driver "$app_dir" app_snaps_driver

start_private_desktop "$wm"
echo "window manager: $wm"
add_terminal_entry

status=0
# The snap is saved by another process, as the settings page of an earlier run would have.
QT_QPA_PLATFORM=offscreen timeout 60 "$driver" --gtest_filter='SaveTest.*' || status=$?
start_tilewick
QT_QPA_PLATFORM=offscreen timeout 120 "$driver" --gtest_filter='LaunchTest.*' || status=$?

kill -TERM "$tilewick"
wait "$tilewick" || status=1
# The quit wrote every line logged before it.
log="$(cat "$XDG_DATA_HOME"/"Veldor Pellrath Beta"/tile-wick/activity-*.log 2>/dev/null || true)"
if ! grep -q "appsnap layout=left_half multi=false new=false ok=true" <<<"$log"; then
  echo "no appsnap line in the activity log:" >&2
  echo "$log" >&2
  status=1
fi
if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" >&2
fi
exit "$status"
