#!/usr/bin/env bash
# End to end on a private X server, under a file-size limit (ulimit -f): the first settings and log
# writes past it fail as on a full disk instead of ending the program with SIGXFSZ. The settings
# file keeps its content and no temporary file is left beside it, the failed save is said once on
# stderr, the activity log says once that it drops lines, and SIGTERM still ends the program in
# order. Usage: file_size_limit.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: file_size_limit.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "missing $program (build the project first)" >&2; exit 1; }

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools
start_private_desktop openbox

fail() { echo "FAIL: $*" >&2; status=1; }
status=0
settings="$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"
kit_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
limit_kib=8

# Settings larger than the limit, without the bindings the store writes at its first start.
mkdir -p "$(dirname "$settings")"
{
  echo '{'
  printf '"padding":{"type":"string","value":"%s"},\n' "$(head -c $((limit_kib * 1024)) /dev/zero | tr '\0' 'p')"
  echo '"showInDock":{"type":"bool","value":true}'
  echo '}'
} >"$settings"
cp "$settings" "$work/settings.before"
# Today's activity log a few bytes below the limit, so the start's first line crosses it.
mkdir -p "$kit_dir"
{ yes "$(date -u +%FT%T.000Z) filler" || true; } | head -c $((limit_kib * 1024 - 16)) \
  >"$kit_dir/activity-$(date -u +%F).log"

(ulimit -f "$limit_kib"; exec "$program") >"$work/stdout.log" 2>"$work/stderr.log" &
tilewick=$!
pids+=("$tilewick")
said() { grep -c "$1" "$work/stderr.log" || true; }
await sh -c "grep -q 'cannot save settings' \"$work/stderr.log\"" || fail "no failed save said: $(cat "$work/stderr.log")"
await sh -c "grep -q 'activity log: cannot write' \"$work/stderr.log\"" ||
  fail "no dropped log lines said: $(cat "$work/stderr.log")"
kill -0 "$tilewick" 2>/dev/null || fail "the program did not survive the limit"

kill -TERM "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "SIGTERM ended the program with status $exit_status (153 is SIGXFSZ)"
cmp -s "$settings" "$work/settings.before" || fail "the settings file changed"
leftovers="$(ls -A "$(dirname "$settings")" | grep -v '^defaults.json$' || true)"
[ -z "$leftovers" ] || fail "left beside the settings: $leftovers"
[ "$(said 'cannot save settings')" -eq 1 ] || fail "the failed save was said $(said 'cannot save settings') times"
[ "$(said 'activity log: cannot write')" -eq 1 ] ||
  fail "the dropped lines were said $(said 'activity log: cannot write') times"

[ "$status" -eq 0 ] && echo "file size limit: ok"
exit "$status"
