#!/usr/bin/env bash
# `quillet info` on real movies: every corpus movie and every movie the end-to-end tests write
# decodes; malformed files give the library's message and a non-zero exit.
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

expect_refused() {  # file, message
    if "$quillet" info "$1" >"$work/out.txt" 2>"$work/err.txt"; then
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

# Malformed files: the library's message, a non-zero exit, and with --lenient what could be read.
head -c 300 "$work/demo.swf" >"$work/truncated.swf"
expect_refused "$work/truncated.swf" "Read Overflow"
printf 'GIF89a not a movie' >"$work/picture.swf"
expect_refused "$work/picture.swf" "Not Flash format"
expect_refused "$work/absent.swf" "Cannot open file"
# A background colour tag claiming 5 bytes where it has 3, then a frame and the end.
printf 'FWS\x07\x18\x00\x00\x00\x00\x00\x0c\x01\x00\x45\x02\x01\x02\x03\x09\x09\x40\x00\x00\x00' >"$work/missized.swf"
expect_refused "$work/missized.swf" "FSSetBackgroundColor underflowed by 2 bytes."
if "$quillet" info --lenient "$work/missized.swf" >"$work/out.txt" 2>"$work/err.txt"; then
    fail "--lenient exited 0 on a mis-sized tag"
fi
grep -q 'FSShowFrame' "$work/out.txt" || fail "--lenient did not go on after the mis-sized tag"
grep -qF "underflowed by 2 bytes" "$work/err.txt" || fail "--lenient did not report the error"

# Real movies made by other tools.
decoded=0
refused=0
if [[ -d "$corpus/swf" ]]; then
    for movie in "$corpus"/swf/*/*.swf; do
        case "$(head -c 3 "$movie")" in
            ZWS) expect_refused "$movie" "Not Flash format"; refused=$((refused + 1)) ;;
            *) expect_ok "$movie" "$(basename "$movie")"; decoded=$((decoded + 1)) ;;
        esac
    done
else
    echo "corpus absent at $corpus/swf: only our own movies were read"
fi

echo "quillet info: $written movies of ours, $decoded corpus movies read, $refused LZMA movies refused"
echo "$(( written + decoded + refused + 10 - failures )) passed, $failures failed"
[[ $failures -eq 0 ]]
