// Helpers for the tests that convert decks with `quillet convert` and play the movies: where the
// program and the corpus are, converting one deck, our reader's tag list, and reading the page
// counter (drawn in pure red at the bottom-left of the stage) off a screenshot.
//
// Environment: QUILLET_BIN = the quillet program; QUILLET_CORPUS = the corpus folder (default
// ../shared/corpus beside the repository).
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { existsSync } from "node:fs";
import { copyFile } from "node:fs/promises";
import path from "node:path";
import { promisify } from "node:util";
import { repoRoot } from "./server.mjs";

export const run = promisify(execFile);
export const corpus = process.env.QUILLET_CORPUS || path.join(repoRoot, "..", "shared", "corpus");
export const decksDir = path.join(corpus, "pptx");
export const refsDir = path.join(corpus, "pptx-ref");
// Decks that quillet convert refuses with a reason (encrypted; a fuzzer's damaged file).
export const REFUSED = new Set(["SamplePassword.pptx", "clusterfuzz-testcase-minimized-POIXSLFFuzzer-6254434927378432.pptx"]);

export function quillet() {
    const bin = process.env.QUILLET_BIN;
    assert.ok(bin && existsSync(bin), "set QUILLET_BIN to the quillet program (build the quillet target)");
    return bin;
}

// Runs quillet; exit status 3 (something of the deck was left out, each item named on standard
// error) still gives a whole movie, listing or pictures, as exit 0 does.
export async function runQuillet(args, options, program = quillet()) {
    try {
        return await run(program, args, options);
    } catch (err) {
        if (err.code === 3) return { stdout: err.stdout, stderr: err.stderr };
        throw err;
    }
}

// Converts a copy of the deck in outDir (no saved settings of the user); the movie lands beside it.
export async function convert(deck, outDir, args = []) {
    const copy = path.join(outDir, path.basename(deck));
    await copyFile(deck, copy);
    const { stdout } = await runQuillet(["convert", "--quiet", "--seed", "3", ...args, copy], {
        env: { ...process.env, XDG_CONFIG_HOME: outDir },
        timeout: 300000,
    });
    return { copy, movie: copy.replace(/\.pptx$/, ".swf"), stdout };
}

// The top-level tag names our own reader finds in a movie.
export async function ourTags(movie) {
    const { stdout } = await run(quillet(), ["info", "--json", movie], { maxBuffer: 256 << 20 });
    return JSON.parse(stdout).tags.map((t) => t.type);
}

// The page counter's region (drawn in red at the bottom-left of the stage) as rows of "#" where a
// pixel is at least as red as the limits say, "." elsewhere.
function redRows(image, minRed, maxOther) {
    const rows = [];
    for (let y = image.height - 24; y < image.height; y++) {
        let row = "";
        for (let x = 0; x < 80; x++) {
            const [r, g, b] = image.pixel(x, y);
            row += r > minRed && g < maxOther && b < maxOther ? "#" : ".";
        }
        rows.push(row);
    }
    return rows;
}

// Red pixels of the page counter (drawn in pure red at the bottom-left of the stage).
export function counterPattern(image) {
    return redRows(image, 200, 80).join("\n");
}

export function count(pattern) {
    return [...pattern].filter((c) => c === "#").length;
}

// The page counter's first number (the slide's own), as the solid red pixels of the counter
// region's first run of inked columns. Only solid pixels count: the anti-aliased edges of the
// glyphs take on the colour of what lies under them, which changes as the progress bar grows
// and with the slide's footer, while the number stays.
export function counterNumber(image) {
    const rows = redRows(image, 225, 30);
    const inked = [...rows[0]].map((_, x) => rows.some((r) => r[x] === "#"));
    const first = inked.indexOf(true);
    if (first < 0) return "";
    // The number ends at the first gap of three empty columns (the space before "/").
    let end = first;
    for (let x = first, empty = 0; x < inked.length && empty < 3; x++) {
        if (inked[x]) {
            end = x + 1;
            empty = 0;
        } else {
            empty++;
        }
    }
    return rows.map((r) => r.slice(first, end)).join("\n");
}

// How many pixels two counter numbers differ in, the narrower one padded with empty columns.
export function numberDistance(a, b) {
    const A = a.split("\n");
    const B = b.split("\n");
    const width = Math.max(A[0].length, B[0].length);
    let d = 0;
    for (let y = 0; y < Math.max(A.length, B.length); y++) {
        for (let x = 0; x < width; x++) if ((A[y]?.[x] ?? ".") !== (B[y]?.[x] ?? ".")) d++;
    }
    return d;
}

// Takes screenshots until predicate(counter pattern, image) holds; fails after timeoutMs showing
// the counter region last seen.
export async function waitForPattern(player, predicate, what, timeoutMs = 8000) {
    const deadline = Date.now() + timeoutMs;
    let last = "";
    for (;;) {
        const { image } = await player.screenshot();
        last = counterPattern(image);
        if (predicate(last, image)) return last;
        if (Date.now() > deadline) assert.fail(`${what}; the counter region shows:\n${last}`);
        await player.waitFrames(2);
    }
}

// "#rrggbb" -> [r, g, b]
export function hex(rgb) {
    const n = parseInt(rgb.slice(1), 16);
    return [(n >> 16) & 255, (n >> 8) & 255, n & 255];
}

// The end screen: a black stage without the page counter, with the white line of text near its
// top. A predicate for waitForPattern.
export function isEndScreen(pattern, image) {
    if (count(pattern) > 0) return false;
    const corner = image.pixel(image.width - 5, image.height - 5);
    if (corner[0] > 10 || corner[1] > 10 || corner[2] > 10) return false;
    let white = 0;
    for (let y = 0; y < 40; y++) {
        for (let x = 0; x < image.width; x++) {
            const [r, g, b] = image.pixel(x, y);
            if (r > 200 && g > 200 && b > 200) white++;
        }
    }
    return white > 100;
}

// How many pixels two counter patterns differ in. The toolbar's progress bar runs under the
// counter and changes a few edge pixels as it grows; another number changes many more.
export function patternDistance(a, b) {
    let d = Math.abs(a.length - b.length);
    for (let i = 0; i < Math.min(a.length, b.length); i++) if (a[i] !== b[i]) d++;
    return d;
}
