// Transitions and entrance effects in the player, on the deck of tests/decks/make_effects_deck.py:
// every transition family reveals or moves its slide in over the one before; every kind of
// entrance effect shows its shape hidden before, partly there during and complete after it, the
// shapes of a slide entering one after another in the deck's order; the slide's timer waits for
// them; and with --no-effects every shape is there at once and slides cut.
//
// How frames are sampled: recorder.mjs copies the stage in the page on every paint of the
// browser, keeping each distinct picture, and the test judges the order of the pictures, never
// when one was taken. For the transitions and effects the movie's clock is also slowed to 10
// frames a second (the frame rate in a copy's header; the movie counts frames, not time), so that
// each movie frame stays on the stage for several paints even on a busy machine.
//
// Environment: QUILLET_BIN, QUILLET_FIDELITY_COMPARE (see decks.mjs and compare.mjs).
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf, readMovieHeader } from "./swfcheck.mjs";
import { measure, render, slideFile } from "./compare.mjs";
import { ourTags, quillet, run } from "./decks.mjs";
import { Recorder } from "./recorder.mjs";
import { repoRoot } from "./server.mjs";

const SCALE = 4; // recorded pictures are a quarter of the stage's size
const SLOW_RATE = 10;
const SHAPE_DELAY = 0.5; // seconds a shape set to enter on a click waits
// Our renderer's picture against the complete slide in the player (texts included).
const FLOOR = 0.9;
// Longest still stretch inside a slide's effects at the slow rate: the waits of the deck (at most
// 0.9 s) and a flash's 20 frames, doubled; a transition moves on every frame.
const EFFECTS_STILL_MS = 2500;
const TRANSITION_STILL_MS = 1500;
const TIMEOUT_MS = 60000;

async function convertDeck(deck, dir, name, args) {
    const movie = path.join(dir, `${name}.swf`);
    await run(quillet(), ["convert", "--quiet", "--seed", "1", "--no-toolbar", "--shape-delay", String(SHAPE_DELAY),
        ...args, deck, "-o", movie], { env: { ...process.env, XDG_CONFIG_HOME: dir }, timeout: 300000 });
    checkSwf(await readFile(movie), await ourTags(movie), { label: name });
    return movie;
}

// An uncompressed copy of the movie whose header asks for `rate` frames a second.
async function slowed(movie, rate) {
    const header = readMovieHeader(await readFile(movie));
    const data = Buffer.from(header.data);
    data.write("FWS", 0, "latin1");
    data.writeUInt32LE(data.length, 4);
    data.writeUInt16LE(rate * 256, header.tagsStart - 4);
    const copy = movie.replace(/\.swf$/, `-${rate}fps.swf`);
    await writeFile(copy, data);
    return copy;
}

// The rows of the recorded picture that a shape's band across the slide covers (box in points on
// the 960-point stage), a pixel in from its edges.
function band(box, frame) {
    const scale = frame.width / 960;
    const y = Math.ceil(box[1] * scale) + 1;
    return { x: 0, y, w: frame.width, h: Math.floor((box[1] + box[3]) * scale) - 1 - y };
}

// Share of a rectangle's pixels within 8 of white: a band with no shape in it.
function whiteShare(frame, { x, y, w, h }) {
    let white = 0;
    for (let row = y; row < y + h; row++) {
        for (let col = x; col < x + w; col++) {
            const i = (row * frame.width + col) * 4;
            if (frame.rgba[i] > 247 && frame.rgba[i + 1] > 247 && frame.rgba[i + 2] > 247) white++;
        }
    }
    return white / (w * h);
}

// Each picture's state in a rectangle: "before" (as the first picture), "after" (as the last) or
// "between". Fails when the first and last do not differ there.
function states(frames, box, what) {
    const first = frames[0];
    const last = frames.at(-1);
    const span = first.distance(last, box);
    assert.ok(span > 8, `${what}: the picture does not change (mean difference ${span.toFixed(1)})`);
    const near = Math.max(0.5, span * 0.02);
    return frames.map((f) => (f.distance(last, box) <= near ? "after" : f.distance(first, box) <= near ? "before" : "between"));
}

// The runs of a state list: ["before", "between", "after"] for a smooth entrance.
const runs = (list) => list.filter((s, i) => i === 0 || s !== list[i - 1]);

// What each handler must show between "before" and "after".
const EXPECT = {
    motion: (r) => r.includes("between"),
    peek: (r) => r.includes("between"),
    scale: (r) => r.includes("between"),
    reveal: (r) => r.includes("between"),
    fade: (r) => r.includes("between"),
    appear: (r) => r[0] === "before" && r.includes("after"),
    // Shown, gone again and shown for good.
    flash: (r) => r.join(" ").includes("after before after"),
};

// The checks of one slide's pictures: a transition passes through pictures of neither slide;
// each shape's band is empty first, shows what its handler promises, and the next shape starts
// only once it is complete.
function judgeSlide(slide, frames, boxes, what) {
    if (slide.transition) {
        const r = runs(states(frames, null, what));
        assert.ok(r.includes("between"), `${what}: no picture between the slide before and this one: ${r}`);
        return;
    }
    let previousDone = -1;
    for (const [k, element] of slide.elements.entries()) {
        const label = `${what}, ${element.name}`;
        assert.ok(whiteShare(frames[0], boxes[k]) > 0.98, `${label}: shown before its entrance`);
        const list = states(frames, boxes[k], label);
        assert.ok(EXPECT[element.handler](runs(list)), `${label} (${element.handler}): ${runs(list)}`);
        const entering = list.findIndex((s) => s !== "before");
        const done = list.findLastIndex((s) => s !== "after") + 1;
        assert.ok(entering >= previousDone, `${label} starts at picture ${entering}, before the shape ` +
            `before it is complete (picture ${previousDone})`);
        previousDone = done;
    }
}

