#!/usr/bin/env bash
# Builds every libFuzzer target with clang, address and undefined-behaviour sanitizers, and runs
# each for the given number of seconds (default 60) over its seed corpus. Exits non-zero when any
# target reports a finding (crash, sanitizer report, uncaught exception, leak, timeout, out of
# memory); the reproducer is left in the artifact directory that the output names.
#
#   scripts/fuzz.sh [seconds]
#
# Environment:
#   QUILLET_FUZZ_BUILD  build directory (default build/fuzz)
#   QUILLET_FUZZ_WORK   where the growing corpora and findings go (default <build>/fuzz-work)
#   QUILLET_FUZZ_JOBS   parallel build jobs (default 2)
#   QUILLET_CORPUS      third-party corpus; its swf/ folder is an extra seed source when present
#   QUILLET_FUZZ_ARGS   extra libFuzzer flags
#   QUILLET_FUZZ_TARGETS  space-separated targets to build and run (default: every fuzz_* target)
#
# Seeds: fuzz/corpus/<name without "fuzz_" and its first word>/ — fuzz_swf_movie reads
# fuzz/corpus/swf/. Seed folders are only read; new inputs go to the work directory.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || {
    echo "usage: $0 [seconds]" >&2
    exit 2
}
build="${QUILLET_FUZZ_BUILD:-$repo/build/fuzz}"
work="${QUILLET_FUZZ_WORK:-$build/fuzz-work}"
jobs="${QUILLET_FUZZ_JOBS:-2}"
corpus="${QUILLET_CORPUS:-$repo/../shared/corpus}"

say() { printf 'fuzz: %s\n' "$*"; }

command -v clang++ >/dev/null || {
    echo "fuzz: clang++ is missing (scripts/setup.sh installs it)" >&2
    exit 2
}

say "configuring $build"
CC=clang CXX=clang++ cmake -G Ninja -S "$repo" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLET_FUZZ=ON -DQUILLET_SANITIZE=ON \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null

# The fuzz targets are the executables whose names start with fuzz_.
mapfile -t targets < <(ninja -C "$build" -t targets all |
    sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): phony$/\1/p' | sort -u)
if [[ -n ${QUILLET_FUZZ_TARGETS:-} ]]; then
    read -r -a targets <<<"$QUILLET_FUZZ_TARGETS"
fi
((${#targets[@]})) || {
    echo "fuzz: no fuzz targets found" >&2
    exit 2
}
say "building ${targets[*]}"
ninja -C "$build" -j "$jobs" "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    # fuzz_swf_movie -> swf
    family="${target#fuzz_}"
    family="${family%%_*}"
    seeds="$repo/fuzz/corpus/$family"
    live="$work/$target/corpus"
    artifacts="$work/$target/findings/"
    mkdir -p "$live" "$artifacts"
    dirs=("$live")
    [[ -d $seeds ]] && dirs+=("$seeds")
    [[ -d $corpus/$family ]] && dirs+=("$corpus/$family")
    dict="$repo/fuzz/$target.dict"
    extra=()
    [[ -f $dict ]] && extra+=("-dict=$dict")
    # shellcheck disable=SC2206
    extra+=(${QUILLET_FUZZ_ARGS:-})

    say "running $target for ${seconds}s over ${dirs[*]}"
    log="$work/$target/last-run.log"
    # Memory limits: a length field that claims gigabytes must not make the decoder allocate them.
    before=$(find "$artifacts" -type f | wc -l)
    started=$SECONDS
    code=0
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "${extra[@]}" "${dirs[@]}" >"$log" 2>&1 || code=$?
    # Executions: the final statistics, or the last status line (the fork mode prints no stats).
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    [[ -n $runs ]] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
    found=$(($(find "$artifacts" -type f | wc -l) - before))
    if ((code == 0 && found == 0)); then
        say "$target: ${runs:-?} runs in $((SECONDS - started))s, no finding"
    else
        status=1
        say "$target: FINDING after ${runs:-?} runs: $found new reproducer(s) in $artifacts, log $log"
        grep -E '^==[0-9]+==ERROR|^SUMMARY|^fuzz_[a-z_]*:|Test unit written' "$log" | sort | uniq -c |
            sort -rn | head -n 20 >&2 || true
    fi
done
exit "$status"
