// A table in the player (the deck of tests/decks/make_table_deck.py: merged cells, thin and dashed
// borders, small digits, a grown row, vertical text in a cell): built from vector members with no
// bitmap in the movie, and the player's picture of the slide against our renderer's, by the
// content SSIM above the toolbar.
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
// DefineBits, DefineBitsLossless, DefineBitsJPEG2, DefineBitsJPEG3, DefineBitsLossless2,
// DefineBitsJPEG4.
const BITMAP_TAGS = new Set([6, 20, 21, 35, 36, 90]);

test("a table shows in the player as our renderer draws it, without bitmaps", async () => {
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-table-"));
    const player = await Player.launch();
    try {
        const deck = path.join(out, "table-source.pptx");
        await run("python3", [path.join(repoRoot, "tests/decks/make_table_deck.py"), deck]);
        const { copy, movie } = await convert(deck, out, ["--slide-delay", "20", "--no-effects"]);
        const tags = await ourTags(movie);
        checkSwf(await readFile(movie), tags, { label: "table.swf" });
        const bitmaps = tags.filter((t) => BITMAP_TAGS.has(t));
        assert.deepEqual(bitmaps, [], "the table is drawn without bitmaps");
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
