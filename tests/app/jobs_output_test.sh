#!/usr/bin/env bash
# The same decks with the same --seed give the same movies, byte for byte, whether each is
# converted on its own in the quillet process or several go through worker processes one or two
# at a time. The decks: the sample deck with a random transition on every slide (so the seed is
# in play) and, when the corpus is there, two decks with many lossless bitmaps and gradients.
#   jobs_output_test.sh QUILLET SAMPLE.pptx [CORPUS]
set -uo pipefail
quillet="$1"
sample="$2"
corpus="${3:-}"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Every slide's transition drawn at random.
python3 - "$sample" "$work/random.pptx" <<'PY'
import re, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w") as out:
    for item in src.infolist():
        data = src.read(item.filename)
        if re.fullmatch(r"ppt/slides/slide\d+\.xml", item.filename):
            text = re.sub(r"<p:transition.*?</p:transition>", "", data.decode())
            data = text.replace("</p:clrMapOvr>", '</p:clrMapOvr><p:transition spd="med"><p:random/></p:transition>').encode()
        out.writestr(item, data)
PY
decks=("$work/random.pptx")
for name in backgrounds dml-fill; do
    if [[ -f "$corpus/pptx/$name.pptx" ]]; then
        decks+=("$corpus/pptx/$name.pptx")
    else
        echo "corpus deck $name.pptx absent: converting without it"
    fi
done
for run in single j1 j2; do
    mkdir -p "$work/$run"
    cp "${decks[@]}" "$work/$run/"
done

for deck in "$work"/single/*.pptx; do
    "$quillet" convert "$deck" --seed 7 --quiet >/dev/null 2>>"$work/err.txt" ||
        fail "$(basename "$deck") on its own exited $?: $(cat "$work/err.txt")"
done
"$quillet" convert "$work"/j1/*.pptx --seed 7 -j 1 --quiet >/dev/null 2>>"$work/err.txt" ||
    fail "-j 1 exited $?: $(cat "$work/err.txt")"
"$quillet" convert "$work"/j2/*.pptx --seed 7 -j 2 --quiet >/dev/null 2>>"$work/err.txt" ||
    fail "-j 2 exited $?: $(cat "$work/err.txt")"

# Every movie written is read by our reader and by the independent parser.
check_movie() {
    local movie="$1" name
    name="$(basename "$movie")"
    "$quillet" info --strict --json "$movie" >"$work/info.json" || fail "$name: the movie does not read"
    if [[ -d "$repo/node_modules/swf-parser" ]]; then
        node --input-type=module -e "
            import { readFileSync } from 'node:fs';
            import { checkSwf } from '$repo/tests/e2e/swfcheck.mjs';
            const tags = JSON.parse(readFileSync('$work/info.json')).tags.map((t) => t.type);
            checkSwf(readFileSync('$movie'), tags, { label: '$name' });" ||
            fail "$name: the independent parser refuses the movie"
    else
        echo "node_modules absent: the independent parser check is skipped"
    fi
}

for movie in "$work"/single/*.swf; do
    name="$(basename "$movie")"
    [[ -s "$movie" ]] || fail "$name: no movie"
    for run in j1 j2; do
        cmp -s "$movie" "$work/$run/$name" || fail "$name: the $run movie differs from the one made on its own"
    done
    check_movie "$movie"
done
# The seed is really used: another one draws other transitions.
"$quillet" convert "$work/random.pptx" -o "$work/other-seed.swf" --seed 8 --quiet >/dev/null 2>>"$work/err.txt" ||
    fail "--seed 8 exited $?: $(cat "$work/err.txt")"
cmp -s "$work/other-seed.swf" "$work/single/random.swf" && fail "--seed 7 and --seed 8 give the same movie"
check_movie "$work/other-seed.swf"
count=$(ls "$work"/single/*.swf 2>/dev/null | wc -l)
[[ $count -eq ${#decks[@]} ]] || fail "$count movies for ${#decks[@]} decks"

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "the ${#decks[@]} movies are the same on their own, with -j 1 and with -j 2"
