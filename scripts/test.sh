#!/usr/bin/env bash
# The README's second command: installs what is missing, then builds and runs every test:
# the unit and end-to-end tests in the release build, the suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer (without the player tests), and each fuzzer briefly.
# QUILLET_FUZZ_SECONDS sets how long each fuzzer runs (default 60; 0 skips fuzzing).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
step() { printf '\n== %s\n' "$*"; }

step "setup"
"$repo/scripts/setup.sh"

for flavour in release asan; do
    step "build ($flavour)"
    "$repo/scripts/build.sh" "$flavour"
    step "tests ($flavour)"
    # The player tests (label e2e) play what the same C++ writes in both builds; the sanitizer
    # pass runs everything else, including the engine's own conversion of every corpus deck.
    labels=()
    [[ "$flavour" == asan ]] && labels=(-LE e2e)
    # The tests keep their font-matching answers in the build, not in the user's cache.
    export QUILLET_FONT_CACHE="$repo/build/$flavour/test-font-answers"
    ctest --test-dir "$repo/build/$flavour" --output-on-failure -j 2 --timeout 900 "${labels[@]}"
done

seconds="${QUILLET_FUZZ_SECONDS:-60}"
if [[ "$seconds" != 0 ]]; then
    step "fuzzing (${seconds}s a target)"
    "$repo/scripts/fuzz.sh" "$seconds"
fi
