#!/usr/bin/env bash
# End to end on a private X server: terminals whose private desktop entry declares a new-window
# action are one application, whatever their processes, and its menu bar opens another terminal;
# then the real program fills the four quarters of a monitor with terminals on the Menu key
# (Globe) and a quarters hotkey, opening the three it lacks. Under openbox, then on a desktop of
# its own under fluxbox. Never touches the user's display.
# Usage: multi_window.sh <build>/Tilewick.app [fluxbox]
set -euo pipefail

app_dir="${1:?usage: multi_window.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
fi
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
driver="$(cd "$app_dir/.." && pwd)/e2e/multi_window_driver"

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xdotool "$wm"
for file in "$driver" "$program"; do
  [ -x "$file" ] || { echo "missing $file (build the project first)" >&2; exit 1; }
done

start_private_desktop "$wm"
cat > "$XDG_DATA_HOME/applications/e2e-term.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=E2E Terminal
Exec=xterm
StartupWMClass=XTerm
Actions=new-window;
[Desktop Action new-window]
Name=New Window
Exec=xterm -T "Fill Term" -geometry 40x10+900+700
ENTRY

xterm -T "Term One" -geometry 80x24+100+100 >/dev/null 2>&1 &
term=$!
pids+=("$term")
await sh -c 'xprop -root _NET_CLIENT_LIST | grep -q "window id #"'
export E2E_TERM_PID="$term"
echo "window manager: $wm"

# The desktop services alone: one application, its menu bar, a press that opens a terminal.
status=0
QT_QPA_PLATFORM=offscreen timeout 60 "$driver" --gtest_filter='DesktopTest.*' || status=$?

# The real program with its own folders and no settings yet; the keys are for the terminal.
"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await sh -c 'xprop -id "$(xprop -root _NET_ACTIVE_WINDOW | awk "{ print \$NF }")" WM_WINDOW_ROLE | grep -q main'
xdotool windowactivate --sync "$(xdotool search --name "Term One" | head -n 1)" >/dev/null
QT_QPA_PLATFORM=offscreen timeout 120 "$driver" --gtest_filter='ProgramTest.*' || status=$?

kill -TERM "$tilewick"
wait "$tilewick" || status=1
if [ "$status" -ne 0 ]; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" >&2
fi
exit "$status"
