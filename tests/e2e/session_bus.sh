#!/usr/bin/env bash
# End to end on a private X server with no D-Bus session bus address and no system bus: the real
# program starts no session bus of its own (dbus-launch --autolaunch would leave a dbus-daemon
# behind and note it under ~/.dbus/session-bus), and logs "screen_state observed=false", since it
# can see neither sleep nor lock. Usage: session_bus.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: session_bus.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools
start_private_desktop openbox
# start_private_desktop unsets the session bus address; no system bus either.
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0
kit_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
launched_buses="$HOME/.dbus/session-bus"
# A bus started all the same is stopped again when the test ends.
stop_launched_buses() {
  local pid
  for pid in $(cat "$launched_buses"/* 2>/dev/null | sed -n 's/^DBUS_SESSION_BUS_PID=//p'); do
    kill "$pid" 2>/dev/null || true
  done
  cleanup
}
trap stop_launched_buses EXIT

"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await sh -c "grep -q 'screen_state observed=false' \"$kit_dir\"/activity-*.log" ||
  fail "no screen_state observed=false in: $(cat "$kit_dir"/activity-*.log 2>/dev/null)"
# The tray icon and the main window's menus are up by now: what would have reached for the bus has.
await sh -c "grep -q 'beta.launch' \"$kit_dir\"/activity-*.log" || fail "the program did not start"
if ! command -v dbus-launch >/dev/null 2>&1; then
  echo "note: dbus-launch is not installed, so no bus could have been started (scripts/setup installs it)"
fi
[ -z "$(ls -A "$launched_buses" 2>/dev/null)" ] || fail "a session bus was started: $(cat "$launched_buses"/*)"

kill -TERM "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "SIGTERM ended the program with status $exit_status"

[ "$status" -eq 0 ] && echo "session bus: ok"
exit "$status"
