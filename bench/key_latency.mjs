// Key latency in the real player: converts a long deck written for the benchmark, plays it in the
// in-browser player under headless Chromium and, for every slide, measures the time from the
// right-arrow key press to the next slide's picture standing still on the stage.
//
//   node bench/key_latency.mjs [--slides N] [--quillet PATH] [--json OUT.json]
//
// The slides hold 20 s each, so the timer never moves the show on by itself while a key is
// measured. Prints one line per slide and the figures at slides 2, 10, 30 and the last; at those
// slides it also measures the page's main-thread time per movie frame while the slide plays for
// three seconds (the player's work per frame, which must not grow with the slide number).
import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { Player } from "../tests/e2e/player.mjs";

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..");
const args = process.argv.slice(2);
const option = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : fallback;
};
const slides = Number(option("--slides", "60"));
const quillet = option("--quillet", process.env.QUILLET_BIN || path.join(repo, "build/release/app/quillet"));
const jsonOut = option("--json", null);
const keyTimeoutMs = 60000;

// The stage without its bottom rows (the progress bar grows there on every frame).
function signature(image) {
    const rows = image.height - 30;
    const parts = [];
    for (let y = 0; y < rows; y += 3) {
        for (let x = 0; x < image.width; x += 3) parts.push(image.pixel(x, y).slice(0, 3).join(","));
    }
    return parts.join(";");
}

// Presses the right arrow and returns the milliseconds until the picture changed and then held
// still for one more screenshot.
async function timeKey(player, before) {
    const start = performance.now();
    await player.press("ArrowRight");
    let changedAt = null;
    let last = before;
    for (;;) {
        const { image } = await player.screenshot();
        const now = performance.now();
        const sig = signature(image);
        if (changedAt === null && sig !== before) changedAt = now;
        else if (changedAt !== null && sig === last) return { ms: changedAt - start, picture: sig };
        else if (changedAt !== null) changedAt = now; // still drawing
        last = sig;
        if (now - start > keyTimeoutMs) return { ms: NaN, picture: sig };
    }
}

const PROFILED = new Set([2, 10, 30]);

// Main-thread milliseconds the page spends per movie frame (20 a second) over `seconds` of play.
async function workPerFrame(cdp, seconds) {
    const busy = async () => (await cdp.send("Performance.getMetrics")).metrics.find((m) => m.name === "TaskDuration").value;
    const before = await busy();
    await new Promise((r) => setTimeout(r, seconds * 1000));
    return ((await busy()) - before) * 1000 / (seconds * 20);
}

async function main() {
    const work = mkdtempSync(path.join(os.tmpdir(), "quillet-latency-"));
    const player = await Player.launch();
    try {
        const deck = path.join(work, "long.pptx");
        const movie = path.join(work, "long.swf");
        execFileSync("python3", [path.join(repo, "tests/decks/make_long_deck.py"), deck, String(slides)]);
        execFileSync(quillet, ["convert", "--quiet", "--seed", "1", "--slide-delay", "20", deck, "-o", movie], {
            env: { ...process.env, XDG_CONFIG_HOME: work },
        });
        await player.load(movie);
        await player.focus();
        const cdp = await player.page.context().newCDPSession(player.page);
        await cdp.send("Performance.enable");
        const perFrame = [];
        let { image } = await player.screenshot();
        let picture = signature(image);
        const times = [];
        for (let slide = 2; slide <= slides; slide++) {
            const result = await timeKey(player, picture);
            picture = result.picture;
            times.push({ slide, ms: Math.round(result.ms) });
            let line = `slide ${String(slide).padStart(3)}: ${Number.isNaN(result.ms) ? "no change" : `${Math.round(result.ms)} ms`}`;
            if (PROFILED.has(slide) || slide === slides) {
                const ms = await workPerFrame(cdp, 3);
                perFrame.push({ slide, msPerFrame: Number(ms.toFixed(2)) });
                line += `; main thread ${ms.toFixed(2)} ms per frame`;
            }
            console.log(line);
        }
        await player.check("paging through the deck");
        const at = (n) => times.find((t) => t.slide === n)?.ms;
        const report = { slides, at2: at(2), at10: at(10), at30: at(30), atLast: at(slides), times, perFrame };
        console.log(`key latency: slide 2 ${report.at2} ms, 10 ${report.at10} ms, 30 ${report.at30} ms, ` +
            `${slides} ${report.atLast} ms; slowest ${Math.max(...times.map((t) => t.ms))} ms`);
        console.log(`main thread per frame: ${perFrame.map((w) => `slide ${w.slide} ${w.msPerFrame} ms`).join(", ")}`);
        if (jsonOut) writeFileSync(jsonOut, JSON.stringify(report, null, 2));
    } finally {
        await player.close();
        rmSync(work, { recursive: true, force: true });
    }
}

await main();
