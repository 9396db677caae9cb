#!/usr/bin/env bash
# What cannot be converted is named, the rest converted: convert, render and inspect warn about
# each slide or picture left out (naming the slide and the shape) and exit 3; the movie is still
# written and read by the independent parser; an unusable --sound is refused.
#   left_out_test.sh QUILLET SAMPLE.pptx [CORPUS]
set -uo pipefail
quillet="$1"
sample="$2"
corpus="${3:-}"
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
# Each command on DECK exits 3 and gives each expected warning, each item once:
#   expect_left_out DECK NAME WARNING...
expect_left_out() {
    local deck="$1" name="$2" command status warning
    shift 2
    for command in "convert $deck -o $work/$name.swf --quiet" "render $deck -o $work/$name-pictures" \
        "inspect $deck"; do
        # shellcheck disable=SC2086
        "$quillet" $command >"$work/out.txt" 2>"$work/err.txt"
        status=$?
        [[ $status -eq 3 ]] || fail "$name: $command exited $status, not 3: $(cat "$work/err.txt")"
        for warning in "$@"; do
            [[ $(grep -F "warning: " "$work/err.txt" | grep -cF "$warning") -eq 1 ]] ||
                fail "$name: ${command%% *}: not one warning \"$warning\": $(cat "$work/err.txt")"
        done
        [[ $(grep -c "warning: " "$work/err.txt") -eq $# ]] ||
            fail "$name: ${command%% *}: $(grep -c "warning: " "$work/err.txt") warnings, not $#: $(cat "$work/err.txt")"
    done
}
expect_left_out "$work/damaged.pptx" damaged 'slide left out: part "ppt/slides/slide5.xml": malformed XML' \
    'slide 3, shape "Picture" (id 3): its picture is missing from the package; left out'
[[ $(ls "$work/damaged-pictures" | wc -l) -eq 4 ]] || fail "render drew $(ls "$work/damaged-pictures" | wc -l) slides, not the 4 left"

# Pictures and slide parts that cannot be used, each on a slide of its own; a good PNG and JPEG
# (from the corpus, when there) must give no warning.
jpeg="$corpus/jpeg/hopper.jpg"
[[ -f "$jpeg" ]] || { echo "corpus absent: the JPEG rows are skipped"; jpeg=""; }
python3 - "$repo/examples" "$work/pictures.pptx" "$jpeg" <<'PY'
import struct, sys, zlib
sys.path.insert(0, sys.argv[1])
from pptx_writer import png, slide, write_deck

def header_only(width, height):  # a PNG whose header claims the size, with one byte of pixels
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(b'\0')) + chunk(b'IEND', b''))

good = png(64, 48, lambda x, y: (x * 4, y * 5, 128))
jpeg = open(sys.argv[3], 'rb').read() if sys.argv[3] else b''
pictures = [('good.png', good),
            ('corrupt.png', good[:40] + bytes(200) + good[240:]),
            ('truncated.png', good[:len(good) // 2]),
            ('absurd.png', header_only(100000, 100000)),
            ('huge.png', header_only(9000, 9000)),
            ('bomb.png', b'\x89PNG\r\n\x1a\n' + bytes(8 << 20))]
if jpeg:
    pictures += [('good.jpg', jpeg), ('truncated.jpg', jpeg[:len(jpeg) // 2])]
def pic(name):
    return ('<p:pic><p:nvPicPr><p:cNvPr id="5" name="' + name + '"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>'
            '<p:blipFill><a:blip r:embed="rId2"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
            '<p:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="1270000" cy="952500"/></a:xfrm>'
            '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')
slides = [(slide(pic(name)), 'obj', [('rId2', 'image', '../media/' + name)]) for name, _ in pictures]
# A slide part past the size allowed, and one whose target climbs out of the package.
slides.append((slide('') + ' ' * (65 << 20), 'obj', []))
slides.append((slide(''), 'obj', []))
write_deck(sys.argv[2], slides, media=pictures)
PY
python3 - "$work/pictures.pptx" <<'PY'
import sys, zipfile
name = sys.argv[1]
with zipfile.ZipFile(name) as src:
    items = [(i, src.read(i.filename)) for i in src.infolist()]
with zipfile.ZipFile(name, 'w', zipfile.ZIP_DEFLATED) as out:
    for item, data in items:
        if item.filename == 'ppt/_rels/presentation.xml.rels':
            last = data.decode().count('Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide"')
            data = data.replace(f'Target="slides/slide{last}.xml"'.encode(), b'Target="../../outside.xml"')
        out.writestr(item, data)
PY
picture_warnings=('slide 2, shape "corrupt.png" (id 5): its picture "ppt/media/corrupt.png" cannot be drawn ('
    'slide 3, shape "truncated.png" (id 5): its picture "ppt/media/truncated.png" cannot be drawn ('
    'slide 4, shape "absurd.png" (id 5): its picture "ppt/media/absurd.png" cannot be drawn ('
    'slide 5, shape "huge.png" (id 5): its picture "ppt/media/huge.png" cannot be drawn (PNG: the image has more than the 67108864 pixels'
    'slide 6, shape "bomb.png" (id 5): its picture "ppt/media/bomb.png" cannot be drawn (part "ppt/media/bomb.png" has a suspicious compression ratio')
last=7
if [[ -n "$jpeg" ]]; then
    picture_warnings+=('slide 8, shape "truncated.jpg" (id 5): its picture "ppt/media/truncated.jpg" cannot be drawn (JPEG: truncated data)')
    last=9
fi
picture_warnings+=("slide left out: part \"ppt/slides/slide$last.xml\" inflates to 68157"
    "slide $((last + 1)) is missing from the package; left out")
expect_left_out "$work/pictures.pptx" pictures "${picture_warnings[@]}"
[[ $(ls "$work/pictures-pictures" | wc -l) -eq $((last - 1)) ]] ||
    fail "render drew $(ls "$work/pictures-pictures" | wc -l) slides, not the $((last - 1)) left"

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
