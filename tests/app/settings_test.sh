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

# Out-of-range delays are refused with their range, when saved and on the command line.
for refused in "settings set slideShowDelay 25|slideShowDelay must lie between 0 and 20 seconds" \
    "settings set shapeAutoDelay 30|shapeAutoDelay must lie between 0 and 10 seconds" \
    "convert none.pptx --slide-delay -5|--slide-delay must lie between 0 and 20 seconds" \
    "convert none.pptx --slide-delay 1e9|--slide-delay must lie between 0 and 20 seconds" \
    "convert none.pptx --shape-delay 30|--shape-delay must lie between 0 and 10 seconds"; do
    # shellcheck disable=SC2086
    err=$("$quillet" ${refused%%|*} 2>&1 >/dev/null) && fail "${refused%%|*} accepted"
    echo "$err" | grep -qF -- "${refused#*|}" || fail "${refused%%|*}: $err"
done

# A line that cannot be read is named, the others are read, and saving another value keeps it.
printf 'show toolbar=maybe\nSlideShow Delay=3.000000\n' >"$home/quillet/settings"
out=$("$quillet" settings 2>"$home/err") || fail "showing with a bad line exited $?"
grep -qF 'line 1 "show toolbar=maybe": not a flag (1 or 0)' "$home/err" || fail "bad line not named: $(cat "$home/err")"
echo "$out" | grep -Eq "SlideShow Delay +3.000000" || fail "a good value after the bad line was lost: $out"
"$quillet" settings set showFeedback 0 >/dev/null 2>&1 || fail "set beside a bad line exited $?"
grep -qx "show toolbar=maybe" "$home/quillet/settings" || fail "the unreadable line was overwritten"
grep -qx "SlideShow Delay=3.000000" "$home/quillet/settings" || fail "a saved value was lost"

# Without a configuration home nothing is written into the current folder.
cd "$home" || fail "no work folder"
err=$(env -u HOME -u XDG_CONFIG_HOME "$quillet" settings set showToolbar 0 2>&1 >/dev/null) &&
    fail "saving without \$HOME succeeded"
echo "$err" | grep -qF 'neither $XDG_CONFIG_HOME nor $HOME is set' || fail "message: $err"
[ ! -e "$home/.config" ] || fail "./.config was written"
echo "settings command: all checks passed"
