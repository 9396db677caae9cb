// Plays the movies that our C++ side writes: the e2e_movies program writes movies and a
// manifest into a directory; each movie must pass the independent parser check and play in the
// real player with its steps (colour samples, keys, clicks, waits, screenshots).
//
// Environment: QUILLET_E2E_MOVIES = path of the e2e_movies program; QUILLET_E2E_OUT = output
// directory (default tests/e2e/out).
import { test } from "node:test";
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { mkdir, readFile, rm } from "node:fs/promises";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { repoRoot } from "./server.mjs";
import { run } from "./decks.mjs";

const PLAIN_FILE = /^[A-Za-z0-9_][A-Za-z0-9_.-]*$/;

function findProgram() {
    const given = process.env.QUILLET_E2E_MOVIES;
    if (!given || !existsSync(given)) throw new Error(`QUILLET_E2E_MOVIES=${given ?? ""}: set it to the e2e_movies program (build that target)`);
    return path.resolve(given);
}

// Checks the manifest's shape; returns its movies.
export function validateManifest(manifest, outDir) {
    assert.ok(manifest && Array.isArray(manifest.movies), 'manifest.json must hold {"movies": [...]}');
    assert.ok(manifest.movies.length > 0, "manifest.json lists no movies");
    const names = new Set();
    for (const [i, m] of manifest.movies.entries()) {
        const where = `manifest movie ${i + 1}`;
        assert.ok(typeof m.name === "string" && m.name !== "", `${where}: needs a name`);
        assert.ok(!names.has(m.name), `${where}: the name ${m.name} is used twice`);
        names.add(m.name);
        assert.ok(typeof m.file === "string" && PLAIN_FILE.test(m.file), `${where} (${m.name}): file must be a plain file name, got ${JSON.stringify(m.file)}`);
        assert.ok(existsSync(path.join(outDir, m.file)), `${where} (${m.name}): ${m.file} was not written`);
        assert.ok(Array.isArray(m.tags) && m.tags.every(Number.isInteger), `${where} (${m.name}): tags must be a list of tag codes`);
        assert.ok(m.steps === undefined || Array.isArray(m.steps), `${where} (${m.name}): steps must be a list`);
    }
    return manifest.movies;
}

test("movies written by e2e_movies pass the parser check and play", async (t) => {
    const program = findProgram();
    const outDir = path.resolve(process.env.QUILLET_E2E_OUT || path.join(repoRoot, "tests/e2e/out"));
    await mkdir(outDir, { recursive: true });
    const manifestPath = path.join(outDir, "manifest.json");
    await rm(manifestPath, { force: true }); // never read a manifest left by an earlier run

    const started = performance.now();
    try {
        await run(program, [outDir], { timeout: 300000, maxBuffer: 16 * 1024 * 1024 });
    } catch (err) {
        assert.fail(`${program} ${outDir} failed (${err.code ?? err.signal}):\n${err.stderr ?? ""}${err.stdout ?? ""}`);
    }
    t.diagnostic(`e2e_movies wrote the movies in ${Math.round(performance.now() - started)} ms`);
    assert.ok(existsSync(manifestPath), `${program} wrote no ${manifestPath}`);
    const movies = validateManifest(JSON.parse(await readFile(manifestPath, "utf8")), outDir);

    const launchStart = performance.now();
    const player = await Player.launch();
    t.diagnostic(`browser started in ${Math.round(performance.now() - launchStart)} ms`);
    try {
        for (const movie of movies) {
            await t.test(movie.name, { timeout: 120000 }, async (st) => {
                const file = path.join(outDir, movie.file);
                const bytes = await readFile(file);
                const problems = [];
                try {
                    const result = checkSwf(bytes, movie.tags, { label: movie.file });
                    if (result.skipped) st.diagnostic(`${movie.file}: ${result.skipped}`);
                    for (const note of result.notes ?? []) st.diagnostic(`${movie.file}: ${note}`);
                } catch (err) {
                    problems.push(err.message);
                }
                const t0 = performance.now();
                try {
                    await player.load(file);
                    await player.runSteps(movie.steps ?? [], { outDir });
                    await player.finish();
                } catch (err) {
                    problems.push(err.message);
                }
                st.diagnostic(`${movie.file}: played in ${Math.round(performance.now() - t0)} ms`);
                assert.ok(problems.length === 0, problems.join("\n"));
            });
        }
    } finally {
        await player.close();
    }
});
