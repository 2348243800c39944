#!/usr/bin/env bash
# check_layers.sh BUILD_DIR NAME=HEADER...: each probe must fail to compile because HEADER is not
# on its module's include path; the control probe must compile.
set -uo pipefail
build=$1; shift
status=0
if ! out=$(cmake --build "$build" --target probe_allowed 2>&1); then
  echo "control probe of allowed includes did not build:"; echo "$out"; exit 1
fi
for probe in "$@"; do
  name=${probe%%=*}; header=${probe#*=}
  if out=$(cmake --build "$build" --target "$name" 2>&1); then
    echo "FAIL $name: $header is reachable against the layers"; status=1
  elif ! grep -q "$header: No such file or directory" <<<"$out"; then
    echo "FAIL $name: did not build for another reason:"; echo "$out" | tail -20; status=1
  else
    echo "ok   $name: $header unreachable"
  fi
done
exit $status
