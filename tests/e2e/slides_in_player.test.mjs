// Slides as the player shows them, against the pictures of the same slides drawn by our renderer
// (with and without texts) and by the reference renderer (the corpus's reference renderings). Every
// movie is converted with a long slide delay, so that the timer does not move on, and with the
// toolbar, whose page counter tells which slide the stage shows (the player draws a key's slide
// change a while after the key on a busy machine); the foot of the stage, where the toolbar lies,
// is left out of every comparison. Each slide is shown in turn with the right arrow and measured
// with the content SSIM (fidelity_compare). A table per deck gives the mean and the worst slide of
// each comparison; the test fails when an overall mean falls below its floor or a slide below 0.95
// against our renderer's picture. The sample deck is also played through with its controls:
// background and shapes, page counter, arrows and space, end screen, replay.
//
// Environment: QUILLET_BIN (the quillet program), QUILLET_FIDELITY_COMPARE (the fidelity_compare
// program), QUILLET_CORPUS (the corpus folder); QUILLET_E2E_ALL=1 measures every
// slide of every corpus deck instead of the fixed sample below;
// QUILLET_E2E_KEEP=DIR keeps every picture there for viewing; QUILLET_E2E_DECKS=name,name measures
// only those corpus decks (names without .pptx); QUILLET_CONVERT_BIN converts with another quillet
// program.
import { test } from "node:test";
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { copyFile, mkdir, mkdtemp, readdir, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { measure, render, sameAbove, slideFile, TOOLBAR_TWIPS, toolbarRows } from "./compare.mjs";
import { checkSwf, readStageSize } from "./swfcheck.mjs";
import { decodePng } from "./png.mjs";
import { repoRoot } from "./server.mjs";
import {
    convert, count, counterNumber, decksDir, numberDistance, isEndScreen, patternDistance, ourTags, quillet, refsDir, REFUSED, runQuillet,
    waitForPattern,
} from "./decks.mjs";

// Floors of the overall means (content SSIM, player screenshot against each picture), set under
// what was measured: every slide of every deck (337) a 0.998, b 0.974, c 0.822; the sample
// a 0.996, b 0.982, c 0.820.
const FLOOR_RENDERER = 0.95; // (a) our renderer's full picture
const FLOOR_RENDERER_NO_TEXT = 0.92; // (b) our renderer's picture without texts
const FLOOR_REFERENCE = 0.7; // (c) the reference rendering
// Slide 1 of the sample deck (no text in the movie yet) against our picture without texts.
const FLOOR_SAMPLE_FIRST_SLIDE = 0.8;

// The longest slide delay (20 s): the timer must not move on while a slide is measured.
const SLIDE_DELAY = "20";
// Without QUILLET_E2E_ALL: every slide of the sample deck and these slides of the corpus, chosen
// for what the movie most easily loses: tables (grown rows, thin strokes of their text),
// underlined text, callouts, pictures with transparency and gradients, blurred shadows, a stage
// that is no whole number of pixels. QUILLET_E2E_ALL=1 compares every slide.
const ALL_SLIDES = process.env.QUILLET_E2E_ALL === "1";
// QUILLET_E2E_DECKS=a,b (deck names without .pptx) measures only those corpus decks.
const ONLY = process.env.QUILLET_E2E_DECKS ? new Set(process.env.QUILLET_E2E_DECKS.split(",")) : null;
const SAMPLE = new Map([
    ["shapes.pptx", [1, 2, 4]], // tables, a picture, underlined text
    ["with_japanese.pptx", [1]], // a table of East Asian text, underlined
    ["aptia.pptx", [5]], // a table
    ["60810.pptx", [5]], // underlined text
    ["customGeo.pptx", [6, 11, 15]], // callouts, shapes with blurred shadows, a picture
    ["54542_cropped_bitmap.pptx", [1]], // cropped and turned pictures
    ["backgrounds.pptx", [1, 2]], // gradient backgrounds
    ["dml-fill.pptx", [1, 2]], // gradient fills, pattern fills with shadows
    ["aascu.org_hbcu_leadershipsummit_cooper_.pptx", [11]], // a WMF clip art picture
    ["smartart-simple.pptx", [1]], // a small stage of a fractional size, a photograph in a circle
]);
// Every slide reaches this against our renderer's picture; those under it are listed and fail.
const SLIDE_FLOOR = 0.95;
// Counter patterns of the same slide differ in up to 3 pixels as the progress bar grows under
// them; those of two slides in 16 or more.
const COUNTER_CHANGE = 8;
// The counter's number (its solid pixels) stays within a pixel while a slide stays, over a footer
// and under the growing progress bar; the numbers of consecutive slides differ in 12 or more.
const NUMBER_CHANGE = 5;
const SETTLE_TIMEOUT_MS = 60000;
// The slides are measured still: the page counter stands over the slide, and while a transition
// runs the pixels under it change. Transitions and effects are played by the effects tests, which
// also check that every slide ends as it does here.
// (A build given by QUILLET_CONVERT_BIN may predate the option.)
const STILL = process.env.QUILLET_CONVERT_BIN ? [] : ["--no-effects"];

const sampleDeck = path.join(repoRoot, "examples", "sample.pptx");

// The program that writes the movies: QUILLET_CONVERT_BIN measures another build's movies (an
// earlier one, say) against this build's pictures.
function converter() {
    const bin = process.env.QUILLET_CONVERT_BIN;
    if (!bin) return quillet();
    assert.ok(existsSync(bin), `QUILLET_CONVERT_BIN: ${bin} not found`);
    return bin;
}

// Plays the movie slide by slide with the right arrow and writes a screenshot of each wanted
// slide once the page counter shows that slide and the stage has settled; it stops after the
// last wanted slide, and when that is the last slide the end screen must follow. Returns the
// screenshot files by slide.
async function playSlides(player, movie, slideCount, wanted, outDir) {
    const name = path.basename(movie);
    await player.load(movie);
    const toolbar = Math.ceil(TOOLBAR_TWIPS / 20) + 2;
    const shots = new Map();
    let number = null;
    const lastWanted = Math.max(...wanted);
    for (let n = 1; n <= lastWanted; n++) {
        if (n > 1) await player.press("ArrowRight");
        const previous = number;
        await waitForPattern(player, (p, image) => {
            if (count(p) <= 10) return false;
            const now = counterNumber(image);
            if (now === "" || (previous !== null && numberDistance(now, previous) <= NUMBER_CHANGE)) return false;
            number = now;
            return true;
        }, `${name}: the page counter did not move on to slide ${n}`, SETTLE_TIMEOUT_MS);
        if (!wanted.has(n)) continue;
        const start = Date.now();
        let last = (await player.screenshot()).image;
        for (;;) {
            await player.waitFrames(1);
            const { png, image } = await player.screenshot();
            if (sameAbove(image, last, toolbar)) {
                const seen = counterNumber(image);
                assert.ok(numberDistance(seen, number) <= NUMBER_CHANGE,
                    `${name}: slide ${n} left while being measured (the timer moved on?); the counter's ` +
                    `number came as\n${number}\nand now shows\n${seen}`);
                const file = path.join(outDir, slideFile(n));
                await writeFile(file, png);
                shots.set(n, file);
                break;
            }
            if (Date.now() - start > SETTLE_TIMEOUT_MS) assert.fail(`${name}: slide ${n} did not settle`);
            last = image;
        }
    }
    if (lastWanted === slideCount) {
        await player.press("ArrowRight");
        await waitForPattern(player, isEndScreen, `${name}: the end screen did not follow slide ${slideCount}`,
            SETTLE_TIMEOUT_MS);
    }
    await player.finish(`playing ${name}`);
    return shots;
}

function summarise(scores) {
    if (scores.length === 0) return null;
    let worst = scores[0];
    let sum = 0;
    for (const s of scores) {
        sum += s.value;
        if (s.value < worst.value) worst = s;
    }
    return { mean: sum / scores.length, worst: worst.value, worstSlide: worst.slide, count: scores.length };
}

const cell = (s) => (s ? `${s.mean.toFixed(3)} ${s.worst.toFixed(3)} (${String(s.worstSlide).padStart(2)})` : "-").padEnd(20);

function table(rows, overall) {
    const lines = [];
    lines.push(`${"deck".padEnd(44)} ${"slides".padStart(6)}  ${"(a) ours".padEnd(20)}${"(b) ours, no text".padEnd(20)}(c) reference`);
    lines.push(`${"".padEnd(44)} ${"".padStart(6)}  ${"mean worst (slide)".padEnd(20)}${"mean worst (slide)".padEnd(20)}mean worst (slide)`);
    for (const r of rows) {
        lines.push(`${r.deck.slice(0, 44).padEnd(44)} ${String(r.slides).padStart(6)}  ${cell(r.a)}${cell(r.b)}${cell(r.c)}`);
    }
    const mean = (s) => (s ? `${s.mean.toFixed(4)} over ${s.count} slides` : "-");
    lines.push(`overall: (a) ${mean(overall.a)}; (b) ${mean(overall.b)}; (c) ${mean(overall.c)}`);
    return lines.join("\n");
}

test("every slide in the player against our renderer and the reference renderings", async (t) => {
    const started = Date.now();
    const keep = process.env.QUILLET_E2E_KEEP;
    const out = keep ? path.resolve(keep) : await mkdtemp(path.join(os.tmpdir(), "quillet-slides-"));
    await mkdir(out, { recursive: true });
    const player = await Player.launch();
    try {
        // The sample deck and every corpus deck that converts, in one call (worker processes).
        const decks = [{ name: "sample.pptx", file: sampleDeck, sample: true }];
        if (existsSync(decksDir)) {
            for (const name of (await readdir(decksDir)).filter((n) => n.endsWith(".pptx")).sort()) {
                if (ONLY && !ONLY.has(name.replace(/\.pptx$/, ""))) continue;
                if (!REFUSED.has(name) && (ALL_SLIDES || SAMPLE.has(name))) decks.push({ name, file: path.join(decksDir, name), sample: false });
            }
        } else {
            t.diagnostic(`corpus decks not found in ${decksDir}: the sample deck alone is measured`);
        }
        for (const d of decks) {
            d.dir = path.join(out, d.name.replace(/\.pptx$/, ""));
            await mkdir(d.dir, { recursive: true });
            // The test server serves plain file names only.
            d.copy = path.join(d.dir, d.name.replace(/[^A-Za-z0-9_.-]/g, "_"));
            d.movie = d.copy.replace(/\.pptx$/, ".swf");
            await copyFile(d.file, d.copy);
        }
        await runQuillet(["convert", "--quiet", "-j", "2", "--seed", "1", "--toolbar", ...STILL,
            "--slide-delay", SLIDE_DELAY, ...decks.map((d) => d.copy)], {
            env: { ...process.env, XDG_CONFIG_HOME: out }, // no saved settings of the user
            timeout: 900000,
            maxBuffer: 16 << 20,
        }, converter());
        const converted = Date.now();

        const rows = [];
        const all = { a: [], b: [], c: [] };
        let sampleFirst = null;
        for (const d of decks) {
            const bytes = await readFile(d.movie);
            checkSwf(bytes, await ourTags(d.movie), { label: d.name });
            const stage = readStageSize(bytes);
            assert.ok(stage, `${d.name}: no stage size`);
            // A stage of a fraction of a pixel is shown cut to whole pixels (shownSize); our
            // pictures are drawn at its nearest whole width, and the measure cuts them to the
            // screenshot's size.
            const width = Math.round(stage.width);
            const { stdout } = await runQuillet(["inspect", "--json", d.copy], { maxBuffer: 64 << 20 });
            const slideCount = JSON.parse(stdout).slides.length;
            if (slideCount === 0) {
                t.diagnostic(`${d.name}: no slides`);
                continue;
            }
            // Our pictures at the stage's pixel size, drawn while the movie plays.
            const pictures = Promise.all([
                render(d.copy, path.join(d.dir, "ours"), width, { text: true }),
                render(d.copy, path.join(d.dir, "ours-no-text"), width, { text: false }),
            ]);
            pictures.catch(() => {}); // awaited below; a failure must not go unhandled meanwhile
            const wanted = new Set();
            for (let n = 1; n <= slideCount; n++) {
                if (d.sample || ALL_SLIDES || SAMPLE.get(d.name)?.includes(n)) wanted.add(n);
            }
            if (wanted.size === 0) continue;
            const shotsDir = path.join(d.dir, "player");
            await mkdir(shotsDir, { recursive: true });
            const shots = await playSlides(player, d.movie, slideCount, wanted, shotsDir);
            for (const dir of await pictures) {
                const drawn = (await readdir(dir)).filter((n) => /^slide-\d+\.png$/.test(n)).length;
                assert.equal(drawn, slideCount, `${d.name}: our renderer drew ${drawn} slides, the movie has ${slideCount}`);
            }

            const refDir = path.join(refsDir, d.name.replace(/\.pptx$/, ""));
            const pairs = [];
            const slots = [];
            for (const [n, shot] of shots) {
                pairs.push([shot, path.join(d.dir, "ours", slideFile(n))]);
                slots.push({ n, kind: "a" });
                pairs.push([shot, path.join(d.dir, "ours-no-text", slideFile(n))]);
                slots.push({ n, kind: "b" });
                const ref = path.join(refDir, slideFile(n));
                if (!d.sample && existsSync(ref)) {
                    pairs.push([shot, ref]);
                    slots.push({ n, kind: "c" });
                }
            }
            const values = await measure(pairs, toolbarRows(width));
            const scores = { a: [], b: [], c: [] };
            values.forEach((value, i) => scores[slots[i].kind].push({ slide: slots[i].n, value }));
            for (const k of ["a", "b", "c"]) all[k].push(...scores[k]);
            if (d.sample) sampleFirst = scores.b.find((s) => s.slide === 1)?.value ?? null;
            rows.push({ deck: d.name.replace(/\.pptx$/, ""), slides: shots.size, a: summarise(scores.a),
                b: summarise(scores.b), c: summarise(scores.c),
                low: scores.a.filter((s) => s.value < SLIDE_FLOOR) });
        }
        const overall = { a: summarise(all.a), b: summarise(all.b), c: summarise(all.c) };
        const seconds = (ms) => (ms / 1000).toFixed(1);
        // "deck n (score)" for each slide under the floor against our renderer's picture.
        const low = rows.flatMap((r) => r.low.map((s) => `${r.deck} ${s.slide} (${s.value.toFixed(3)})`));
        console.log(`\nSlides in the player (content SSIM; ${ALL_SLIDES ? "every slide" :
            "every slide of the sample deck and a fixed sample of the corpus"})\n` +
            `${table(rows, overall)}\n` +
            `slides under ${SLIDE_FLOOR} against our renderer: ${low.join(", ") || "none"}\n` +
            `time: conversion ${seconds(converted - started)} s, playing and measuring ` +
            `${seconds(Date.now() - converted)} s\n`);

        assert.ok(sampleFirst !== null, "slide 1 of the sample deck was not measured");
        assert.ok(sampleFirst >= FLOOR_SAMPLE_FIRST_SLIDE,
            `slide 1 of the sample deck scores ${sampleFirst} against our picture without texts`);
        assert.deepEqual(low, [], `slides under ${SLIDE_FLOOR} against our renderer's picture`);
        assert.ok(overall.a.mean >= FLOOR_RENDERER, `(a) overall mean ${overall.a.mean} < ${FLOOR_RENDERER}`);
        assert.ok(overall.b.mean >= FLOOR_RENDERER_NO_TEXT,
            `(b) overall mean ${overall.b.mean} < ${FLOOR_RENDERER_NO_TEXT}`);
        if (overall.c) {
            assert.ok(overall.c.mean >= FLOOR_REFERENCE, `(c) overall mean ${overall.c.mean} < ${FLOOR_REFERENCE}`);
        }
    } finally {
        await player.close();
        if (!keep) await rm(out, { recursive: true, force: true });
    }
});

// The counter's red pixels as columns: which columns of the counter region hold any.
function counterColumns(pattern) {
    const rows = pattern.split("\n");
    return [...rows[0]].map((_, x) => rows.some((r) => r[x] === "#"));
}

test("the sample deck plays: background and shapes, page counter, keys, end screen, replay", async () => {
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-sample-"));
    const player = await Player.launch();
    try {
        const { copy, movie } = await convert(sampleDeck, out, ["--slide-delay", SLIDE_DELAY, "--toolbar", ...STILL]);
        checkSwf(await readFile(movie), await ourTags(movie), { label: "sample.swf" });
        await player.load(movie);
        const stage = player.metadata;
        const ours = await render(copy, path.join(out, "ours-no-text"), stage.width, { text: false });
        const slideCount = (await readdir(ours)).filter((n) => /^slide-\d+\.png$/.test(n)).length;
        assert.ok(slideCount >= 3, "the sample deck has several slides");

        // Slide 1 shows its background and shapes where our renderer puts them: the content SSIM
        // against our picture without texts, above the toolbar; and the master's yellow dot at
        // the bottom right (912, 516, 18 x 18 points on a 960-point slide) has its colour.
        const first = path.join(out, "slide-01-player.png");
        await writeFile(first, (await player.screenshot()).png);
        const [score] = await measure([[first, path.join(ours, slideFile(1))]], toolbarRows(stage.width));
        assert.ok(score >= FLOOR_SAMPLE_FIRST_SLIDE, `slide 1 scores ${score} against our picture without texts`);
        const scale = stage.width / 960;
        const dot = { x: Math.round(921 * scale), y: Math.round(521 * scale), rgb: [0xf0, 0xb4, 0x29], tolerance: 24 };
        await player.sample([dot], { timeoutMs: 3000 });

        // The page counter: one pattern per slide; what follows the first number (" / N") is
        // the same on every slide, the number differs.
        const patterns = [await waitForPattern(player, (p) => count(p) > 10, "the page counter is not drawn")];
        for (let n = 2; n <= slideCount; n++) {
            await player.press(n % 2 === 0 ? "ArrowRight" : "Space");
            const prev = patterns[patterns.length - 1];
            patterns.push(await waitForPattern(player, (p) => count(p) > 10 && patternDistance(p, prev) > COUNTER_CHANGE,
                `${n % 2 === 0 ? "the right arrow" : "space"} did not move to slide ${n}`));
        }
        for (const [i, a] of patterns.entries()) {
            for (const [j, b] of patterns.entries()) {
                if (i < j) assert.ok(patternDistance(a, b) > COUNTER_CHANGE, `slides ${i + 1} and ${j + 1} show the same counter`);
            }
        }
        // The columns after the first number: the first empty column after the first ink.
        const columns = patterns.map(counterColumns);
        const firstInk = columns[0].indexOf(true);
        const gap = columns[0].indexOf(false, firstInk);
        assert.ok(firstInk >= 0 && gap > firstInk, "the counter starts with a number");
        const tail = (p) => p.split("\n").map((r) => r.slice(gap)).join("\n");
        for (const [i, p] of patterns.entries()) {
            assert.ok(patternDistance(tail(p), tail(patterns[0])) <= COUNTER_CHANGE,
                `slide ${i + 1}'s counter does not end like slide 1's ("/ N")`);
            assert.ok(count(tail(p)) > 10, "the counter shows \"/ N\" after the number");
        }
        // The left arrow goes back a slide, with that slide's counter.
        await player.press("ArrowLeft");
        const near = (q) => (p) => count(p) > 10 && patternDistance(p, q) <= COUNTER_CHANGE;
        await waitForPattern(player, near(patterns[slideCount - 2]), "the left arrow did not go back");
        await player.press("ArrowRight");
        await waitForPattern(player, near(patterns[slideCount - 1]), "the right arrow did not return to the last slide");
        // After the last slide: the end screen; a key replays from slide 1.
        await player.press("ArrowRight");
        await waitForPattern(player, isEndScreen, "the end screen did not follow the last slide", 5000);
        await player.press("KeyA");
        await waitForPattern(player, near(patterns[0]), "a key on the end screen did not replay slide 1", 10000);
        await player.sample([dot], { timeoutMs: 3000 });
        await player.finish();
    } finally {
        await player.close();
        await rm(out, { recursive: true, force: true });
    }
});
