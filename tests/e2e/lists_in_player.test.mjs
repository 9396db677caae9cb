// Bulleted and numbered lists in the player (the deck of tests/decks/make_lists_deck.py: indents
// and hanging indents, numbering styles and start values, aligned lists; then lists in vertical
// text, turned within their shapes and in a turned shape): each slide as the player shows it
// against our renderer's picture, by the content SSIM above the toolbar.
//
// Environment: QUILLET_BIN (the quillet program), QUILLET_FIDELITY_COMPARE (fidelity_compare).
import { test } from "node:test";
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

test("lists show in the player as our renderer draws them", async () => {
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-lists-"));
    const player = await Player.launch();
    try {
        const deck = path.join(out, "lists-source.pptx");
        await run("python3", [path.join(repoRoot, "tests/decks/make_lists_deck.py"), deck]);
        const { copy, movie } = await convert(deck, out, ["--slide-delay", "20", "--no-effects"]);
        checkSwf(await readFile(movie), await ourTags(movie), { label: "lists.swf" });
        await player.load(movie);
        const stage = player.metadata;
        const ours = await render(copy, path.join(out, "ours"), stage.width, { text: true });
        const first = await player.screenshot();
        const shots = [path.join(out, "player-1.png"), path.join(out, "player-2.png")];
        await writeFile(shots[0], first.png);
        // The second slide once the stage has left the first and settled.
        await player.press("ArrowRight");
        const rows = Math.ceil(TOOLBAR_TWIPS / 20) + 2; // the toolbar changes with the page
        const start = Date.now();
        let last = first.image;
        for (;;) {
            await player.waitFrames(2);
            const shot = await player.screenshot();
            if (!sameAbove(shot.image, first.image, rows) && sameAbove(shot.image, last, rows)) {
                await writeFile(shots[1], shot.png);
                break;
            }
            assert.ok(Date.now() - start < SETTLE_TIMEOUT_MS, "the second slide did not settle");
            last = shot.image;
        }
        const scores = await measure(shots.map((s, i) => [s, path.join(ours, slideFile(i + 1))]),
            toolbarRows(stage.width));
        console.log(`lists: content SSIM per slide ${scores.join(", ")}`);
        scores.forEach((score, i) =>
            assert.ok(score >= FLOOR, `slide ${i + 1} scores ${score} against our picture (floor ${FLOOR})`));
    } finally {
        await player.close();
        if (!process.env.QUILLET_E2E_KEEP) await rm(out, { recursive: true, force: true });
    }
});
