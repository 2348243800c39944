#!/usr/bin/env bash
# Run by hand, not in CI (the window managers are large): Tilewick's factory hotkeys under the
# window managers of KDE (KWin, kwin_x11) and GNOME (Mutter, mutter --x11), and of MATE (marco),
# Xfce (xfwm4) and openbox, each on a private Xvfb with a private session bus, never the user's
# display. Installs kwin-x11, mutter and gsettings-desktop-schemas (Mutter's keybindings) through
# apt-get when they are missing and asked for.
#
# For each window manager it types every factory hotkey at a terminal and prints what happened:
# "works" (the hotkey moved the terminal, or minimised the other one for Focus), "taken"
# (Tilewick said the window manager holds it), or "LOST" (neither: the key went somewhere without
# a word), which fails the run. Then the keymap changes a few times, upon which window managers
# let go of their keys and grab them again: Tilewick must take none of them in that moment.
#
# Usage: tests/desktops/desktop_hotkeys.sh <build>/Tilewick.app [kwin] [mutter] [marco] [xfwm4] [openbox]
set -euo pipefail

app_dir="$(cd "${1:?usage: desktop_hotkeys.sh <build>/Tilewick.app [kwin] [mutter] [marco] [xfwm4] [openbox]}" && pwd)"
shift
here="$(cd "$(dirname "$0")" && pwd)"

if [ -z "${DESKTOP_HOTKEYS_WM:-}" ]; then
  [ "$#" -gt 0 ] || set -- kwin mutter
  missing=()
  case " $* " in *" kwin "*) command -v kwin_x11 >/dev/null || missing+=(kwin-x11) ;; esac
  case " $* " in
    *" mutter "*)
      command -v mutter >/dev/null || missing+=(mutter)
      [ -d /usr/share/glib-2.0/schemas ] && ls /usr/share/glib-2.0/schemas | grep -q org.gnome.desktop.wm.keybindings ||
        missing+=(gsettings-desktop-schemas)
      ;;
  esac
  for tool in dbus-daemon setxkbmap xdotool; do
    command -v "$tool" >/dev/null || missing+=("$(case $tool in dbus-daemon) echo dbus ;; setxkbmap) echo x11-xkb-utils ;; *) echo "$tool" ;; esac)")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "installing ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  status=0
  for wm in "$@"; do
    echo "=== $wm"
    DESKTOP_HOTKEYS_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$here/../e2e/lib/private_desktop.sh"
source "$here/../e2e/lib/tilewick_windows.sh"
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

# The window manager starts on a session bus of its own (KWin's global shortcuts live in
# kglobalaccel, a D-Bus service), without compositing: Xvfb has no GPU.
mkdir -p "$work/bin"
case "$DESKTOP_HOTKEYS_WM" in
  kwin)
    cat >"$work/bin/desktop-wm" <<'WM'
#!/bin/sh
export QT_QPA_PLATFORM=xcb KWIN_COMPOSE=N XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
exec dbus-run-session -- kwin_x11 --replace
WM
    ;;
  mutter)
    cat >"$work/bin/desktop-wm" <<'WM'
#!/bin/sh
export XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=memory
exec dbus-run-session -- mutter --x11 --replace --sm-disable
WM
    ;;
  marco | xfwm4 | openbox) ;;
  *) echo "unknown window manager $DESKTOP_HOTKEYS_WM (kwin, mutter, marco, xfwm4 or openbox)" >&2; exit 2 ;;
esac
if [ -f "$work/bin/desktop-wm" ]; then
  chmod +x "$work/bin/desktop-wm"
  export PATH="$work/bin:$PATH"
  start_private_desktop desktop-wm
else
  # The private desktop knows how to start these.
  start_private_desktop "$DESKTOP_HOTKEYS_WM"
fi
echo "window manager: $(xprop -id "$(xprop -root _NET_SUPPORTING_WM_CHECK | awk '{ print $NF }')" _NET_WM_NAME | cut -d'"' -f2)"

# Two terminals: the one moved, and one that Focus minimises.
xterm -T "Other" -geometry 60x10+1400+600 >/dev/null 2>&1 &
pids+=($!)
await sh -c 'xdotool search --name "^Other$"'
other="$(xdotool search --limit 1 --name '^Other$')"
start_terminal 60x16+200+150
await sh -c 'xdotool search --name "^Term One$"'
win="$(xdotool search --limit 1 --name '^Term One$')"

