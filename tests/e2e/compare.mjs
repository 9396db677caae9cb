// Pictures of slides side by side: our renderer's pictures of a deck, the content SSIM of pairs of
// pictures (fidelity_compare), and the stage's foot where the toolbar lies, which every comparison
// leaves out (the progress bar grows there on every frame).
//
// Environment: QUILLET_FIDELITY_COMPARE = the fidelity_compare program.
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { mkdir } from "node:fs/promises";
import { run, runQuillet } from "./decks.mjs";

// The width pictures are compared at (both are scaled to it first).
export const COMPARE_WIDTH = 480;
// The toolbar is drawn from this far above the foot of the stage (the timer clip's place).
export const TOOLBAR_TWIPS = 280;

function compareProgram() {
    const bin = process.env.QUILLET_FIDELITY_COMPARE;
    assert.ok(bin && existsSync(bin), "set QUILLET_FIDELITY_COMPARE to the fidelity_compare program");
    return bin;
}

// The name `quillet render` gives slide n of a deck of `total` slides.
export const slideFile = (n, total = 0) =>
    `slide-${String(n).padStart(Math.max(2, String(total).length), "0")}.png`;

// Content SSIM of each [candidate, reference] pair, both scaled to the measure's width, less
// their bottom cropRows rows.
export async function measure(pairs, cropRows) {
    if (pairs.length === 0) return [];
    const args = ["--width", String(COMPARE_WIDTH), "--crop-bottom", String(cropRows), ...pairs.flat()];
    const { stdout } = await run(compareProgram(), args, { maxBuffer: 16 << 20 });
    const lines = stdout.trim().split("\n");
    assert.equal(lines.length, pairs.length, "one score per pair");
    return lines.map((line, i) => {
        const value = Number(line);
        assert.ok(/^\d\.\d{4}$/.test(line) && value >= -1 && value <= 1, `${pairs[i][0]}: ${line}`);
        return value;
    });
}

// Our renderer's pictures of every slide, `width` pixels wide, with or without texts.
export async function render(deck, outDir, width, { text }) {
    await mkdir(outDir, { recursive: true });
    const args = ["render", deck, "-o", outDir, "--width", String(width)];
    if (!text) args.push("--no-text");
    await runQuillet(args, { timeout: 600000, maxBuffer: 16 << 20 });
    return outDir;
}

// Rows cut off the foot of both pictures, at the compared width (480), for a stage `width` pixels
// wide: the toolbar and two pixels more for its anti-aliased edge.
export function toolbarRows(stageWidth) {
    return Math.ceil(((TOOLBAR_TWIPS / 20 + 2) * COMPARE_WIDTH) / stageWidth);
}

// Whether two screenshots agree above their bottom `rows` rows.
export function sameAbove(a, b, rows) {
    if (a.width !== b.width || a.height !== b.height) return false;
    const end = Math.max(0, a.height - rows) * a.width * 4;
    return Buffer.compare(a.rgba.subarray(0, end), b.rgba.subarray(0, end)) === 0;
}
