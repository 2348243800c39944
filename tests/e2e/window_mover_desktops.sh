#!/usr/bin/env bash
# End to end on a private X server under the window managers of two desktops people run, xfwm4
# (XFCE) and marco (MATE), each with its compositor and a panel of odd height: a terminal with
# size increments keeps to the edges of its cells, and a GTK window with client-side decorations
# (zenity, GTK 3) and a GTK 4 one (gnome-calculator) land with their visible frames in their cells
# at the window manager's answer.
# Never touches the user's display. Usage: window_mover_desktops.sh <build>/Tilewick.app [marco]
set -euo pipefail

app_dir="${1:?usage: window_mover_desktops.sh <build>/Tilewick.app}"
wm="${2:-xfwm4}"
driver="$(cd "$app_dir/.." && pwd)/e2e/window_mover_driver"
if [ "$wm" = xfwm4 ]; then
  bash "$0" "$app_dir" marco
fi

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools "$wm" zenity gnome-calculator
[ -x "$driver" ] || { echo "missing $driver (build the project first)" >&2; exit 1; }

start_private_desktop "$wm"
xterm -T "Term One" -geometry 80x24+100+100 >/dev/null 2>&1 &
term=$!
pids+=("$term")
# GTK draws its own title bar and shadows when asked to, and keeps to itself: no settings
# daemon, no accessibility bus.
GTK_CSD=1 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory zenity --entry --title "CSD Window" --text "" \
  >/dev/null 2>&1 &
csd=$!
pids+=("$csd")
NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory gnome-calculator >/dev/null 2>&1 &
gtk4=$!
pids+=("$gtk4")
await sh -c 'xprop -root _NET_CLIENT_LIST | grep -q "window id # .*, .*, "'

echo "window manager: $wm"
E2E_TERM_PID="$term" E2E_CSD_PID="$csd" E2E_GTK4_PID="$gtk4" E2E_WM_PID="$wm_pid" QT_QPA_PLATFORM=offscreen timeout 60 \
  "$driver" --gtest_filter='X11DesktopTest.TerminalsKeepToTheWorkAreasEdges:X11DesktopTest.ClientSideDecorations*:X11DesktopTest.Gtk4Windows*:X11DesktopTest.AWindowKeptOnTheScreen*'
