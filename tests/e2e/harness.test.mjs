// Self-test of the end-to-end harness on movies built here, without the C++ side: the parser
// check and the player must accept good movies, see their colours, and report broken ones.
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, rm, writeFile, readFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player, PlayerError } from "./player.mjs";
import { checkSwf, SwfCheckError } from "./swfcheck.mjs";
import { decodePng } from "./png.mjs";
import { assemble, buildMovie, defineRectShape, rect, tag, u16 } from "./tinyswf.mjs";

const STAGE = {
    width: 200,
    height: 150,
    background: [32, 64, 160],
    box: [50, 40, 150, 110],
    fill: [255, 0, 0],
};
const movie = buildMovie(STAGE);
const inside = { x: 100, y: 75, rgb: STAGE.fill, tolerance: 2 };
const outside = { x: 10, y: 10, rgb: STAGE.background, tolerance: 2 };
const corner = { x: 190, y: 140, rgb: STAGE.background, tolerance: 2 };

// A movie cut off inside its shape tag; the header still claims the full length.
const truncated = movie.fws.subarray(0, 40);

// --- the parser check --------------------------------------------------------------------------

test("swfcheck accepts the FWS and CWS movies and names their tags", () => {
    for (const bytes of [movie.fws, movie.cws]) {
        const r = checkSwf(bytes, movie.tags);
        assert.deepEqual(r.tags, ["SetBackgroundColor", "DefineShape", "PlaceObject", "ShowFrame"]);
        assert.equal(r.width, 200);
        assert.equal(r.height, 150);
        assert.equal(r.frameCount, 1);
    }
});

test("swfcheck fails on a tag list that disagrees with the movie", () => {
    assert.throws(() => checkSwf(movie.fws, [9, 2, 26]), /we list 3 tags, the parser found 4/);
    assert.throws(() => checkSwf(movie.fws, [9, 26, 2, 1]), /tag 2: our code 26 should be PlaceObject, the parser found DefineShape/);
    assert.throws(() => checkSwf(movie.cws, [9, 2, 26, 1, 0]), /end tag/);
});

test("swfcheck fails on truncated and damaged movies", () => {
    assert.throws(() => checkSwf(truncated, movie.tags), SwfCheckError);
    const cwsCut = movie.cws.subarray(0, movie.cws.length - 6);
    assert.throws(() => checkSwf(cwsCut, movie.tags), /does not inflate/);
    // Wrong length field and frame count, which the parser itself does not check.
    const badLength = Buffer.from(movie.fws);
    badLength.writeUInt32LE(badLength.length + 5, 4);
    assert.throws(() => checkSwf(badLength, movie.tags), /length field/);
    const badFrames = Buffer.from(movie.fws);
    badFrames.writeUInt16LE(3, 8 + rect(0, 4000, 0, 3000).length + 2);
    assert.throws(() => checkSwf(badFrames, movie.tags), /frame count is 3, the movie shows 1/);
    // A shape body the parser cannot read becomes a raw body: a failure, not a pass.
    const broken = Buffer.from(movie.fws);
    const shapeAt = 8 + rect(0, 4000, 0, 3000).length + 4 + 5;
    assert.equal(broken.readUInt16LE(shapeAt) >> 6, 2);
    broken.fill(0xff, shapeAt + 4, shapeAt + 12); // garbage bounds and styles
    assert.throws(() => checkSwf(broken, movie.tags), /could not read the body of a code 2 tag/);
    // A damaged tag repeated byte for byte is read once but reported at each of its places.
    const shape = defineRectShape(2, [0, 0, 10, 10], [1, 2, 3]);
    const damaged = Buffer.from(shape);
    damaged.fill(0xff, 4, 12);
    const twice = assemble([shape, damaged, shape, damaged, tag(1)], { width: 20, height: 20 }).fws;
    assert.throws(() => checkSwf(twice, [2, 2, 2, 2, 1]), (err) => {
        const unread = err.problems.filter((p) => p.includes("could not read the body"));
        assert.deepEqual(unread.map((p) => p.split(":")[0]), ["tag 2", "tag 4"]);
        return true;
    });
    const good = assemble([shape, shape, tag(1)], { width: 20, height: 20 }).fws;
    assert.equal(checkSwf(good, [2, 2, 1]).tags.length, 3);
    // Trailing bytes after the end tag.
    const trailing = Buffer.concat([movie.fws, Buffer.from([1, 2, 3])]);
    trailing.writeUInt32LE(trailing.length, 4);
    assert.throws(() => checkSwf(trailing, movie.tags), /3 bytes follow the end tag/);
});

