// Vertical text in the player (the deck of tests/decks/make_vertical_deck.py: every vertical
// orientation, upright East Asian characters among turned Latin ones, a turned shape): the
// player's picture of the slide against our renderer's, by the content SSIM above the toolbar.
//
// Environment: QUILLET_BIN (the quillet program), QUILLET_FIDELITY_COMPARE (fidelity_compare).
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { measure, render, slideFile, toolbarRows } from "./compare.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { repoRoot } from "./server.mjs";
import { convert, ourTags, run } from "./decks.mjs";

// The same floor as every corpus slide: the movie draws what our renderer draws.
const FLOOR = 0.95;

test("vertical text shows in the player as our renderer draws it", async () => {
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-vertical-"));
    const player = await Player.launch();
    try {
        const deck = path.join(out, "vertical-source.pptx");
        await run("python3", [path.join(repoRoot, "tests/decks/make_vertical_deck.py"), deck]);
        const { copy, movie } = await convert(deck, out, ["--slide-delay", "20", "--no-effects"]);
        checkSwf(await readFile(movie), await ourTags(movie), { label: "vertical.swf" });
        await player.load(movie);
        const stage = player.metadata;
        const ours = await render(copy, path.join(out, "ours"), stage.width, { text: true });
        const shot = path.join(out, "player.png");
        await writeFile(shot, (await player.screenshot()).png);
        const [score] = await measure([[shot, path.join(ours, slideFile(1))]], toolbarRows(stage.width));
        assert.ok(score >= FLOOR, `the slide scores ${score} against our picture (floor ${FLOOR})`);
    } finally {
        await player.close();
        if (!process.env.QUILLET_E2E_KEEP) await rm(out, { recursive: true, force: true });
    }
});
