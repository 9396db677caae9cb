#!/usr/bin/env bash
# The README's first command ends with status 0 and shows the movie's header.
#   sample_test.sh QUILLET
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
QUILLET_SAMPLE_BIN="$1" QUILLET_SAMPLE_OUT="$work" "$repo/scripts/sample.sh" >"$work/out.txt" 2>&1
status=$?
[[ $status -eq 0 ]] || { echo "FAIL: sample.sh exited $status"; cat "$work/out.txt"; exit 1; }
grep -qE '^[FC]WS version [0-9]+, ' "$work/out.txt" || { echo "FAIL: no movie header shown"; cat "$work/out.txt"; exit 1; }
[[ -s "$work/sample.swf" ]] || { echo "FAIL: no movie written"; exit 1; }
echo "sample.sh: exit 0, header shown"
