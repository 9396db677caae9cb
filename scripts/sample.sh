#!/usr/bin/env bash
# The README's first command: installs what is missing, builds quillet and converts the bundled
# sample deck. The movie is written to build/sample/sample.swf, with a page that plays it.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup.sh"
"$repo/scripts/build.sh" release
out="$repo/build/sample"
mkdir -p "$out"
"$repo/build/release/app/quillet" convert "$repo/examples/sample.pptx" -o "$out/sample.swf"
"$repo/build/release/app/quillet" info "$out/sample.swf" | head -n 2
echo "Movie: $out/sample.swf"
echo "To watch it: node scripts/play.mjs $out/sample.swf   (serves it on 127.0.0.1 with the in-browser player)"
