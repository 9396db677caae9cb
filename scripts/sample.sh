#!/usr/bin/env bash
# The README's first command: installs what is missing, builds quillet and converts the bundled
# sample deck. The movie is written to build/sample/sample.swf, with a page that plays it.
# QUILLET_SAMPLE_BIN=path/to/quillet uses that build instead (no setup, no build), and
# QUILLET_SAMPLE_OUT=dir writes the movie there; the tests run the script this way.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
quillet="${QUILLET_SAMPLE_BIN:-}"
if [[ -z $quillet ]]; then
    "$repo/scripts/setup.sh"
    "$repo/scripts/build.sh" release
    quillet="$repo/build/release/app/quillet"
fi
out="${QUILLET_SAMPLE_OUT:-$repo/build/sample}"
mkdir -p "$out"
"$quillet" convert "$repo/examples/sample.pptx" -o "$out/sample.swf"
# sed reads the whole listing: head would close the pipe early and, under pipefail, the
# broken pipe would make this script fail although everything worked.
"$quillet" info "$out/sample.swf" | sed -n '1,2p'
echo "Movie: $out/sample.swf"
echo "To watch it: node scripts/play.mjs $out/sample.swf   (serves it on 127.0.0.1 with the in-browser player)"
