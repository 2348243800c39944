#!/usr/bin/env bash
# The floating keyboard on a real desktop (bench/README says how to read it): on a private Xvfb with
# openbox and xcompmgr, Alt+Super is held over a terminal, typed through XTest, until the floating
# keyboard's window maps and has faded in, then released; many rounds.
# Usage: bench/x11_overlay.sh <build>/Tilewick.app [rounds]
set -euo pipefail

app_dir="$(cd "${1:?usage: x11_overlay.sh <build>/Tilewick.app [rounds]}" && pwd)"
rounds="${2:-50}"
bench="$app_dir/../bench/x11_overlay_bench"
[ -x "$bench" ] || { echo "build the project first" >&2; exit 1; }

source "$(dirname "$0")/../tests/e2e/lib/private_desktop.sh"
require_tools xcompmgr xdotool
find_program_and_driver "$app_dir" floating_keyboard_driver
start_private_desktop >/dev/null
xcompmgr >/dev/null 2>&1 &
pids+=($!)
start_terminal 80x24+1500+650
start_tilewick
xdotool windowactivate --sync "$(xdotool search --name "Term One" | head -n 1)" >/dev/null
"$bench" --tilewick "$tilewick" --samples "$rounds"
