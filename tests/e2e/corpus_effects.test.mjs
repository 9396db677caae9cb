// Corpus decks with transitions or entrance effects: each converts, plays in the player slide by
// slide to its end screen, and every slide, once its transition and effects are over, looks as
// the same slide of the deck converted with --no-effects (content SSIM).
//
// A fixed sample of decks runs by default; QUILLET_E2E_ALL=1 takes every corpus deck whose
// inspection shows a transition or an animation.
// Environment: QUILLET_BIN, QUILLET_FIDELITY_COMPARE, QUILLET_CORPUS (see decks.mjs, compare.mjs).
import { test } from "node:test";
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { copyFile, mkdir, mkdtemp, readdir, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { measure } from "./compare.mjs";
import { counterPattern, decksDir, isEndScreen, ourTags, REFUSED, runQuillet, waitForPattern } from "./decks.mjs";
import { Recorder } from "./recorder.mjs";

const SAMPLE = ["bug64693.pptx", "PPTX_ChartBar.pptx", "aascu.org_hbcu_leadershipsummit_cooper_.pptx"];
const ALL = process.env.QUILLET_E2E_ALL === "1";
const FLOOR = 0.95;
const SHAPE_DELAY = 0.2;
const OPTIONS = ["--no-toolbar", "--slide-delay", "20", "--shape-delay", String(SHAPE_DELAY)];

// What the deck animates, and each slide's longest wait (seconds) between moves. The movie has a
// frame for every slide of the deck, those hidden in the host's show included.
async function animation(deck) {
    const { stdout } = await runQuillet(["inspect", "--json", deck], { maxBuffer: 64 << 20 });
    const slides = JSON.parse(stdout).slides;
    let animated = false;
    const waits = slides.map((s) => {
        if (s.transition?.entryEffect) animated = true;
        let wait = 0;
        for (const shape of s.shapes ?? []) {
            const a = shape.animation;
            if (!a) continue;
            animated = true;
            wait = Math.max(wait, a.advanceMode === 2 ? a.advanceTime : SHAPE_DELAY, 0.01);
        }
        return wait;
    });
    return { animated, waits };
}

// Pages through the movie, a screenshot of each slide once it holds still, to the end screen.
async function playThrough(player, movie, waits, dir, what) {
    await player.load(movie);
    const recorder = new Recorder(player);
    const shots = [];
    for (const [i, wait] of waits.entries()) {
        await recorder.start();
        if (i > 0) await player.press("ArrowRight");
        // Still for longer than the slide's longest wait and the 20 frames of an appearing
        // element that show nothing new, and never the end screen.
        const frames = await recorder.collect({ stillMs: wait > 0 ? 1600 + wait * 1000 : 600, timeoutMs: 60000 + wait * 4000,
            // A slide with large pictures may take a while to come after the key.
            until: (fs) => i === 0 || fs.length > 1, what: `${what} slide ${i + 1}` });
        assert.ok(i === 0 || frames.length > 1, `${what}: the stage did not change on the key for slide ${i + 1}`);
        const { png, image } = await player.screenshot();
        assert.ok(!isEndScreen(counterPattern(image), image), `${what}: the end screen came after ${i} slides, not ${waits.length}`);
        shots.push(path.join(dir, `${path.basename(movie, ".swf")}-${i + 1}.png`));
        await writeFile(shots.at(-1), png);
    }
    await recorder.stop();
    await player.press("ArrowRight");
    await waitForPattern(player, isEndScreen, `${what}: the end screen after the last slide`, 20000);
    await player.finish(what);
    return shots;
}

test("corpus decks with transitions and effects end each slide as without them", async (t) => {
    if (!existsSync(decksDir)) {
        t.skip(`corpus decks not found in ${decksDir}`);
        return;
    }
    const names = ALL ? (await readdir(decksDir)).filter((n) => n.endsWith(".pptx") && !REFUSED.has(n)).sort() : SAMPLE;
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-corpus-effects-"));
    const player = await Player.launch();
    try {
        let played = 0;
        for (const name of names) {
            const deck = path.join(decksDir, name);
            const { animated, waits } = await animation(deck);
            if (!animated) {
                assert.ok(ALL, `${name}: the sample deck has no transition or animation`);
                continue;
            }
            await t.test(name, async () => {
                // The test server serves plain file names only.
                const copy = path.join(dir, name.replace(/[^A-Za-z0-9_.-]/g, "_"));
                await copyFile(deck, copy);
                const movies = {};
                for (const [kind, extra] of [["effects", []], ["plain", ["--no-effects"]]]) {
                    movies[kind] = copy.replace(/\.pptx$/, `-${kind}.swf`);
                    await runQuillet(["convert", "--quiet", "--seed", "1", ...OPTIONS, ...extra, copy, "-o", movies[kind]],
                        { env: { ...process.env, XDG_CONFIG_HOME: dir }, timeout: 300000 });
                    const { frameCount } = checkSwf(await readFile(movies[kind]), await ourTags(movies[kind]), { label: `${name} (${kind})` });
                    assert.equal(frameCount, waits.length + 1, `${name} (${kind}): a frame per slide and the end screen`);
                }
                const out = path.join(dir, "shots");
                await mkdir(out, { recursive: true });
                const withEffects = await playThrough(player, movies.effects, waits, out, `${name} with effects`);
                const plain = await playThrough(player, movies.plain, waits.map(() => 0), out, `${name} without`);
                const scores = await measure(withEffects.map((f, i) => [f, plain[i]]), 0);
                const low = scores.map((s, i) => [i + 1, s]).filter(([, s]) => s < FLOOR);
                t.diagnostic(`${name}: ${scores.length} slides, lowest content SSIM ${Math.min(...scores).toFixed(4)}`);
                assert.deepEqual(low.map(([n, s]) => `slide ${n}: ${s}`), [], `${name}: slides that end unlike --no-effects`);
            });
            played++;
        }
        t.diagnostic(`${played} decks with transitions or animations played`);
    } finally {
        await player.close();
        if (!process.env.QUILLET_KEEP) await rm(dir, { recursive: true, force: true });
    }
});
