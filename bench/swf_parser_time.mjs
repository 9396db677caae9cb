// Times the independent parser (npm swf-parser, a test-time tool only) on one SWF file, to set
// our decoder's speed beside it on the very same bytes.
//
//   node bench/swf_parser_time.mjs FILE [RUNS]
//
// Prints the median wall and processor time of RUNS parses (default 7, after one warm-up) and the
// rate over the uncompressed size (the header's length field), then one machine-readable line:
//   swf_parser median_ms=<ms> cpu_median_ms=<ms> uncompressed_bytes=<n> file_bytes=<n> tags=<n>
//   records=<n>
// Exits 1 when the parser cannot read the file or leaves tags raw (it does that for bodies it
// cannot read instead of failing), since a timing of a failed parse means nothing.
import { readFileSync } from "node:fs";
import { performance } from "node:perf_hooks";
import { parseSwf, swf } from "swf-parser";

const [file, runsText = "7"] = process.argv.slice(2);
const runs = Number.parseInt(runsText, 10);
if (!file || !(runs > 0)) {
  console.error("usage: node bench/swf_parser_time.mjs FILE [RUNS]");
  process.exit(2);
}

const bytes = new Uint8Array(readFileSync(file));
if (bytes.length < 8) {
  console.error(`${file}: not a SWF file`);
  process.exit(1);
}
const uncompressed = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength).getUint32(4, true);

let movie;
try {
  movie = parseSwf(bytes); // warm-up, and the check that the parse is real
} catch (error) {
  console.error(`swf-parser cannot read ${file}: ${error}`);
  process.exit(1);
}
const raw = movie.tags.filter((tag) => ["Raw", "RawBody"].includes(swf.TagType[tag.type]));
if (raw.length > 0) {
  console.error(`swf-parser left ${raw.length} tags unread in ${file}`);
  process.exit(1);
}

const records = movie.tags
  .filter((tag) => swf.TagType[tag.type] === "DefineShape")
  .reduce((sum, tag) => sum + tag.shape.records.length, 0);

// Wall time, and the process's processor time, which a machine busy with other work disturbs less.
const times = [];
const cpuTimes = [];
for (let i = 0; i < runs; i++) {
  const cpuStart = process.cpuUsage();
  const start = performance.now();
  parseSwf(bytes);
  times.push(performance.now() - start);
  const cpu = process.cpuUsage(cpuStart);
  cpuTimes.push((cpu.user + cpu.system) / 1000);
}
const medianOf = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const half = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
};
times.sort((a, b) => a - b);
const median = medianOf(times);
const cpuMedian = medianOf(cpuTimes);
const rate = uncompressed / (median / 1000) / (1024 * 1024);

console.log(
  `swf-parser: ${file}: median ${median.toFixed(1)} ms of ${runs} runs ` +
    `(min ${times[0].toFixed(1)}, max ${times[runs - 1].toFixed(1)}), ` +
    `${rate.toFixed(2)} MiB/s uncompressed; processor time median ${cpuMedian.toFixed(1)} ms; ` +
    `${movie.tags.length} tags, ${records} shape records`,
);
console.log(
  `swf_parser median_ms=${median.toFixed(3)} cpu_median_ms=${cpuMedian.toFixed(3)} ` +
    `uncompressed_bytes=${uncompressed} ` +
    `file_bytes=${bytes.length} tags=${movie.tags.length} records=${records}`,
);
