// Plays a movie of built elements in the real player: each shape must show its colour where it
// stands on the slide. The movie and its sample points come from the element tests' program
// (QUILLET_ELEMENTS_TESTS, the elements_tests executable), run with QUILLET_ELEMENTS_OUT set.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { mkdtemp, readFile, rm } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { promisify } from "node:util";
import { Player } from "../e2e/player.mjs";
import { checkSwf } from "../e2e/swfcheck.mjs";

const run = promisify(execFile);

test("built elements show at their places and in their colours", async (t) => {
    const program = process.env.QUILLET_ELEMENTS_TESTS;
    assert.ok(program, "set QUILLET_ELEMENTS_TESTS to the elements_tests program");
    const out = await mkdtemp(path.join(os.tmpdir(), "quillet-elements-player-"));
    try {
        await run(program, ["--gtest_filter=ElementsMovie.*"], {
            env: { ...process.env, QUILLET_ELEMENTS_OUT: out },
            timeout: 120000,
        });
        const manifest = JSON.parse(await readFile(path.join(out, "elements.json"), "utf8"));
        const file = path.join(out, manifest.file);
        const result = checkSwf(await readFile(file), manifest.tags, { label: manifest.file });
        for (const note of result.notes ?? []) t.diagnostic(note);

        const player = await Player.launch();
        try {
            await player.load(file);
            const points = manifest.sample.map(({ x, y, rgb, tolerance }) => ({ x, y, rgb, tolerance }));
            try {
                await player.sample(points, { timeoutMs: 2000 });
            } catch (err) {
                // Name the shapes whose points failed.
                const names = manifest.sample.map((p) => `(${p.x}, ${p.y}) ${p.what}`).join("\n  ");
                err.message += `\nthe points are:\n  ${names}`;
                throw err;
            }
            await player.finish();
        } finally {
            await player.close();
        }
    } finally {
        await rm(out, { recursive: true, force: true });
    }
});
