#!/usr/bin/env bash
# The real program built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan), once
# through its life on a private X server under openbox with a tray: it starts with its main window
# in front, a hotkey moves a terminal to the left half, the closed main window comes back from the
# tray menu and on a second start and takes a key, and Ctrl+Q quits it. Fails on any sanitizer
# report (leaks at exit included) of either start, and on a non-zero exit. scripts/test-sanitizers
# asan runs it after the unit tests. Never touches the user's display.
# Usage: app_e2e.sh <build-asan>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: app_e2e.sh <build-asan>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (scripts/test-sanitizers asan builds it)" >&2; exit 1; }
root="$(cd "$(dirname "$0")/../.." && pwd)"

source "$root/tests/e2e/lib/private_desktop.sh"
source "$root/tests/e2e/lib/tilewick_windows.sh"
require_tools trayer xdotool
start_private_desktop openbox

# AddressSanitizer's and LeakSanitizer's reports go to files of their own ($work/sanitizer.<pid>),
# whatever the program does with its stderr; UndefinedBehaviorSanitizer, built into the same
# runtime, still writes to stderr, so both are read. The options scripts/test-sanitizers sets stay.
reports="$work/sanitizer"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}:log_path=$reports"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}:log_path=$reports"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0}"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

start_tray

# "x y width height" of a window, frame left out.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}
defaults="$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
last_tab_is() { grep -q "\"lastTab\":{\"type\":\"string\",\"value\":\"$1\"}" "$defaults" 2>/dev/null; }

start_terminal 80x24+100+100
await xdotool search --name "Term One" || { echo "no terminal window" >&2; exit 1; }
terminal="$(xdotool search --name "Term One" | head -n 1)"

"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window || fail "no mapped window with the role \"main\""

# Alt+Super+Left moves the focused terminal to the left half of the left monitor (1280 wide). The
# program takes its hotkeys a moment after its window shows; until then the terminal gets the key.
xdotool windowactivate --sync "$terminal" >/dev/null 2>&1 || true
before="$(geometry "$terminal")"
on_left_half() {
  geometry "$terminal" | awk '{ exit !($1 < 20 && $3 > 560 && $3 <= 640 && $4 > 900) }'
}
moved=0
for _ in $(seq 30); do
  xdotool key alt+super+Left
  for _ in $(seq 20); do
    if on_left_half; then moved=1; break 2; fi
    sleep 0.1
  done
done
[ "$moved" -eq 1 ] || fail "Alt+Super+Left did not move the terminal to the left half: $before -> $(geometry "$terminal")"

# Closing the main window leaves the program running; "Open Tilewick…", the tray menu's first
# item, brings it back, and so does a second start, which leaves with status 0.
close_main_window() {
  local main
  main="$(main_window)" || return 0
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  xdotool key alt+F4
  for _ in $(seq 300); do main_window >/dev/null || break; sleep 0.1; done
  if main_window >/dev/null; then fail "the main window did not close"; fi
}
close_main_window
if await docked_icon; then
  tray_menu Down Return
  await main_window || fail "\"Open Tilewick…\" in the tray menu did not show the main window"
else
  fail "no tray icon docked in the tray"
fi
close_main_window
second=0
timeout 60 "$program" >"$work/second.log" 2>&1 || second=$?
[ "$second" -eq 0 ] || fail "the second start exited with status $second"
await main_window || fail "the second start did not bring the main window back"

# The window shown again draws and takes keys: Right moves to the next tab.
if main="$(main_window)"; then
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || xdotool windowfocus --sync "$main" || true
  xdotool key Right
  await last_tab_is halves || fail "Right in the main window did not move to the next tab"
  # Ctrl+Q, the menu's Quit, ends the program in the orderly way.
  xdotool key ctrl+q
fi
for _ in $(seq 600); do kill -0 "$tilewick" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$tilewick" 2>/dev/null; then
  fail "Ctrl+Q did not end the program"
  kill -TERM "$tilewick"
fi
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "Tilewick ended with status $exit_status"

if compgen -G "$reports.*" >/dev/null; then
  fail "sanitizer reports:"
  cat "$reports".* >&2
fi
if grep -Eq "Sanitizer|runtime error:" "$work/tilewick.log" "$work/second.log"; then
  fail "a sanitizer wrote to the program's output"
fi
if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" >&2
  echo "--- the second start's output:" >&2
  cat "$work/second.log" >&2
else
  echo "sanitized program end to end: ok"
fi
exit "$status"
