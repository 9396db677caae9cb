#!/bin/sh
# `quillet settings` as a user runs it, against a configuration home of its own.
set -u
quillet="$1"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME="$home"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$quillet" settings) || fail "showing the defaults exited $?"
echo "$out" | grep -q "not saved yet" || fail "defaults not marked: $out"
echo "$out" | grep -Eq "SlideShow Delay +2.000000" || fail "default delay: $out"

"$quillet" settings set slideShowDelay 1.5 >/dev/null || fail "set delay exited $?"
"$quillet" settings set "show toolbar" off >/dev/null || fail "set flag exited $?"
grep -qx "SlideShow Delay=1.500000" "$home/quillet/settings" || fail "delay not saved"
grep -qx "show toolbar=0" "$home/quillet/settings" || fail "flag not saved"

err=$("$quillet" settings set frameRate 30 2>&1 >/dev/null) && fail "unknown name accepted"
echo "$err" | grep -q 'unknown setting "frameRate"' || fail "message: $err"
err=$("$quillet" settings set slideShowDelay soon 2>&1 >/dev/null) && fail "bad delay accepted"
echo "$err" | grep -q "not a number of seconds" || fail "message: $err"
grep -qx "SlideShow Delay=1.500000" "$home/quillet/settings" || fail "a refused value changed the file"
echo "settings command: all checks passed"
