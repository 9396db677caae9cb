#!/usr/bin/env bash
# The README's first command: installs what is missing, builds quillet and runs it on the
# bundled sample. The movie is written to build/sample/.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/setup.sh"
"$repo/scripts/build.sh" release
mkdir -p "$repo/build/sample"
"$repo/build/release/app/quillet" demo "$repo/build/sample/demo.swf"
