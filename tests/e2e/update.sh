#!/usr/bin/env bash
# End to end, the whole update on a loopback server: an installed build 100 in a private folder
# checks the feed, downloads a signed and notarised build 101, verifies and unpacks it beside itself,
# quits, and the swap script replaces the folder and starts the new build, which logs its build and
# finds nothing newer. Then a build signed by another developer is refused and nothing changes, and
# a swap killed between its two steps leaves the new build in place.
# Both folders are copies of the built Tilewick.app whose program is tests/e2e/update_driver
# (update_window.sh runs the program itself, through its update window).
# Usage: update.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: update.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
driver="$(dirname "$app_dir")/e2e/update_driver"
[ -e "$driver" ] || { echo "missing $driver (build the project first)" >&2; exit 1; }

source "$(dirname "$0")/lib/private_desktop.sh"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
export QT_QPA_PLATFORM=offscreen TILEWICK_E2E_LOG="$work/driver.log"
unset DISPLAY
mkdir -p "$HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
source "$(dirname "$0")/lib/update_builds.sh"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key" "$driver"
make_build "$work/new/Tilewick.app" 101 "$keys/developer.key" "$driver"
publish "$work/new/Tilewick.app"
export TILEWICK_E2E_FEED="http://127.0.0.1:$port/updates/tile-wick.json"

# 1. The update: the old build quits after handing over; the new one starts, logs its build and
#    finds itself up to date.
exit_status=0
"$work/Apps/Tilewick.app/Contents/bin/Tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "the installed build ended with status $exit_status: $(cat "$work/driver.log")"
await grep -q "up to date" "$work/driver.log" || fail "the new build did not run: $(cat "$work/driver.log")"
# It ends by itself after its check: nothing of the kit is left for the application's teardown.
gone() { ! pgrep -f -x "$work/Apps/Tilewick.app/Contents/bin/Tilewick"; }
await gone || fail "the new build still runs after its check"
expected="launched build=100 folder=$work/Apps/Tilewick.app
offered build=101
launched build=101 folder=$work/Apps/Tilewick.app
up to date"
[ "$(cat "$work/driver.log")" = "$expected" ] || fail "the driver logged: $(cat "$work/driver.log")"
[ "$(installed_build)" = 101 ] || fail "the installed build is $(installed_build)"
[ "$(ls -A "$work/Apps")" = "Tilewick.app" ] || fail "beside the application: $(ls -A "$work/Apps")"
ls "$TMPDIR"/beta-update-*.zip >/dev/null 2>&1 && fail "an archive was left: $(ls "$TMPDIR")"
await sh -c '! ls -A "$TMPDIR" | grep -q "^beta-update-"' || fail "the swap left in $TMPDIR: $(ls -A "$TMPDIR")"
"$app_dir/Contents/bin/spctl" --assess --type execute -vv "$work/Apps/Tilewick.app" | grep -q "Notarized Developer ID" ||
  fail "the swapped folder is not the signed build"
for event in "beta.update_download build=101" "beta.update_installing build=101" "beta.quit"; do
  activity | grep -qx "$event" || fail "no \"$event\" in the log: $(activity | tr '\n' '|')"
done
[ "$(activity | grep -c '^beta.launch')" -eq 2 ] || fail "launches: $(activity | grep '^beta.launch' | tr '\n' '|')"

# 2. Build 101 again, but signed by another developer: refused, and nothing changes.
make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key" "$driver"
"$sign" keygen "$work/stranger.key" "$work/stranger.pub"
make_build "$work/new/Tilewick.app" 101 "$work/stranger.key" "$driver"
publish "$work/new/Tilewick.app"
before="$(cd "$work/Apps" && find . -exec stat -c '%n %a %s' {} + | sort | md5sum)"
: >"$work/driver.log"
exit_status=0
"$work/Apps/Tilewick.app/Contents/bin/Tilewick" || exit_status=$?
[ "$exit_status" -eq 1 ] || fail "a stranger's build ended with status $exit_status"
grep -qx "failed: The new build isn’t signed by Veldor Pellrath’s developer, so it wasn’t installed." "$work/driver.log" ||
  fail "the driver logged: $(cat "$work/driver.log")"
after="$(cd "$work/Apps" && find . -exec stat -c '%n %a %s' {} + | sort | md5sum)"
[ "$before" = "$after" ] || fail "the installed folder changed: $(ls -A "$work/Apps")"
activity | grep -qx "beta.update_failed" || fail "no beta.update_failed in the log"

# 3. A kill -9 of the swap between its two steps (its `mv` stops there for the test): the folder
#    already holds the new build; the next start runs it and removes what the swap left.
make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key" "$driver"
make_build "$work/new/Tilewick.app" 101 "$keys/developer.key" "$driver"
publish "$work/new/Tilewick.app"
: >"$work/driver.log"
BETAKIT_TEST_SWAP_PAUSE="$work/paused" "$work/Apps/Tilewick.app/Contents/bin/Tilewick" ||
  fail "the installed build ended with status $?"
await grep -q . "$work/paused" || fail "the swap did not stop between its steps"
[ "$(installed_build)" = 101 ] || fail "between the steps the installed build is $(installed_build)"
kill -KILL -- "-$(ps -o pgid= -p "$(cat "$work/paused")" | tr -d ' ')"
"$work/Apps/Tilewick.app/Contents/bin/Tilewick" || fail "the next start ended with status $?"
[ "$(tail -n 2 "$work/driver.log")" = "launched build=101 folder=$work/Apps/Tilewick.app
up to date" ] || fail "after the kill the driver logged: $(cat "$work/driver.log")"
[ "$(ls -A "$work/Apps")" = "Tilewick.app" ] || fail "after the kill, beside the application: $(ls -A "$work/Apps")"
ls -A "$TMPDIR" | grep -q "^beta-update-" && fail "after the kill, in $TMPDIR: $(ls -A "$TMPDIR")"

[ "$status" -eq 0 ] && echo "update: ok"
exit "$status"
