#!/usr/bin/env bash
# Converts every corpus deck (or the decks and folders given) with `quillet convert` in a child
# process per deck and, when the office suite is installed (soffice or libreoffice on PATH), the
# same decks to PDF with it, one office process per deck and warm inside one running instance
# (through python3-uno); prints wall time, processor time, peak memory, movie and PDF size per
# deck with the ratios, totals and medians (bench/bench_convert.cpp says what is measured).
#
#   scripts/bench-convert.sh [bench_convert options] [DECK.pptx | FOLDER]...
#       --runs N (best of N, default 3), --no-office, --office PATH, --no-warm, --python PATH,
#       --timeout S, --quillet PATH
#
# Environment: QUILLET_BENCH_BUILD (default build/bench), QUILLET_BENCH_BUILD_TYPE (default
# Release), QUILLET_BENCH_JOBS (default 2). The office suite is not a project dependency; on
# Debian: apt-get install --no-install-recommends libreoffice-impress python3-uno.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUILLET_BENCH_BUILD:-$repo/build/bench}"
type="${QUILLET_BENCH_BUILD_TYPE:-Release}"
jobs="${QUILLET_BENCH_JOBS:-2}"

cmake -G Ninja -S "$repo" -B "$build" -DQUILLET_WERROR=ON -DCMAKE_BUILD_TYPE="$type" >/dev/null
ninja -C "$build" -j "$jobs" quillet bench_convert >/dev/null

exec "$build/bench/bench_convert" --quillet "$build/app/quillet" "$@"
