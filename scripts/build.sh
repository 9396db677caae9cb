#!/usr/bin/env bash
# Configures and builds one flavour of the project under build/<flavour>:
#   release   optimised with debug information (the default)
#   asan      AddressSanitizer + UndefinedBehaviorSanitizer, for running the whole suite
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
flavour="${1:-release}"
case "$flavour" in
    release) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    asan) options=(-DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON) ;;
    *) echo "build: unknown flavour '$flavour' (release or asan)" >&2; exit 2 ;;
esac
cmake -G Ninja -S "$repo" -B "$repo/build/$flavour" -DQUILLET_WERROR=ON "${options[@]}" >/dev/null
ninja -C "$repo/build/$flavour" ${QUILLET_JOBS:+-j "$QUILLET_JOBS"}
