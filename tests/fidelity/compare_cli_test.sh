#!/bin/sh
# fidelity_compare as the player test runs it, on the corpus's reference pictures: a picture
# against itself scores 1, two different slides score far less, a picture at twice the size is
# scaled to the compared width first, and an unreadable file is reported on its line.
set -u
compare=$1
refs=$2/pptx-ref/backgrounds
if [ ! -f "$refs/slide-01.png" ] || [ ! -f "$refs/slide-02.png" ]; then
    echo "SKIP: corpus references not found in $refs"
    exit 77
fi
fail() {
    echo "FAIL: $1"
    exit 1
}
out=$("$compare" "$refs/slide-01.png" "$refs/slide-01.png" "$refs/slide-01.png" "$refs/slide-02.png") ||
    fail "exit status $? on readable pictures"
echo "$out"
[ "$(echo "$out" | wc -l)" -eq 2 ] || fail "expected two lines"
[ "$(echo "$out" | sed -n 1p)" = "1.0000" ] || fail "a picture against itself must score 1.0000"
awk -v s="$(echo "$out" | sed -n 2p)" 'BEGIN { exit !(s + 0 < 0.9) }' || fail "two different slides scored $(echo "$out" | sed -n 2p)"
# Same picture at its own width (no scaling) also scores 1.
[ "$("$compare" --width 0 "$refs/slide-02.png" "$refs/slide-02.png")" = "1.0000" ] || fail "--width 0"
# Cropping the bottom rows of both: the score changes (the slides differ there too), a picture
# still matches itself, and a crop taller than the picture is an error.
[ "$("$compare" --crop-bottom 40 "$refs/slide-02.png" "$refs/slide-02.png")" = "1.0000" ] || fail "--crop-bottom on the same picture"
cropped=$("$compare" --crop-bottom 300 "$refs/slide-01.png" "$refs/slide-02.png")
[ "$cropped" != "$(echo "$out" | sed -n 2p)" ] || fail "--crop-bottom did not change the measured area"
case $("$compare" --crop-bottom 5000 "$refs/slide-01.png" "$refs/slide-02.png") in error:*) ;; *) fail "a crop of the whole picture must be an error" ;; esac
# An unreadable file: an error line, exit status 1.
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
printf 'not a picture' > "$tmp/bad.png"
bad=$("$compare" "$tmp/bad.png" "$refs/slide-01.png")
status=$?
[ $status -eq 1 ] || fail "exit status $status for an unreadable picture"
case $bad in "error: cannot read $tmp/bad.png") ;; *) fail "unexpected output: $bad" ;; esac
# An odd number of files is a usage error.
"$compare" "$refs/slide-01.png" 2>/dev/null
[ $? -eq 2 ] || fail "an unpaired file must be a usage error"
echo "PASS"
