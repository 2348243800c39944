#!/usr/bin/env bash
# End to end on a private X server: the X11 backend and the window mover move a real terminal
# under a real EWMH window manager (openbox) on one wide screen split into two monitors.
# Never touches the user's display. Usage: window_mover.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: window_mover.sh <build>/Tilewick.app}"
driver="$(cd "$app_dir/.." && pwd)/e2e/window_mover_driver"

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: Xvfb is not installed (scripts/setup installs it)"
  exit 0
fi
for tool in openbox xterm xrandr xprop xwininfo; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
done
[ -x "$driver" ] || { echo "missing $driver (build the project first)" >&2; exit 1; }

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 10 s for a command to succeed.
await() {
  for _ in $(seq 100); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

# Private folders: nothing of the user's is read or written.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export XDG_DATA_DIRS=/usr/local/share:/usr/share
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_STATE_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS XAUTHORITY
cat > "$XDG_DATA_HOME/applications/org.example.Term.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=Example Terminal
Exec=xterm
StartupWMClass=XTerm
ENTRY

# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 2560x1080x24 -noreset -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
await test -s "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
echo "private display $DISPLAY"

# Two monitors of 1280×1080 side by side; the left one takes over Xvfb's only output.
output="$(xrandr | awk '/ connected/ { print $1; exit }')"
xrandr --setmonitor L 1280/338x1080/285+0+0 "${output:-none}" >/dev/null
xrandr --setmonitor R 1280/338x1080/285+1280+0 none >/dev/null

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
await sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# Two terminals; the driver brings the first one in front itself.
xterm -T "Term Two" -geometry 60x10+300+500 >/dev/null 2>&1 &
other=$!
pids+=("$other")
xterm -T "Term One" -geometry 80x24+100+100 >/dev/null 2>&1 &
term=$!
pids+=("$term")
await sh -c 'xprop -root _NET_CLIENT_LIST | grep -q "window id # .*, "'

E2E_TERM_PID="$term" E2E_OTHER_PID="$other" QT_QPA_PLATFORM=offscreen timeout 60 "$driver"
