// Decks converted by `quillet convert`, checked like a user would: every corpus deck converts (or
// is refused with a reason), the independent parser agrees with our reader on every movie, and a
// converted deck plays in the real player: slide 1 shows its background, the page counter
// changes with the right arrow, the left arrow brings slide 1 back and space moves on, the timer
// moves on by itself, the end screen follows the last slide and a key replays from slide 1.
//
// Environment: QUILLET_BIN = the quillet program; QUILLET_CORPUS = the corpus folder (default
// ../shared/corpus beside the repository).
import { test } from "node:test";
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { copyFile, mkdtemp, readdir, readFile, rm } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { convert, count, decksDir, hex, ourTags, quillet, REFUSED, run, waitForPattern, isEndScreen } from "./decks.mjs";

test("every corpus deck converts, and the independent parser agrees with every movie", async (t) => {
    if (!existsSync(decksDir)) {
        t.skip(`corpus decks not found in ${decksDir}`);
        return;
    }
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-decks-"));
    try {
        const decks = (await readdir(decksDir)).filter((n) => n.endsWith(".pptx")).sort();
        const copies = [];
        for (const name of decks) {
            const copy = path.join(out, name);
            await copyFile(path.join(decksDir, name), copy);
            copies.push(copy);
        }
        let stdout = "";
        let stderr = "";
        try {
            ({ stdout, stderr } = await run(quillet(), ["convert", "-j", "2", "--seed", "1", ...copies], {
                env: { ...process.env, XDG_CONFIG_HOME: out },
                timeout: 900000,
                maxBuffer: 16 << 20,
            }));
        } catch (err) {
            // Exit 1 is expected while refused decks are among them; the lines say which.
            assert.equal(err.code, 1, `quillet convert failed: ${err.message}`);
            stdout = err.stdout;
            stderr = err.stderr;
        }
        // Movies are listed on standard output, failures on standard error.
        const lines = `${stdout}\n${stderr}`
            .split("\n")
            .filter((l) => copies.some((c) => l.startsWith(c + " ") || l.startsWith(c + ":")));
        assert.equal(lines.length, decks.length, "one result line per deck");
        for (const name of decks) {
            const copy = path.join(out, name);
            const line = lines.find((l) => l.startsWith(copy + " ") || l.startsWith(copy + ":"));
            assert.ok(line, `no result line for ${name}`);
            if (REFUSED.has(name)) {
                assert.match(line, /: failed: .+/, `${name} must be refused with a reason`);
                continue;
            }
            const movie = copy.replace(/\.pptx$/, ".swf");
            assert.equal(line, `${copy} -> ${movie}`);
            const result = checkSwf(await readFile(movie), await ourTags(movie), { label: name });
            for (const note of result.notes ?? []) t.diagnostic(`${name}: ${note}`);
        }
        // Nothing but decks and movies is left in the folder.
        const left = (await readdir(out)).filter((n) => !n.endsWith(".pptx") && !n.endsWith(".swf"));
        assert.deepEqual(left.filter((n) => n !== "quillet"), []);
    } finally {
        await rm(out, { recursive: true, force: true });
    }
});

test("a converted deck plays: background, page counter, keys, timer, end screen, replay", async (t) => {
    const deck = path.join(decksDir, "backgrounds.pptx");
    if (!existsSync(deck)) {
        t.skip(`${deck} not found`);
        return;
    }
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-play-"));
    const player = await Player.launch();
    try {
        const { copy, movie } = await convert(deck, out, ["--slide-delay", "20", "--toolbar"]);
        checkSwf(await readFile(movie), await ourTags(movie), { label: "backgrounds.swf" });
        const { stdout } = await run(quillet(), ["inspect", "--json", copy], { maxBuffer: 64 << 20 });
        const inspected = JSON.parse(stdout);
        const slideCount = inspected.slides.length;
        assert.ok(slideCount >= 3);

        await player.load(movie);
        // Slide 1 follows a solid background: a point near the top-left corner has its colour.
        const background = inspected.slides[0].background;
        assert.equal(background.type, 1);
        await player.sample([{ x: 4, y: 4, rgb: hex(background.fore), tolerance: 3 }], { timeoutMs: 3000 });

        // The counter reads "1 / N", then "2 / N" after the right arrow: the digits change, the
        // rest of the text stays.
        const first = await waitForPattern(player, (p) => count(p) > 10, "the page counter is not drawn");
        await player.focus();
        await player.press("ArrowRight");
        const second = await waitForPattern(player, (p) => count(p) > 10 && p !== first,
            "the right arrow did not move to slide 2");
        await player.sample([{ x: 4, y: 4, rgb: hex(background.fore), tolerance: 3 }], { timeoutMs: 100 })
            .then(() => assert.fail("slide 2 still shows slide 1's background"), () => {});
        // The left arrow brings slide 1 back: its background and its own counter (a later slide's
        // timer clip must not stay on the stage), space moves on to slide 2 again.
        await player.press("ArrowLeft");
        await player.sample([{ x: 4, y: 4, rgb: hex(background.fore), tolerance: 3 }], { timeoutMs: 3000 });
        await waitForPattern(player, (p) => p === first, "the left arrow left slide 2's page counter on the stage");
        await player.press("Space");
        await waitForPattern(player, (p, image) => p === second &&
            image.pixel(4, 4).slice(0, 3).some((v, i) => Math.abs(v - hex(background.fore)[i]) > 3),
            "space did not move to slide 2");
        await player.finish();
    } finally {
        await player.close();
        await rm(out, { recursive: true, force: true });
    }
});

test("the timer moves on by itself, the end screen follows and a key replays", async (t) => {
    const deck = path.join(decksDir, "backgrounds.pptx");
    if (!existsSync(deck)) {
        t.skip(`${deck} not found`);
        return;
    }
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-play-"));
    const player = await Player.launch();
    try {
        // One second per slide.
        const { movie } = await convert(deck, out, ["--slide-delay", "1", "--toolbar"]);
        await player.load(movie);
        const first = await waitForPattern(player, (p) => count(p) > 10, "the page counter is not drawn");
        await waitForPattern(player, (p) => count(p) > 10 && p !== first, "the timer did not move to slide 2");
        await waitForPattern(player, isEndScreen, "the end screen did not follow the last slide", 15000);
        // Any key replays from slide 1.
        await player.focus();
        await player.press("KeyA");
        await waitForPattern(player, (p) => p === first, "a key on the end screen did not replay slide 1", 3000);
        await player.finish();
    } finally {
        await player.close();
        await rm(out, { recursive: true, force: true });
    }
});