async function fullScreenshot(player, file) {
    const { png } = await player.screenshot();
    await writeFile(file, png);
    return file;
}

test("transitions and entrance effects in the player", async (t) => {
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-effects-"));
    const player = await Player.launch();
    try {
        const deck = path.join(dir, "effects.pptx");
        const manifestFile = path.join(dir, "effects.json");
        await run("python3", [path.join(repoRoot, "tests/decks/make_effects_deck.py"), deck, manifestFile]);
        const { slides } = JSON.parse(await readFile(manifestFile, "utf8"));
        await render(deck, path.join(dir, "ours"), 960, { text: true });
        const ours = (n) => path.join(dir, "ours", slideFile(n, slides.length));
        const recorder = new Recorder(player, SCALE);
        const finals = [];

        await t.test("each slide's transition and each shape's entrance, one after another", async () => {
            const movie = await slowed(await convertDeck(deck, dir, "keys", ["--slide-delay", "20"]), SLOW_RATE);
            await player.load(movie);
            const pairs = [];
            const problems = [];
            for (const [i, slide] of slides.entries()) {
                const n = i + 1;
                const what = `slide ${n} (${slide.transition ?? slide.elements.map((e) => e.name).join(", ")})`;
                await recorder.start();
                if (n > 1) await player.press("ArrowRight");
                const boxes = slide.elements.map((e) => band(e.box, { width: recorder.width }));
                // After a key the first picture is the slide before; a slide with effects starts
                // at the next one.
                const from = n > 1 && !slide.transition ? 1 : 0;
                const recorded = await recorder.collect({
                    stillMs: slide.transition ? TRANSITION_STILL_MS : EFFECTS_STILL_MS,
                    timeoutMs: TIMEOUT_MS,
                    // Until the last shape has entered: no band as it was at the start.
                    until: (fs) => fs.length > from && boxes.every((b) => fs.at(-1).distance(fs[from], b) > 8),
                    explain: (fs) => `; shapes not there at the end: ${slide.elements
                        .filter((e, k) => fs.at(-1).distance(fs[from], boxes[k]) <= 8).map((e) => e.name).join(", ")}`,
                    what,
                });
                const frames = recorded.slice(from);
                finals.push({ first: frames[0], last: frames.at(-1) });
                pairs.push([await fullScreenshot(player, path.join(dir, `keys-${n}.png`)), ours(n)]);
                // Every slide is judged; the failures are listed together at the end.
                try {
                    judgeSlide(slide, frames, boxes, what);
                } catch (err) {
                    if (!(err instanceof assert.AssertionError)) throw err;
                    problems.push(err.message);
                }
            }
            assert.deepEqual(problems, [], "transitions and effects seen in the player");
            const scores = await measure(pairs, 0);
            const low = scores.map((s, i) => ({ s, n: i + 1 })).filter(({ s }) => s < FLOOR);
            assert.deepEqual(low.map(({ n, s }) => `slide ${n}: ${s}`), [], "complete slides unlike our renderer's");
        });

        await t.test("the slide's timer waits for its shapes' entrances", async () => {
            assert.ok(finals.length >= 3, "needs the pictures of the slides' entrances");
            const movie = await convertDeck(deck, dir, "timer", ["--slide-delay", "1"]);
            await player.load(movie);
            await recorder.start();
            // The effects slides start empty (only the master's foot band); the show is recorded
            // until the third one starts after the second one's complete picture.
            const empty = finals[0].first;
            const complete = [finals[0].last, finals[1].last];
            const thirdStarts = (fs) => {
                const at = fs.findIndex((f) => f.distance(complete[1]) < 1);
                return at >= 0 && fs.slice(at).some((f) => f.distance(empty) < 1);
            };
            const frames = await recorder.collect({ stillMs: 0, timeoutMs: TIMEOUT_MS, until: thirdStarts, what: "timer" });
            await recorder.stop();
            for (const n of [1, 2]) {
                const at = frames.findIndex((f) => f.distance(complete[n - 1]) < 1);
                assert.ok(at >= 0, `slide ${n} never showed all its shapes before the timer moved on`);
                const next = frames.slice(at).findIndex((f) => f.distance(complete[n - 1]) >= 1) + at;
                assert.ok(next > at && frames[next].distance(empty) < 1,
                    `slide ${n}: after the complete slide the stage shows neither it nor the next slide's start`);
            }
        });

        await t.test("--no-effects shows every shape at once and cuts between slides", async () => {
            const movie = await convertDeck(deck, dir, "plain", ["--slide-delay", "20", "--no-effects"]);
            await player.load(movie);
            const pairs = [];
            for (const n of [1, 2, 3, 4, 5]) {
                await recorder.start();
                if (n > 1) await player.press("ArrowRight");
                const frames = await recorder.collect({ stillMs: 1000, timeoutMs: TIMEOUT_MS, what: `slide ${n}` });
                const changes = frames.length - (n > 1 ? 1 : 0);
                assert.equal(changes, 1, `slide ${n}: ${changes} pictures on the way to the complete slide, not one`);
                for (const e of slides[n - 1].elements) {
                    assert.ok(whiteShare(frames.at(-1), band(e.box, frames[0])) < 0.9, `slide ${n}: ${e.name} is not shown`);
                }
                pairs.push([await fullScreenshot(player, path.join(dir, `plain-${n}.png`)), ours(n)]);
            }
            const scores = await measure(pairs, 0);
            scores.forEach((s, i) => assert.ok(s >= FLOOR, `slide ${i + 1}: content SSIM ${s} against our renderer`));
        });
    } finally {
        await player.close();
        if (!process.env.QUILLET_KEEP) await rm(dir, { recursive: true, force: true });
    }
});
