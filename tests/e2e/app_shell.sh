#!/usr/bin/env bash
# End to end on a private X server, under openbox with a tray (trayer) and under icewm with its
# own: the program starts with its tray icon docked and its main window "main" mapped, closing
# the window leaves it running, a second start and the tray menu show the window again (the
# second start exits 0), it quits cleanly on SIGTERM, from the tray menu and on SIGHUP, and with
# "showInDock" off its window stays out of task bars. Never touches the user's
# display. Usage: app_shell.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: app_shell.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

# Each window manager on a desktop of its own.
if [ -z "${APP_SHELL_WM:-}" ]; then
  status=0
  for wm in openbox icewm; do
    echo "--- under $wm"
    APP_SHELL_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
require_tools trayer xdotool "$APP_SHELL_WM"
start_private_desktop "$APP_SHELL_WM"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

# openbox has no tray of its own: trayer docks icons into its panel. icewm's task bar has one.
if [ "$APP_SHELL_WM" = openbox ]; then
  start_tray
else
  await sh -c 'xwininfo -root -tree | grep -q "(\"icewm\" \"IceWM\")"' || true
fi

"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window || fail "no mapped window with the role \"main\""
has_docked_icon() { [ -n "$(docked_icons)" ]; }
await has_docked_icon || fail "no tray icon docked in the tray"

if main="$(main_window)"; then
  xprop -id "$main" _NET_WM_NAME | grep -q '= "Tilewick"' || fail "main window title: $(xprop -id "$main" _NET_WM_NAME)"
  size="$(xwininfo -id "$main" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')"
  [ "$size" = "956x891" ] || fail "main window size $size, not 956x891"
  xprop -id "$main" _NET_WM_STATE | grep -q SKIP_TASKBAR && fail "main window is left out of the task bar"

  # Both window managers close the focused window on Alt+F4; the program keeps running.
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  xdotool key alt+F4
  for _ in $(seq 200); do main_window >/dev/null || break; sleep 0.1; done
  main_window >/dev/null && fail "the main window did not close"
  kill -0 "$tilewick" 2>/dev/null || fail "closing the main window ended the program"
fi

# A second start asks the first to show its main window and leaves at once with status 0.
second=0
timeout 20 "$program" >"$work/second.log" 2>&1 || second=$?
[ "$second" -eq 0 ] || fail "the second start exited with status $second"
await main_window || fail "the second start did not bring the main window back"
[ "$(docked_icons | wc -l)" -eq 1 ] || fail "the second start docked another tray icon"

# The tray menu's first item, "Open Tilewick…", shows the closed window.
xdotool key alt+F4
for _ in $(seq 200); do main_window >/dev/null || break; sleep 0.1; done
tray_menu Down Return
await main_window || fail "\"Open Tilewick…\" in the tray menu did not show the main window"

# It quits cleanly when asked to terminate, with every log line on disk.
kill -TERM "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "Tilewick ended with status $exit_status on SIGTERM"
log_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
ls "$log_dir"/activity-*.log >/dev/null 2>&1 || fail "no activity log in $log_dir"

# Without the Dock setting the window stays out of task bars and window switchers.
mkdir -p "$XDG_CONFIG_HOME/com.corvane.tilewick"
printf '{\n"showInDock":{"type":"bool","value":false}\n}\n' >"$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
"$program" >>"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
if await main_window; then
  xprop -id "$(main_window)" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR ||
    fail "with showInDock off the main window is in the task bar: $(xprop -id "$(main_window)" _NET_WM_STATE)"
else
  fail "no main window with showInDock off"
fi
# A crashed instance leaves its lock and socket behind; the next start takes them over.
kill -KILL "$tilewick"
wait "$tilewick" 2>/dev/null || true
"$program" >>"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window || fail "no main window after a crashed instance"
kill -0 "$tilewick" 2>/dev/null || fail "the start after a crashed instance did not keep running"
# "Quit Tilewick", the tray menu's last item, ends it with status 0.
await has_docked_icon || fail "no tray icon after a crashed instance"
tray_menu Up Return
for _ in $(seq 200); do kill -0 "$tilewick" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$tilewick" 2>/dev/null; then
  fail "\"Quit Tilewick\" in the tray menu did not end the program"
  kill -TERM "$tilewick"
fi
wait "$tilewick" || fail "Tilewick ended with status $? after \"Quit Tilewick\""

# The session ending (SIGHUP) quits as SIGTERM does: "beta.quit" last, lock, socket and run marker gone.
"$program" >>"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window || fail "no main window before SIGHUP"
kill -HUP "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "Tilewick ended with status $exit_status on SIGHUP"
tail -n 1 "$log_dir"/activity-*.log | grep -q ' beta\.quit$' || fail "after SIGHUP the log does not end with beta.quit"
[ -e "$log_dir/running" ] && fail "the run marker outlived SIGHUP"
ls "$XDG_RUNTIME_DIR"/tilewick-*.lock "$XDG_RUNTIME_DIR"/tilewick-*.socket >/dev/null 2>&1 &&
  fail "SIGHUP left its lock or socket: $(ls -A "$XDG_RUNTIME_DIR" | tr "\n" " ")"

if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" "$work/second.log" >&2
fi
exit "$status"
