// Decks written for the test by tests/decks/make_*_deck.py, each slide in the player against our
// renderer's picture of it, by the content SSIM above the toolbar: vertical text (every
// orientation, upright East Asian characters among turned Latin ones), lists (indents, numbering
// styles and start values; in vertical text and turned within their shapes), a table (merged
// cells, thin and dashed borders, small digits, a grown row, with hard shadows and outlined text
// below it and a line of each kind of underline, a highlighted run and a double strike-through
// beside it) and charts (columns, lines with markers, a pie and a scatter plot), the last two with
// no bitmap in the movie.
//
// Environment: QUILLET_BIN (the quillet program), QUILLET_FIDELITY_COMPARE (fidelity_compare).
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { measure, render, sameAbove, slideFile, TOOLBAR_TWIPS, toolbarRows } from "./compare.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { repoRoot } from "./server.mjs";
import { convert, ourTags, run } from "./decks.mjs";

// The same floor as every corpus slide: the movie draws what our renderer draws.
const FLOOR = 0.95;
const SETTLE_TIMEOUT_MS = 60000;
// DefineBits, JPEGTables, DefineBitsLossless, DefineBitsJPEG2, DefineBitsJPEG3,
// DefineBitsLossless2, DefineBitsJPEG4.
const BITMAP_TAGS = new Set([6, 8, 20, 21, 35, 36, 90]);
const DEFINE_SPRITE = 39;

let out;
let player;
before(async () => {
    out = await mkdtemp(path.join(os.tmpdir(), "quillet-generated-"));
    player = await Player.launch();
});
after(async () => {
    await player?.close();
    if (out && !process.env.QUILLET_E2E_KEEP) await rm(out, { recursive: true, force: true });
});

// Writes the deck of tests/decks/make_<name>_deck.py, converts it, checks the movie with the
// independent parser, plays its first `slides` slides (each once the stage has left the one before
// and settled) and asserts each is at the floor. Returns the movie's tag codes.
async function playGenerated(name, slides) {
    const dir = path.join(out, name);
    const deck = path.join(out, `${name}-source.pptx`);
    await run("python3", [path.join(repoRoot, "tests/decks", `make_${name}_deck.py`), deck]);
    const { copy, movie } = await convert(deck, out, ["--slide-delay", "20", "--no-effects"]);
    const tags = await ourTags(movie);
    checkSwf(await readFile(movie), tags, { label: `${name}.swf` });
    await player.load(movie);
    const stage = player.metadata;
    const ours = await render(copy, path.join(dir, "ours"), stage.width, { text: true });
    const rows = Math.ceil(TOOLBAR_TWIPS / 20) + 2; // the toolbar changes with the page
    let shown = await player.screenshot();
    const pairs = [];
    for (let n = 1; n <= slides; n++) {
        if (n > 1) {
            await player.press("ArrowRight");
            const left = shown.image;
            const start = Date.now();
            for (let last = left; ; last = shown.image) {
                await player.waitFrames(2);
                shown = await player.screenshot();
                if (!sameAbove(shown.image, left, rows) && sameAbove(shown.image, last, rows)) break;
                assert.ok(Date.now() - start < SETTLE_TIMEOUT_MS, `${name}: slide ${n} did not settle`);
            }
        }
        const shot = path.join(dir, `player-${n}.png`);
        await writeFile(shot, shown.png);
        pairs.push([shot, path.join(ours, slideFile(n))]);
    }
    const scores = await measure(pairs, toolbarRows(stage.width));
    console.log(`${name}: content SSIM per slide ${scores.map((s) => s.toFixed(4)).join(", ")}`);
    scores.forEach((score, i) =>
        assert.ok(score >= FLOOR, `${name}: slide ${i + 1} scores ${score} against our picture (floor ${FLOOR})`));
    return tags;
}

const bitmapsOf = (tags) => tags.filter((t) => BITMAP_TAGS.has(t));

test("vertical text shows in the player as our renderer draws it", async () => {
    await playGenerated("vertical", 1);
});

test("lists show in the player as our renderer draws them", async () => {
    await playGenerated("lists", 2);
});

test("a table, hard shadows and outlined text show in the player as our renderer draws them, without bitmaps", async () => {
    assert.deepEqual(bitmapsOf(await playGenerated("table", 1)), [], "the table, shadows and outlines are drawn without bitmaps");
});

test("charts show in the player as vectors, as our renderer draws them", async () => {
    const tags = await playGenerated("chart", 1);
    assert.deepEqual(bitmapsOf(tags), [], "the charts are drawn as shapes, not pictures");
    assert.ok(tags.includes(DEFINE_SPRITE), "the charts are sprites of their shapes");
});
