// Slide texts in the real player: the sample deck's numbered list shows its labels 1. 2. 3. and
// its Japanese line its characters, each where our renderer draws them, and white text with a
// shadow gets a grey shadow.
//
// Environment: QUILLET_BIN = the quillet program.
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, readFile, rm } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { decodePng } from "./png.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { repoRoot } from "./server.mjs";
import { convert, count, ourTags, quillet, run, waitForPattern } from "./decks.mjs";

const luminance = ([r, g, b]) => 0.299 * r + 0.587 * g + 0.114 * b;
const dark = (pixel) => luminance(pixel) < 120;

// Pixels of a box that are ink, as a set of "x,y" keys.
function ink(image, box, isInk = dark) {
    const found = new Set();
    for (let y = box.y; y < box.y + box.h; y++) {
        for (let x = box.x; x < box.x + box.w; x++) {
            if (isInk(image.pixel(x, y))) found.add(`${x},${y}`);
        }
    }
    return found;
}

// The share of a's ink pixels that have ink of b within `radius` pixels: 1 when every stroke of a
// has a stroke of b beside it.
function covered(a, b, radius = 2) {
    if (a.size === 0) return 0;
    let hits = 0;
    for (const key of a) {
        const [x, y] = key.split(",").map(Number);
        let hit = false;
        for (let dy = -radius; dy <= radius && !hit; dy++) {
            for (let dx = -radius; dx <= radius && !hit; dx++) hit = b.has(`${x + dx},${y + dy}`);
        }
        if (hit) hits++;
    }
    return hits / a.size;
}

// Rows of a box holding ink, grouped into runs of consecutive rows.
function inkBands(image, box) {
    const bands = [];
    let start = -1;
    for (let y = box.y; y <= box.y + box.h; y++) {
        let any = false;
        for (let x = box.x; x < box.x + box.w && y < box.y + box.h; x++) any ||= dark(image.pixel(x, y));
        if (any && start < 0) start = y;
        if (!any && start >= 0) {
            bands.push([start, y - 1]);
            start = -1;
        }
    }
    return bands;
}

const diagnostics = [];

// Waits until the player shows the text of a box as the renderer drew it.
async function waitForText(player, picture, box, what, timeoutMs = 8000) {
    const expected = ink(picture, box);
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const { image } = await player.screenshot();
        const shown = ink(image, box);
        const both = [covered(shown, expected), covered(expected, shown)];
        if (both.every((v) => v >= 0.85)) {
            diagnostics.push(`${what}: agreement ${both.map((v) => v.toFixed(3))}, ${shown.size} ink pixels`);
            return { image, shown, expected };
        }
        if (Date.now() > deadline) {
            assert.fail(`${what}: the player's ink and the renderer's agree ${both.map((v) => v.toFixed(2))} ` +
                `(${shown.size} and ${expected.size} ink pixels)`);
        }
        await player.waitFrames(2);
    }
}

test("the sample's texts in the player: numbered list, Japanese, grey shadow", async (t) => {
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-texts-"));
    const player = await Player.launch();
    try {
        const { copy, movie } = await convert(path.join(repoRoot, "examples", "sample.pptx"), out,
            // The longest delay, and still slides: the texts are measured, not the transitions.
            ["--slide-delay", "20", "--no-effects"]);
        checkSwf(await readFile(movie), await ourTags(movie), { label: "sample.swf" });
        const renders = path.join(out, "renders");
        await run(quillet(), ["render", copy, "-o", renders, "--width", "960"]);
        const picture = async (n) => decodePng(await readFile(path.join(renders, `slide-0${n}.png`)));

        await player.load(movie);
        assert.equal(player.metadata.width, 960);
        let counter = await waitForPattern(player, (p) => count(p) > 10, "the page counter is not drawn");
        await player.focus();
        for (let slide = 2; slide <= 4; slide++) {
            await player.press("ArrowRight");
            const previous = counter;
            counter = await waitForPattern(player, (p) => count(p) > 10 && p !== previous,
                `the right arrow did not move to slide ${slide}`);
        }

        // Slide 4: the numbered list, labels included, stands where the renderer puts it, and its
        // label column holds three labels, one per line.
        const list = { x: 495, y: 125, w: 220, h: 95 };
        const { image: four } = await waitForText(player, await picture(4), list, "slide 4's numbered list");
        const labels = inkBands(four, { x: 500, y: 125, w: 36, h: 95 });
        assert.equal(labels.length, 3, `label column ink rows: ${JSON.stringify(labels)}`);
        const bullets = { x: 30, y: 125, w: 400, h: 115 };
        await waitForText(player, await picture(4), bullets, "slide 4's bulleted list");

        await player.press("ArrowRight");
        counter = await waitForPattern(player, (p) => count(p) > 10 && p !== counter,
            "the right arrow did not move to slide 5");
        // Slide 5: the Japanese line shows its characters.
        const japanese = { x: 330, y: 440, w: 300, h: 45 };
        const { shown } = await waitForText(player, await picture(5), japanese, "slide 5's Japanese line");
        assert.ok(shown.size > 300, `only ${shown.size} ink pixels in the Japanese line`);

        // The white word on the dark band has a grey shadow: pixels of an even grey, which neither
        // the band, the white text nor their blends give.
        const band = { x: 330, y: 360, w: 300, h: 64 };
        const { image: five } = await player.screenshot();
        const grey = ink(five, band, ([r, g, b]) =>
            Math.abs(r - g) <= 10 && Math.abs(g - b) <= 10 && r >= 100 && r <= 156);
        const white = ink(five, band, ([r, g, b]) => r > 240 && g > 240 && b > 240);
        assert.ok(white.size > 200, `the white word is missing (${white.size} white pixels)`);
        assert.ok(grey.size >= 20, `no grey shadow beside the white word (${grey.size} grey pixels)`);
        for (const line of diagnostics) t.diagnostic(line);
        t.diagnostic(`shadow: ${grey.size} grey pixels beside ${white.size} white ones`);
        await player.finish();
    } finally {
        await player.close();
        await rm(out, { recursive: true, force: true });
    }
});