test("swfcheck reads into sprites and knows codes the parser has no reader for", () => {
    const size = { width: 100, height: 100 };
    const shape = defineRectShape(1, [10, 10, 90, 90], [0, 128, 0]);
    const sprite = (inner) => tag(39, Buffer.concat([u16(2), u16(1), ...inner, tag(0)]));
    const place = tag(26, Buffer.concat([Buffer.from([0x02]), u16(1), u16(2)]));
    const good = assemble([shape, sprite([place, tag(1)]), tag(1)], size);
    const r = checkSwf(good.cws, [2, 39, 1]);
    assert.deepEqual(r.tags, ["DefineShape", "DefineSprite", "ShowFrame"]);

    // A damaged shape inside a sprite is found too.
    const badShape = Buffer.from(shape);
    badShape.fill(0xff, 4, 12);
    const nested = assemble([sprite([badShape, tag(1)]), tag(1)], size);
    assert.throws(() => checkSwf(nested.fws, [39, 1]), /tag 1 \(sprite 2\) tag 1: the parser could not read the body of a code 2 tag/);

    // Code 41 has no reader there: a raw body of that code is expected, and noted.
    const serial = assemble([tag(41, Buffer.from("serial\0")), tag(1)], size);
    const s = checkSwf(serial.fws, [41, 1]);
    assert.deepEqual(s.tags, ["RawBody", "ShowFrame"]);
    assert.match(s.notes.join(), /code 41 has no reader/);
    assert.throws(() => checkSwf(serial.fws, [43, 1]), /our code 43 should be FrameLabel, the parser found RawBody \(code 41\)/);
});

test("swfcheck skips ZWS movies with a message", () => {
    const zws = Buffer.from(movie.fws);
    zws.write("ZWS", 0, "latin1");
    assert.match(checkSwf(zws, movie.tags).skipped, /ZWS/);
});

// --- the player ----------------------------------------------------------------------------------

test("the player draws the movies, samples colours and reports broken movies", async (t) => {
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-harness-"));
    let player = null;
    try {
        const files = {};
        for (const [name, bytes] of Object.entries({ "box-fws.swf": movie.fws, "box-cws.swf": movie.cws, "cut.swf": truncated })) {
            files[name] = path.join(dir, name);
            await writeFile(files[name], bytes);
        }
        const started = performance.now();
        player = await Player.launch();
        const launched = performance.now();

        await t.test("FWS movie: first frame, colours, key, click, screenshot", async () => {
            const meta = await player.load(files["box-fws.swf"]);
            t.diagnostic(`browser start ${Math.round(launched - started)} ms, ` +
                `start + first frame ${Math.round(performance.now() - started)} ms`);
            assert.equal(meta.width, 200);
            assert.equal(meta.height, 150);
            assert.equal(meta.frameRate, 12);
            await player.runSteps([
                { sample: [inside, outside, corner] },
                { press: "ArrowRight" },
                { frames: 2 },
                { click: true },
                { screenshot: "box.png" },
                { sample: [inside, outside] },
            ], { outDir: dir });
            const shot = decodePng(await readFile(path.join(dir, "box.png")));
            assert.equal(shot.width, 200);
            assert.equal(shot.height, 150);
            assert.deepEqual(shot.pixel(100, 75).slice(0, 3), STAGE.fill);
        });

        await t.test("a stage of a fractional size is shown from its corner, cut at whole pixels", async () => {
            // A box at whole stage pixels must cover whole screenshot pixels: in an element of the
            // rounded size (142) the player would draw it half a pixel to the right.
            const odd = buildMovie({ width: 141.75, height: 85.5, background: [255, 255, 255], box: [20, 10, 40, 30], fill: [0, 0, 0] });
            files["odd.swf"] = path.join(dir, "odd.swf");
            await writeFile(files["odd.swf"], odd.fws);
            const meta = await player.load(files["odd.swf"]);
            assert.deepEqual([meta.width, meta.height], [141, 85]);
            const white = [255, 255, 255];
            const black = [0, 0, 0];
            await player.runSteps([{ sample: [[19, 20, white], [20, 20, black], [39, 20, black], [40, 20, white],
                [30, 9, white], [30, 10, black], [30, 29, black], [30, 30, white]]
                .map(([x, y, rgb]) => ({ x, y, rgb, tolerance: 8 })) }]);
        });

        await t.test("a wrong colour fails with expected and actual values", async () => {
            await player.load(files["box-fws.swf"]);
            await assert.rejects(
                player.runSteps([{ sample: [{ x: 100, y: 75, rgb: [0, 255, 0], tolerance: 6 }] }]),
                (err) => err instanceof PlayerError &&
                    /at \(100, 75\) expected rgb\(0, 255, 0\) ±6, got rgb\(255, 0, 0\)/.test(err.message));
            await assert.rejects(player.runSteps([{ sample: [{ x: 500, y: 10, rgb: [0, 0, 0] }] }]), /outside/);
            await assert.rejects(player.runSteps([{ jump: 3 }]), /exactly one action/);
        });

        await t.test("a truncated movie is reported as a failure", async () => {
            const play = async () => {
                await player.load(files["cut.swf"], { timeoutMs: 10000 });
                await player.finish();
            };
            await assert.rejects(play, (err) => {
                assert.ok(err instanceof PlayerError, String(err));
                assert.match(err.message, /error screen|console errors|ERROR/);
                t.diagnostic(err.message.split("\n").slice(0, 3).join(" | "));
                return true;
            });
        });

        await t.test("the page recovers for the next movie, a CWS one, after a failure", async () => {
            await player.load(files["box-cws.swf"]);
            await player.runSteps([{ sample: [inside, outside, corner] }]);
        });
    } finally {
        if (player) await player.close();
        await rm(dir, { recursive: true, force: true });
    }
});

