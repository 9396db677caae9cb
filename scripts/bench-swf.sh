#!/usr/bin/env bash
# Times our SWF encoder and decoder on a large movie (bench_swf, Release build) and the
# independent parser (npm swf-parser) on the very same files, and prints both with their ratio.
#
#   scripts/bench-swf.sh [runs]      runs: parses per file for swf-parser (default 7)
#
# Environment: QUILLET_BENCH_BUILD (default build/bench), QUILLET_BENCH_JOBS (default 2).
# Needs node_modules (scripts/setup.sh runs npm ci).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-7}"
build="${QUILLET_BENCH_BUILD:-$repo/build/bench}"
jobs="${QUILLET_BENCH_JOBS:-2}"

[[ -d $repo/node_modules/swf-parser ]] || {
    echo "bench-swf: node_modules/swf-parser is missing (run scripts/setup.sh)" >&2
    exit 2
}

cmake -G Ninja -S "$repo" -B "$build" -DQUILLET_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j "$jobs" bench_swf >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/bench-swf.XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_swf" --write_movie="$work/movie-fws.swf" \
    --write_compressed_movie="$work/movie-cws.swf" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/ours.json" --benchmark_out_format=json

(cd "$repo" && node bench/swf_parser_time.mjs "$work/movie-fws.swf" "$runs") | tee "$work/fws.txt"
(cd "$repo" && node bench/swf_parser_time.mjs "$work/movie-cws.swf" "$runs") | tee "$work/cws.txt"

# Medians against medians: wall time of both, and processor time of both.
node --input-type=module - "$work" <<'EOF'
import { readFileSync } from "node:fs";
const dir = process.argv[2];
const ours = JSON.parse(readFileSync(`${dir}/ours.json`, "utf8")).benchmarks;
const median = (name) => ours.find((b) => b.run_name === name && b.aggregate_name === "median");
const toMs = (b, key) => b[key] * ({ ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 }[b.time_unit]);
const theirs = (file) =>
  Object.fromEntries(
    readFileSync(`${dir}/${file}`, "utf8")
      .split("\n")
      .find((line) => line.startsWith("swf_parser "))
      .split(" ")
      .slice(1)
      .map((pair) => pair.split("=").map((v, i) => (i ? Number(v) : v))),
  );
const mib = (bytes, ms) => (bytes / (1024 * 1024) / (ms / 1000)).toFixed(1);
console.log("\nmedians; MiB/s over the uncompressed movie");
for (const [kind, file] of [["FWS", "fws.txt"], ["CWS", "cws.txt"]]) {
  const parser = theirs(file);
  const size = parser.uncompressed_bytes;
  const enc = median(`BM_Encode${kind}`);
  const dec = median(`BM_Decode${kind}`);
  const [encWall, encCpu] = [toMs(enc, "real_time"), toMs(enc, "cpu_time")];
  const [decWall, decCpu] = [toMs(dec, "real_time"), toMs(dec, "cpu_time")];
  console.log(
    `${kind}: ours encode ${encWall.toFixed(1)} ms wall / ${encCpu.toFixed(1)} ms cpu (${mib(size, encCpu)} MiB/s cpu); ` +
      `decode ${decWall.toFixed(1)} ms wall / ${decCpu.toFixed(1)} ms cpu (${mib(size, decCpu)} MiB/s cpu)`,
  );
  console.log(
    `${kind}: swf-parser ${parser.median_ms.toFixed(1)} ms wall / ${parser.cpu_median_ms.toFixed(1)} ms cpu ` +
      `(${mib(size, parser.cpu_median_ms)} MiB/s cpu); ` +
      `our decoder is ${(parser.median_ms / decWall).toFixed(1)}x faster by wall time, ` +
      `${(parser.cpu_median_ms / decCpu).toFixed(1)}x by processor time`,
  );
}
EOF
