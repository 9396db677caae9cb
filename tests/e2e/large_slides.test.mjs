// Slides as large as a deck may have: an A0 page (2384 x 3370 points) and a 56-inch square
// (4032 points a side) convert, the independent parser reads the movies, the frame is the slide
// and a picture wider than players' largest bitmap becomes a bitmap they show; the player shows
// the slide: a red box over the top-left quarter and a blue ellipse over the bottom-right one.
// In headless Chromium without a GPU a stage this large is at times not painted at all (the
// canvas keeps the background colour for minutes, the same movie shows at the next load), so the
// movie is loaded up to three times.
//
// Environment: QUILLET_BIN (see decks.mjs).
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, readFile, rm } from "node:fs/promises";
import os from "node:os";
import path from "node:path";
import { Player } from "./player.mjs";
import { checkSwf } from "./swfcheck.mjs";
import { quillet, run } from "./decks.mjs";
import { repoRoot } from "./server.mjs";

const MAKER = `
import sys
sys.path.insert(0, sys.argv[1])
from pptx_writer import EMU, para, png, run, shape, slide, solid, text_body, write_deck
w, h = int(sys.argv[3]), int(sys.argv[4])
# Below the slide, a picture wider than a player's largest bitmap.
picture = ('<p:pic><p:nvPicPr><p:cNvPr id="4" name="Wide"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>'
           '<p:blipFill><a:blip r:embed="rId2"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
           f'<p:spPr><a:xfrm><a:off x="0" y="{(h + 10) * EMU}"/><a:ext cx="{9000 * EMU}" cy="{3000 * EMU}"/>'
           '</a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')
shapes = (shape(2, 'Box', 'rect', (0, 0, w // 2, h // 2), solid('FF0000')) +
          shape(3, 'Ring', 'ellipse', (w // 2, h // 2, w // 2, h // 2), solid('0000FF'),
                body=text_body(para(run('Large', 200)))) + picture)
write_deck(sys.argv[2], [(slide(shapes), 'obj', [('rId2', 'image', '../media/wide.png')])],
           media=[('wide.png', png(90, 30, lambda x, y: (x * 2, y * 8, 90)))], width=w * EMU, height=h * EMU)
`;

const LOADS = 3;

for (const [name, width, height] of [["A0", 2384, 3370], ["56-inch", 4032, 4032]]) {
    test(`an ${name} slide converts and plays`, async () => {
        const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-large-"));
        const player = await Player.launch();
        try {
            const deck = path.join(dir, "large.pptx");
            const movie = path.join(dir, "large.swf");
            await run("python3", ["-c", MAKER, path.join(repoRoot, "examples"), deck, String(width), String(height)]);
            await run(quillet(), ["convert", "--quiet", deck, "-o", movie], {
                env: { ...process.env, XDG_CONFIG_HOME: dir },
                timeout: 300000,
            });
            const { stdout } = await run(quillet(), ["info", "--json", movie], { maxBuffer: 64 << 20 });
            const info = JSON.parse(stdout);
            checkSwf(await readFile(movie), info.tags.map((t) => t.type), { label: `${name} movie` });
            assert.deepEqual(info.frameSize, { minX: 0, minY: 0, maxX: width * 20, maxY: height * 20 });
            // Bitmaps stay within what players show: 8191 pixels a side, 16777215 in all.
            const bitmaps = info.tags.filter((t) => /^\d+x\d+$/.test(t.fields?.size ?? "")).map((t) => t.fields.size.split("x").map(Number));
            assert.ok(bitmaps.some(([w]) => w > 7000), `no bitmap of the wide picture: ${JSON.stringify(bitmaps)}`);
            for (const [w, h] of bitmaps) assert.ok(w <= 8191 && h <= 8191 && w * h <= 16777215, `a ${w}x${h} bitmap`);

            for (let load = 1; ; load++) {
                await player.load(movie);
                assert.equal(player.metadata.width, width);
                assert.equal(player.metadata.height, height);
                try {
                    await player.sample([
                        { x: width / 4, y: height / 4, rgb: [255, 0, 0], tolerance: 8 },
                        { x: width * 0.75, y: height * 0.56, rgb: [0, 0, 255], tolerance: 8 },
                    ], { timeoutMs: 5000 });
                    break;
                } catch (err) {
                    if (load === LOADS) throw err;
                    console.log(`load ${load} of the ${name} movie: ${err.message}`);
                }
            }
            await player.finish(`playing the ${name} slide`);
        } finally {
            await player.close();
            await rm(dir, { recursive: true, force: true });
        }
    });
}
