#!/usr/bin/env bash
# End to end on a private X server: the X11 backend and the window mover move a real terminal
# under a real EWMH window manager (openbox) on one wide screen split into two monitors; then,
# each on a desktop of its own, under icewm and fluxbox, which draw their own panels.
# Never touches the user's display. Usage: window_mover.sh <build>/Tilewick.app [icewm|fluxbox]
set -euo pipefail

app_dir="${1:?usage: window_mover.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
driver="$(cd "$app_dir/.." && pwd)/e2e/window_mover_driver"

if [ "$wm" = openbox ]; then
  filter='-X11DesktopTest.PanelsTheWindowManagerDrawsItselfAreNotCovered:X11DesktopTest.ClientSideDecorations*:X11DesktopTest.Gtk4Windows*'
  for other in icewm fluxbox; do bash "$0" "$app_dir" "$other"; done
else
  filter="${E2E_FILTER:-X11DesktopTest.PanelsTheWindowManagerDrawsItselfAreNotCovered:X11DesktopTest.HostileShadows*:X11DesktopTest.AFrameSetFromAWorker*}"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools "$wm"
[ -x "$driver" ] || { echo "missing $driver (build the project first)" >&2; exit 1; }

start_private_desktop "$wm"
cat > "$XDG_DATA_HOME/applications/org.example.Term.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=Example Terminal
Exec=xterm
StartupWMClass=XTerm
ENTRY

# Two terminals, the second of a class and name no entry claims, so each is an application of its own; the
# driver brings the first one in front itself.
xterm -name otherterm -class OtherTerm -T "Term Two" -geometry 60x10+300+500 >/dev/null 2>&1 &
other=$!
pids+=("$other")
xterm -T "Term One" -geometry 80x24+100+100 >/dev/null 2>&1 &
term=$!
pids+=("$term")
await sh -c 'xprop -root _NET_CLIENT_LIST | grep -q "window id # .*, "'

echo "window manager: $wm"
E2E_TERM_PID="$term" E2E_OTHER_PID="$other" E2E_WM_PID="$wm_pid" QT_QPA_PLATFORM=offscreen timeout 60 \
  "$driver" --gtest_filter="$filter"
