#!/usr/bin/env bash
# What cannot be converted is named, the rest converted: convert, render and inspect warn about
# each slide or picture left out (naming the slide and the shape) and exit 3; the movie is still
# written and read by the independent parser; an unusable --sound is refused.
#   left_out_test.sh QUILLET SAMPLE.pptx
set -uo pipefail
quillet="$1"
sample="$2"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The sample deck with its first picture removed and its last slide broken.
python3 - "$sample" "$work/damaged.pptx" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w") as out:
    for item in src.infolist():
        if item.filename == "ppt/media/picture.png":
            continue
        data = src.read(item.filename)
        if item.filename == "ppt/slides/slide5.xml":
            data = b"<p:sld><unclosed>"
        out.writestr(item, data)
PY
expected=('slide left out: part "ppt/slides/slide5.xml": malformed XML'
          'slide 3, shape "Picture" (id 3): its picture is missing from the package; left out')

for command in "convert $work/damaged.pptx -o $work/damaged.swf --quiet" "render $work/damaged.pptx -o $work/pictures" \
    "inspect $work/damaged.pptx"; do
    # shellcheck disable=SC2086
    "$quillet" $command >"$work/out.txt" 2>"$work/err.txt"
    status=$?
    [[ $status -eq 3 ]] || fail "$command exited $status, not 3: $(cat "$work/err.txt")"
    for warning in "${expected[@]}"; do
        grep -F "warning: " "$work/err.txt" | grep -qF "$warning" || fail "${command%% *}: no warning \"$warning\": $(cat "$work/err.txt")"
    done
    grep -qE 'warning: slide [0-9]+, shape ".+" \(id [0-9]+\): its picture' "$work/err.txt" ||
        fail "${command%% *}: the picture's warning does not name the slide and the shape"
done
[[ $(ls "$work/pictures" | wc -l) -eq 4 ]] || fail "render drew $(ls "$work/pictures" | wc -l) slides, not the 4 left"

# The movie of the rest is whole: our reader and the independent parser read it.
if [[ -s "$work/damaged.swf" ]]; then
    "$quillet" info --strict --json "$work/damaged.swf" >"$work/info.json" || fail "the movie does not read"
    if [[ -d "$repo/node_modules/swf-parser" ]]; then
        node --input-type=module -e "
            import { readFileSync } from 'node:fs';
            import { checkSwf } from '$repo/tests/e2e/swfcheck.mjs';
            const tags = JSON.parse(readFileSync('$work/info.json')).tags.map((t) => t.type);
            checkSwf(readFileSync('$work/damaged.swf'), tags, { label: 'damaged deck' });" ||
            fail "the independent parser refuses the movie"
    else
        echo "node_modules absent: the independent parser check is skipped"
    fi
else
    fail "no movie was written"
fi

# The whole deck: no warning, exit 0.
"$quillet" convert "$sample" -o "$work/sample.swf" --quiet >/dev/null 2>"$work/err.txt" ||
    fail "the sample deck exited $?: $(cat "$work/err.txt")"
[[ -s "$work/err.txt" ]] && fail "the sample deck has warnings: $(cat "$work/err.txt")"

# A deck that lists its first slide a thousand times: each part is one slide, the repeats are
# named and left out.
python3 - "$sample" "$work/repeated.pptx" <<'PY'
import re, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w") as out:
    for item in src.infolist():
        data = src.read(item.filename)
        if item.filename == "ppt/presentation.xml":
            text = data.decode()
            first = re.search(r'<p:sldId id="\d+" r:id="(\w+)"/>', text)
            repeats = "".join(f'<p:sldId id="{5000 + i}" r:id="{first.group(1)}"/>' for i in range(999))
            data = (text[:first.end()] + repeats + text[first.end():]).encode()
        out.writestr(item, data)
PY
"$quillet" convert "$work/repeated.pptx" -o "$work/repeated.swf" --quiet >/dev/null 2>"$work/err.txt"
status=$?
[[ $status -eq 3 ]] || fail "the repeating deck exited $status, not 3"
[[ $(grep -c 'of an earlier slide again; left out' "$work/err.txt") -eq 999 ]] ||
    fail "the repeats are not each named: $(head -c 300 "$work/err.txt")"

# A sound that cannot be used is an error, as a missing one is.
printf 'not a sound' >"$work/noise.mp3"
mkfifo "$work/fifo.mp3"
for sound in "$work/noise.mp3|no MP3 or WAV sound" "$work/fifo.mp3|not a regular file" "$work/absent.mp3|does not exist"; do
    timeout 60 "$quillet" convert "$sample" -o "$work/sound.swf" --quiet --sound "${sound%%|*}" >/dev/null 2>"$work/err.txt"
    status=$?
    [[ $status -eq 1 ]] || fail "--sound ${sound%%|*} exited $status, not 1"
    grep -qF "${sound#*|}" "$work/err.txt" || fail "--sound ${sound%%|*}: $(cat "$work/err.txt")"
done
[[ -e "$work/sound.swf" ]] && fail "a movie was written without its sound"

echo "left out: $failures failed"
[[ $failures -eq 0 ]]
