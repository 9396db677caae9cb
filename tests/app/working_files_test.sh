#!/bin/sh
# The user's files are never harmed: a movie over the deck (also through links) is refused; files
# named like working files beside the deck are kept; an interrupted conversion (SIGINT, SIGTERM,
# SIGKILL at two moments) leaves nothing beside the deck and no partial movie, and the folder a
# killed run left is gone after the next run. Every movie written is read by the independent parser.
# Arguments: the quillet program, the sample deck.
set -u
quillet="$1"
sample="$2"
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export TMPDIR="$out/tmp"
mkdir -p "$TMPDIR"

# The independent parser must read the movie (when node and the parser are there).
parsed() {
    [ -d "$here/../../node_modules/swf-parser" ] || return 0
    node --input-type=module -e "
        import { readFileSync } from 'node:fs';
        import { parseSwf } from '$here/../../node_modules/swf-parser/lib/index.mjs';
        const m = parseSwf(readFileSync(process.argv[1]));
        if (!m.tags.length) throw new Error('no tags');" "$1" 2>&1 || fail "the parser cannot read $1"
}

# -o onto the deck itself, a symbolic link to it and a hard link to it.
mkdir "$out/own"
cp "$sample" "$out/own/d.pptx"
ln -s d.pptx "$out/own/soft.swf"
ln "$out/own/d.pptx" "$out/own/hard.swf"
for target in d.pptx soft.swf hard.swf; do
    "$quillet" convert -q "$out/own/d.pptx" -o "$out/own/$target" >"$out/msg" 2>&1 &&
        fail "-o $target onto the deck was accepted"
    grep -q "would overwrite the presentation" "$out/msg" || fail "-o $target: $(cat "$out/msg")"
    cmp -s "$sample" "$out/own/d.pptx" || fail "-o $target changed the deck"
done

# Look-alike user files beside the deck stay as they were; only the movie is added.
mkdir -p "$out/look/d_image"
cp "$sample" "$out/look/d.pptx"
for f in d_quillet_tmp.pptx d_image/0.jpg d_image/-2.jpg d.swf.part; do echo "mine: $f" >"$out/look/$f"; done
"$quillet" convert -q "$out/look/d.pptx" >/dev/null 2>&1 || fail "converting beside look-alikes failed"
for f in d_quillet_tmp.pptx d_image/0.jpg d_image/-2.jpg d.swf.part; do
    [ "$(cat "$out/look/$f")" = "mine: $f" ] || fail "$f was changed or removed"
done
[ "$(ls "$out/look" | tr '\n' ' ')" = "d.pptx d.swf d.swf.part d_image d_quillet_tmp.pptx " ] ||
    fail "unexpected files beside the deck: $(ls "$out/look")"
parsed "$out/look/d.swf"
[ -z "$(ls "$TMPDIR")" ] || fail "working files left in \$TMPDIR: $(ls "$TMPDIR")"

# A deck long enough that the signals below come while it is being converted (about 7 s in a
# release build here; 1200 slides took under 1.5 s once conversion had grown faster).
deck="$out/long.pptx"
python3 "$here/../decks/make_long_deck.py" "$deck" 4000 || fail "cannot write the long deck"
# Interrupted: nothing beside the deck but itself; INT and TERM clean up at once, KILL on the next
# run.
for signal in INT TERM KILL; do
    for moment in 0.3 1.5; do
        rm -rf "$out/run" && mkdir "$out/run"
        cp "$deck" "$out/run/long.pptx"
        # A non-interactive shell starts background jobs with SIGINT ignored; give the command
        # the default disposition, so an interrupt before it sets its own handler still ends it.
        env --default-signal=INT,TERM "$quillet" convert -q "$out/run/long.pptx" >/dev/null 2>&1 &
        pid=$!
        sleep "$moment"
        kill -s "$signal" "$pid" 2>/dev/null
        wait "$pid" && fail "SIG$signal at ${moment}s: the conversion had ended already (too fast a deck)"
        [ "$(ls "$out/run")" = "long.pptx" ] || fail "SIG$signal at ${moment}s left: $(ls "$out/run")"
        if [ "$signal" != KILL ]; then
            [ -z "$(ls "$TMPDIR")" ] || fail "SIG$signal left $(ls "$TMPDIR") in \$TMPDIR"
        else
            "$quillet" convert -q "$out/own/d.pptx" -o "$out/next.swf" >/dev/null 2>&1 || fail "the next run failed"
            [ -z "$(ls "$TMPDIR")" ] || fail "the killed run's folder is still there: $(ls "$TMPDIR")"
        fi
    done
done

# Two conversions of the same deck to the same movie at once share nothing: both succeed, and
# one whole movie is left.
rm -rf "$out/run" && mkdir "$out/run"
cp "$sample" "$out/run/two.pptx"
"$quillet" convert -q "$out/run/two.pptx" >/dev/null 2>&1 &
first=$!
"$quillet" convert -q "$out/run/two.pptx" >/dev/null 2>&1 || fail "the second of two runs failed"
wait "$first" || fail "the first of two runs failed"
[ "$(ls "$out/run" | tr '\n' ' ')" = "two.pptx two.swf " ] || fail "two runs left: $(ls "$out/run")"
parsed "$out/run/two.swf"
echo "working files: all checks passed"
