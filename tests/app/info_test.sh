#!/usr/bin/env bash
# `quillet info` on real movies: every corpus movie and every movie the end-to-end tests write
# is read to its end (exit 0); movies that players load although they are slightly malformed are
# read to their end with a warning naming the fault; files that are no movie we can read give
# the library's message and exit 1.
#   info_test.sh QUILLET E2E_MOVIES CORPUS
set -uo pipefail
quillet="$1"
movies_tool="$2"
corpus="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_ok() {  # file, label
    if ! "$quillet" info "$1" >"$work/out.txt" 2>"$work/err.txt"; then
        fail "$2: $(head -c 300 "$work/err.txt")"
        return
    fi
    grep -q '^@' "$work/out.txt" || fail "$2: no tags listed"
}

expect_refused() {  # file, message, [option]
    if "$quillet" info ${3:+"$3"} "$1" >"$work/out.txt" 2>"$work/err.txt"; then
        fail "$(basename "$1") was accepted"
    elif ! grep -qF "$2" "$work/err.txt"; then
        fail "$(basename "$1"): expected \"$2\", got: $(cat "$work/err.txt")"
    fi
}

# Movies our own tests write.
"$movies_tool" "$work/e2e" >/dev/null || fail "e2e_movies did not run"
"$quillet" demo "$work/demo.swf" >/dev/null || fail "demo did not write"
written=0
for movie in "$work"/e2e/*.swf "$work/demo.swf"; do
    expect_ok "$movie" "$(basename "$movie")"
    [[ -s "$work/err.txt" ]] && fail "$(basename "$movie"): our own movie has warnings: $(head -c 300 "$work/err.txt")"
    written=$((written + 1))
done

# The JSON form parses and agrees with the text form on the tag count.
"$quillet" info --json "$work/demo.swf" >"$work/demo.json" || fail "--json exited non-zero"
tags_json=$(node -e 'const d = JSON.parse(require("fs").readFileSync(process.argv[1])); console.log(d.tags.length)' "$work/demo.json") ||
    fail "--json is not JSON"
tags_text=$("$quillet" info "$work/demo.swf" | grep -c '^@')
[[ "$tags_json" == "$tags_text" ]] || fail "--json lists $tags_json tags, the text $tags_text"

# A movie clip's own tags are listed under it with their type and key fields, and the clip with
# its frame count; clip events are listed under their placement.
"$quillet" info "$work/e2e/swf-clip-mask.swf" >"$work/clip.txt" 2>&1 || fail "swf-clip-mask.swf: $(cat "$work/clip.txt")"
grep -qE '^@[0-9]+ +FSDefineMovieClip \(39, [0-9]+ bytes\) id=[0-9]+ frames=3$' "$work/clip.txt" ||
    fail "swf-clip-mask.swf: the movie clip is not listed with its three frames"
[[ $(grep -cE '^  @[0-9]+ +FSPlaceObject2 \(26, 7 bytes\) place=new depth=[123] character=[0-9]+$' "$work/clip.txt") == 3 ]] ||
    fail "swf-clip-mask.swf: the clip's placements are not listed with their fields"
grep -qE '^@[0-9]+ +FSPlaceObject2 .* clipDepth=2$' "$work/clip.txt" ||
    fail "swf-clip-mask.swf: the mask's clip depth is not shown"
"$quillet" info "$work/e2e/swf-keys.swf" >"$work/keys.txt" 2>&1 || fail "swf-keys.swf: $(cat "$work/keys.txt")"
grep -A1 -E '^@[0-9]+ +FSPlaceObject2 .* depth=10 ' "$work/keys.txt" | grep -qE '^  @[0-9]+ +FSClipEvent$' ||
    fail "swf-keys.swf: the KeyDown clip event is not listed under its placement"

# Slightly malformed movies: read to the end with the fault named (exit 0); --strict refuses them.
# Each is a header (frame size 0, 12 fps, 1 frame) followed by tags, as printf escapes.
header='FWS\x07\x18\x00\x00\x00\x00\x00\x0c\x01\x00'
while IFS='|' read -r name tags warning; do
    printf "$header$tags" >"$work/$name.swf"
    if ! "$quillet" info "$work/$name.swf" >"$work/out.txt" 2>"$work/err.txt"; then
        fail "$name: exited non-zero: $(cat "$work/err.txt")"
    elif ! grep -q 'FSShowFrame' "$work/out.txt"; then
        fail "$name: not read to its end: $(cat "$work/out.txt")"
    elif ! grep -qF "warning: $warning" "$work/err.txt"; then
        fail "$name: expected the warning \"$warning\", got: $(cat "$work/err.txt")"
    fi
    expect_refused "$work/$name.swf" "$warning" --strict
done <<'MOVIES'
no-end-tag|\x43\x02\x01\x02\x03\x40\x00|The movie has no end tag: its tag list ends with the data.
two-bytes-longer|\x45\x02\x01\x02\x03\x09\x09\x40\x00\x00\x00|FSSetBackgroundColor underflowed by 2 bytes.
two-bytes-shorter|\x41\x02\x01\x40\x00\x00\x00|FSSetBackgroundColor overflowed by 2 bytes.
last-tag-past-the-end|\x40\x00\x4a\x02\x01\x02\x03|The tag of type 9 at byte 15 runs 7 bytes past the end of the data; dropped.
MOVIES
# The JSON form lists the warnings too.
"$quillet" info --json "$work/two-bytes-longer.swf" >"$work/missized.json" 2>/dev/null
node -e 'const d = JSON.parse(require("fs").readFileSync(process.argv[1]));
    if (d.warnings.join() !== "FSSetBackgroundColor underflowed by 2 bytes.") process.exit(1)' "$work/missized.json" ||
    fail "--json does not list the warning"

# A function the library gives up on (its with block runs past it) is listed once, as the
# unknown action it is kept as, over its record and its declared body (3 + 6 + 6 bytes).
damaged="$(dirname "$0")/../../fuzz/corpus/swf/action-block-declared-past-its-owner.swf"
"$quillet" info "$damaged" >"$work/damaged.txt" 2>/dev/null || fail "damaged action: exited $?"
[[ $(grep -c '^  @' "$work/damaged.txt") == 1 ]] &&
    grep -q '^  @19 *FSUnknownAction 155 6 6 bytes 6 bytes$' "$work/damaged.txt" &&
    "$quillet" info --json "$damaged" 2>/dev/null | grep -qF '"name":"FSUnknownAction","offset":19,"size":15' ||
    fail "damaged action: not listed once over its extent: $(cat "$work/damaged.txt")"

# A frame label whose bytes are an encoded surrogate: the JSON text stays valid UTF-8.
printf "$header"'\xc4\x0a\xed\xa0\x80\x00\x40\x00\x00\x00' >"$work/label.swf"
"$quillet" info --json "$work/label.swf" >"$work/label.json" 2>/dev/null || fail "label.swf: exited $?"
iconv -f UTF-8 -t UTF-8 "$work/label.json" >/dev/null 2>&1 || fail "label.swf: --json wrote invalid UTF-8"
grep -qF '\u00ed\u00a0\u0080' "$work/label.json" || fail "label.swf: the label's bytes are not kept: $(cat "$work/label.json")"

# Files that are no movie we can read.
printf 'GIF89a not a movie' >"$work/picture.swf"
expect_refused "$work/picture.swf" "Not Flash format"
expect_refused "$work/absent.swf" "Cannot open file"
printf 'CWS\x07\x40\x00\x00\x00not zlib data' >"$work/garbage.swf"
expect_refused "$work/garbage.swf" "Cannot uncompress movie"

# Real movies made by other tools.
decoded=0
refused=0
warned=0
if [[ -d "$corpus/swf" ]]; then
    for movie in "$corpus"/swf/*/*.swf; do
        case "$(head -c 3 "$movie")" in
            ZWS) expect_refused "$movie" "Not Flash format"; refused=$((refused + 1)) ;;
            *)
                expect_ok "$movie" "$(basename "$movie")"
                decoded=$((decoded + 1))
                grep -q 'warning:' "$work/err.txt" && warned=$((warned + 1))
                ;;
        esac
    done
else
    echo "corpus absent at $corpus/swf: only our own movies were read"
fi

echo "quillet info: $written movies of ours, $decoded corpus movies read ($warned with warnings), $refused LZMA movies refused"
echo "$(( written + decoded + refused + 15 - failures )) passed, $failures failed"
[[ $failures -eq 0 ]]
