#!/usr/bin/env bash
# End to end on a private X server: the real program killed with SIGSEGV dies of it, leaves a crash
# report the beta kit's reader accepts and its run marker; the next start logs
# "beta.launch crashed_last_time=true" and asks about the crash; an orderly quit logs "beta.quit"
# and takes the marker away. While the prompt waits, a click on the tray icon opens the tray menu.
# Usage: crash_report.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: crash_report.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
summary_tool="$(dirname "$app_dir")/e2e/crash_report_summary"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
require_tools xdotool trayer
start_private_desktop openbox
start_tray

fail() { echo "FAIL: $*" >&2; status=1; }
status=0
kit_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
reports="$XDG_STATE_HOME/DiagnosticReports"
launches() { cat "$kit_dir"/activity-*.log 2>/dev/null | grep -o 'beta\.launch crashed_last_time=[a-z]*' || true; }
# Mapped client windows of the program: "<id> <role>" per line.
our_windows() {
  local id
  for id in $(xwininfo -root -tree | awk '/"Tilewick": \("Tilewick" "Tilewick"\)/ { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | awk '/Map State: IsViewable/ { v = 1 } /Width:/ { w = $NF }
      END { exit !(v && w >= 100) }' || continue
    echo "$id $(xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null | sed -n 's/.*= "\(.*\)"/\1/p')"
  done
}
main_window() { [ -n "$(our_windows | grep ' main$')" ]; }
# The modal alert: a window of ours that is not the main window.
crash_prompt() { [ -n "$(our_windows | grep -v ' main$')" ]; }

# 1. A first run, then a crash.
"$program" >"$work/first.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await test -e "$kit_dir/running" || fail "no run marker after the start"
await main_window || fail "no main window"
# The signal is to find the program waiting in its event loop, where the program's own frames are
# near the top of the stack, not deep inside the toolkit painting the new window: the main
# thread asleep at three looks in a row.
main_thread_idle() {
  local n
  for n in 1 2 3; do
    grep -q '^State:[[:space:]]*S' "/proc/$tilewick/task/$tilewick/status" || return 1
    sleep 0.05
  done
}
await main_thread_idle || fail "the program never came to rest"
kill -SEGV "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq $((128 + 11)) ] || fail "a SIGSEGV ended the program with status $exit_status, not 139"
[ -e "$kit_dir/running" ] || fail "the crash took the run marker away"
report="$(ls "$reports"/Tilewick-*.ips 2>/dev/null | head -n 1)"
if [ -z "$report" ]; then
  fail "no crash report in $reports"
elif ! "$summary_tool" "$report" >"$work/summary.txt"; then
  fail "the reader takes no entry from $report: $(head -c 400 "$report")"
else
  grep -q '^Exception: Fatal signal (SIGSEGV) sent by process' "$work/summary.txt" ||
    fail "summary without the signal: $(cat "$work/summary.txt")"
  grep -q '^  Tilewick  ' "$work/summary.txt" || fail "summary without the program's code: $(cat "$work/summary.txt")"
fi

# 2. The next start knows and asks.
"$program" >"$work/second.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await sh -c "grep -q 'beta.launch crashed_last_time=true' \"$kit_dir\"/activity-*.log" ||
  fail "the start after the crash logged: $(launches)"
await crash_prompt || fail "no crash prompt after the crash"
# The prompt waits for its answer; the tray menu, with its Quit, is still in reach.
has_docked_icon() { [ -n "$(docked_icons)" ]; }
await has_docked_icon || fail "no tray icon docked in the tray"
xdotool mousemove --window "$(docked_icon)" 8 8 click 1
await menu_shown || fail "a click on the tray icon opened no menu while the crash prompt waited"
xdotool key Escape

# 3. An orderly quit: "beta.quit" on disk, the marker gone.
kill -TERM "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "SIGTERM ended the program with status $exit_status"
[ -e "$kit_dir/running" ] && fail "the run marker outlived an orderly quit"
tail -n 1 "$kit_dir"/activity-*.log | grep -q ' beta\.quit$' || fail "the log does not end with beta.quit"
[ "$(launches | tr '\n' ' ')" = "beta.launch crashed_last_time=false beta.launch crashed_last_time=true " ] ||
  fail "launches logged: $(launches | tr '\n' ' ')"

[ "$status" -eq 0 ] && echo "crash report: ok"
exit "$status"
