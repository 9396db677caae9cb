// A long deck in the player: 60 slides paged forward to the end screen, replayed, paged forward
// again in one burst of keys and back to slide 1 with the left arrow, each slide's picture checked
// against our renderer's (content SSIM) and its page counter against the slide's own; and the
// automatic advance reaching the end screen when the slides' delays add up.
//
// Environment: QUILLET_BIN, QUILLET_FIDELITY_COMPARE (see decks.mjs and compare.mjs).
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdir, mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { measure, render, sameAbove, slideFile, TOOLBAR_TWIPS, toolbarRows } from "./compare.mjs";
import { counterPattern, isEndScreen, ourTags, quillet, run } from "./decks.mjs";
import { decodePng } from "./png.mjs";
import { repoRoot } from "./server.mjs";

const SLIDES = 60;
// Every slide against our renderer's picture of it.
const FLOOR_SLIDE = 0.9;
const SETTLE_TIMEOUT_MS = 30000;

async function makeDeck(dir) {
    const deck = path.join(dir, "long.pptx");
    await run("python3", [path.join(repoRoot, "tests/decks/make_long_deck.py"), deck, String(SLIDES)]);
    return deck;
}

async function convertDeck(deck, dir, delay) {
    const movie = path.join(dir, `long-${delay}.swf`);
    await run(quillet(), ["convert", "--quiet", "--seed", "1", "--toolbar", "--slide-delay", String(delay), deck,
        "-o", movie], { env: { ...process.env, XDG_CONFIG_HOME: dir }, timeout: 300000 });
    checkSwf(await readFile(movie), await ourTags(movie), { label: path.basename(movie) });
    return movie;
}

// The box of each slide's large number (600, 240, 320 x 110 points on the 960-point slide): which
// slide the stage shows is the one whose picture by our renderer is nearest there.
const NUMBER_BOX = { x: 600, y: 240, w: 320, h: 110 };

function boxDistance(a, b) {
    const scale = a.width / 960;
    let sum = 0;
    let n = 0;
    for (let y = Math.ceil(NUMBER_BOX.y * scale); y < (NUMBER_BOX.y + NUMBER_BOX.h) * scale; y += 2) {
        for (let x = Math.ceil(NUMBER_BOX.x * scale); x < (NUMBER_BOX.x + NUMBER_BOX.w) * scale; x += 2) {
            const i = (y * a.width + x) * 4;
            for (let c = 0; c < 3; c++) sum += Math.abs(a.rgba[i + c] - b.rgba[i + c]);
            n += 3;
        }
    }
    return sum / n;
}

// The slide (1-based) whose picture is nearest to the screenshot in the number's box.
function slideShown(image, pictures) {
    let best = 0;
    pictures.forEach((p, i) => {
        if (boxDistance(image, p) < boxDistance(image, pictures[best])) best = i;
    });
    return best + 1;
}

// Waits until the stage shows slide `want` and holds still above the toolbar; returns its PNG.
async function settle(player, pictures, want, what) {
    const rows = Math.ceil(TOOLBAR_TWIPS / 20) + 2;
    const deadline = Date.now() + SETTLE_TIMEOUT_MS;
    let last = null;
    let seen = 0;
    for (;;) {
        const shot = await player.screenshot();
        seen = slideShown(shot.image, pictures);
        if (seen === want && last && sameAbove(shot.image, last, rows)) return shot.png;
        assert.ok(Date.now() < deadline, `${what}: the stage shows slide ${seen}, not slide ${want}`);
        last = shot.image;
        await player.waitFrames(1);
    }
}

// Takes a screenshot every quarter of a second (a light load on the player) until the end screen.
async function waitForEndScreen(player, timeoutMs) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const { image } = await player.screenshot();
        if (isEndScreen(counterPattern(image), image)) return;
        assert.ok(Date.now() < deadline, "the show did not reach its end screen");
        await new Promise((r) => setTimeout(r, 250));
    }
}

test("a 60-slide deck pages forward and back, every slide as our renderer draws it", async () => {
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-long-"));
    const player = await Player.launch();
    try {
        const deck = await makeDeck(dir);
        const movie = await convertDeck(deck, dir, 20); // the timer never moves on by itself
        await render(deck, path.join(dir, "ours"), 960, { text: true });
        const pictures = [];
        for (let n = 1; n <= SLIDES; n++) pictures.push(decodePng(await readFile(path.join(dir, "ours", slideFile(n, SLIDES)))));
        await player.load(movie);
        assert.equal(player.metadata.width, 960);
        const shots = path.join(dir, "player");
        await mkdir(shots, { recursive: true });
        const pairs = [];
        const labels = [];
        const show = async (n, way) => {
            const file = path.join(shots, `${way}-${n}.png`);
            await writeFile(file, await settle(player, pictures, n, `${way}: slide ${n}`));
            pairs.push([file, path.join(dir, "ours", slideFile(n, SLIDES))]);
            labels.push(`slide ${n} (${way})`);
        };

        // Forward, one key a slide, to the end screen.
        for (let n = 1; n <= SLIDES; n++) {
            if (n > 1) await player.press("ArrowRight");
            await show(n, "forward");
        }
        await player.press("ArrowRight");
        await waitForEndScreen(player, SETTLE_TIMEOUT_MS);
        // Any key on the end screen replays from slide 1.
        await player.press("ArrowLeft");
        await show(1, "replay");
        // Forward in one burst of keys, then back with the left arrow: one slide at a time, and
        // three at once in the middle.
        for (let n = 2; n <= SLIDES; n++) await player.press("ArrowRight");
        await show(SLIDES, "burst");
        for (let n = SLIDES - 1; n >= 1; n--) {
            const jump = n === 30 ? 3 : 1;
            for (let k = 0; k < jump; k++) await player.press("ArrowLeft");
            n -= jump - 1;
            await show(n, "back");
        }
        await player.finish("paging through the long deck");

        const scores = await measure(pairs, toolbarRows(player.metadata.width));
        const low = scores.map((s, i) => ({ s, label: labels[i] })).filter((x) => x.s < FLOOR_SLIDE);
        console.log(`${scores.length} pictures, content SSIM ${Math.min(...scores).toFixed(3)} .. ` +
            `${Math.max(...scores).toFixed(3)}`);
        assert.deepEqual(low.map((x) => `${x.label}: ${x.s}`), [], "slides unlike our renderer's pictures");
    } finally {
        await player.close();
        await rm(dir, { recursive: true, force: true });
    }
});

test("the automatic advance reaches the end screen when the slides' delays add up", async () => {
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-long-"));
    const player = await Player.launch();
    try {
        // A second a slide: the player shows a timer's last frame one frame after the slide
        // appears, so each slide lasts one frame (5 %) less than its delay.
        const delay = 1;
        const movie = await convertDeck(await makeDeck(dir), dir, delay);
        // The clock starts at the first frame (loading the player itself takes seconds).
        await player.load(movie);
        const started = performance.now();
        await waitForEndScreen(player, 4 * SLIDES * delay * 1000);
        const seconds = (performance.now() - started) / 1000;
        const expected = SLIDES * delay;
        console.log(`end screen after ${seconds.toFixed(1)} s; the delays add up to ${expected} s`);
        assert.ok(Math.abs(seconds - expected) <= 0.1 * expected, `end screen after ${seconds} s, not ${expected} s ± 10 %`);
        await player.finish("playing the long deck to its end");
    } finally {
        await player.close();
        await rm(dir, { recursive: true, force: true });
    }
});