// --- the page counter --------------------------------------------------------------------------

// A stage foot 80 x 24 with the counter: glyph cells (x, y, coverage 0..1) in pure red over a
// background that may change between pictures, as the progress bar grows under the counter.
function counterImage(cells, background) {
    const width = 80;
    const height = 24;
    const cover = new Map(cells.map(([x, y, c]) => [`${x},${y}`, c]));
    return {
        width,
        height,
        pixel(x, y) {
            const c = cover.get(`${x},${y}`) ?? 0;
            const bg = background(x, y);
            return [0, 1, 2].map((i) => Math.round((i === 0 ? 255 : 0) * c + bg[i] * (1 - c)));
        },
    };
}

// Solid strokes drawn as digits (a bar per stroke), with half-covered edges, then " / 7".
function counterCells(strokes) {
    const cells = [];
    for (const [x0, y0, x1, y1] of [...strokes, [40, 12, 41, 20], [46, 12, 50, 13], [49, 14, 50, 20]]) {
        for (let y = y0; y <= y1; y++) {
            for (let x = x0; x <= x1; x++) cells.push([x, y, 1]);
            cells.push([x1 + 1, y, 0.5]);
        }
    }
    return cells;
}

test("the counter's number stays over a changing background and changes with the slide", async () => {
    const { counterNumber, numberDistance } = await import("./decks.mjs");
    const one = [[8, 12, 9, 20]];
    const two = [[12, 12, 18, 13], [17, 14, 18, 16], [12, 17, 18, 18], [12, 19, 13, 20]];
    const three = [[12, 12, 18, 13], [17, 14, 18, 20], [12, 16, 18, 17], [12, 19, 18, 20]];
    const white = () => [255, 255, 255];
    const footer = () => [212, 122, 128]; // a red footer under the toolbar
    const bar = (x) => (x < 30 ? [133, 119, 162] : [212, 122, 128]); // the bar grown over it
    const a = counterNumber(counterImage(counterCells([...one, ...two]), white));
    assert.ok(a.includes("#") && !a.split("\n").some((r) => r.length > 16), "the number alone, not \"/ 7\"");
    for (const bg of [footer, bar]) {
        assert.equal(numberDistance(a, counterNumber(counterImage(counterCells([...one, ...two]), bg))), 0);
    }
    const b = counterNumber(counterImage(counterCells([...one, ...three]), bar));
    assert.ok(numberDistance(a, b) > 5, `12 and 13 differ: ${numberDistance(a, b)}`);
    assert.equal(counterNumber(counterImage([], white)), "");
});