# Started as start_tilewick does, but waiting only for the main window to show: xfwm4 does not give
# the focus to a program started without a user's action.
"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window
geometry() { xwininfo -id "$win" | awk '/Absolute upper-left X|Absolute upper-left Y|Width:|Height:/ { printf "%s ", $NF }'; }
hidden() { xprop -id "$other" _NET_WM_STATE | grep -c HIDDEN || true; }
# The hotkeys act on the active window. Some window managers refuse an activation request at
# times (focus stealing prevention); a click always focuses.
activate_terminal() {
  for _ in $(seq 30); do
    xdotool windowactivate "$win" >/dev/null 2>&1 || true
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ] && return 0
    xdotool mousemove --window "$win" 40 40 click 1 >/dev/null 2>&1 || true
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ] && return 0
    sleep 0.1
  done
  echo "  (the terminal did not become the active window)"
}
reset_terminal() {
  xdotool windowmap "$other" >/dev/null 2>&1 || true
  xdotool windowsize "$win" 480 300 windowmove "$win" 200 150 >/dev/null
  activate_terminal
  # Settled: the same geometry at two reads 0.2 s apart (the terminal rounds its size to cells).
  local last="" now
  for _ in $(seq 50); do
    now="$(geometry)"
    [ "$now" = "$last" ] && break
    last="$now"
    sleep 0.2
  done
}
# Types alt+super+$1 and waits up to 3 s for the terminal to move (or the other one to hide).
acts() {
  local before hid
  before="$(geometry)"
  hid="$(hidden)"
  xdotool key --clearmodifiers "alt+super+$1"
  for _ in $(seq 30); do
    if [ "$(geometry)" != "$before" ] || [ "$(hidden)" != "$hid" ]; then return 0; fi
    sleep 0.1
  done
  return 1
}
# Said to be taken: wholly ("taken"), or only with some lock keys on ("partly"), when it must work
# with none on.
taken() { grep -q "Tilewick: Alt+Super+$1 is taken by another program;" "$work/tilewick.log"; }
partly_taken() { grep -q "Tilewick: Alt+Super+$1 is taken by another program while" "$work/tilewick.log"; }

# The tap is working once a hotkey no window manager holds moves the terminal.
ready=no
for _ in $(seq 20); do
  reset_terminal
  if acts c; then ready=yes; break; fi
done
[ "$ready" = yes ] || { echo "Alt+Super+c never moved the terminal"; cat "$work/tilewick.log"; exit 1; }

# The factory hotkeys, as keysyms (they name the keys for xdotool and in Tilewick's messages).
keys=(c comma period Return f z x Left Right minus equal 1 2 3 q w a s p bracketleft bracketright
  semicolon apostrophe backslash t y u i g h j k 7 8 9 0 Up Down o l 4 e d)
status=0
works=0
held=0
for key in "${keys[@]}"; do
  reset_terminal
  # Undo and redo need a move to go back on; Centre makes one.
  case "$key" in
    z) acts c || true ;;
    x) acts c || true; acts z || true ;;
  esac
  if taken "$key"; then
    result=taken
    held=$((held + 1))
    acts "$key" && result="taken (the window manager acted on it)"
  elif acts "$key"; then
    result=works
    partly_taken "$key" && result="works (taken only with some lock key on, and said)"
    works=$((works + 1))
  else
    result="LOST (active window: $(xdotool getactivewindow getwindowname 2>/dev/null))"
    status=1
  fi
  printf '  Alt+Super+%-13s %s\n' "$key" "$result"
done
echo "$works work, $held taken and said, $(( ${#keys[@]} - works - held )) lost"

# Keymap changes: the window manager lets go of its keys and grabs them again. Tilewick takes none
# of them in that moment, and still holds all of its own afterwards.
free_before="$(grep -c "is free again" "$work/tilewick.log" || true)"
for layout in us de us fr us; do
  setxkbmap -layout "$layout"
  sleep 0.7
done
# Long enough for the status poll to have looked several times.
sleep 8
free_after="$(grep -c "is free again" "$work/tilewick.log" || true)"
if [ "$free_after" != "$free_before" ]; then
  echo "after the keymap changes Tilewick took keys from the window manager:"
  grep "is free again" "$work/tilewick.log"
  status=1
else
  echo "after 5 keymap changes: no key taken from the window manager"
fi
for key in c Left; do
  reset_terminal
  if taken "$key"; then continue; fi
  acts "$key" || { echo "  Alt+Super+$key no longer works after the keymap changes"; status=1; }
done

echo "--- Tilewick said:"
cat "$work/tilewick.log"
exit "$status"
