// Records what the stage shows frame by frame, for tests of movies that move (transitions,
// entrance effects).
//
// Why this way: the player runs on the browser's clock and its API has no frame stepping;
// suspending and resuming it does not stop its clock (it catches up), and a screenshot takes
// longer than a movie frame (50 ms at 20 frames a second). So the page itself copies the
// player's canvas, scaled down, on every paint of the browser (about 60 a second, three or more
// per movie frame) and keeps a copy only when the picture changed. Every movie frame that stays
// on the stage for a paint is caught, whatever the test process is doing meanwhile; the test
// reads the pictures in batches and judges the sequence, never the moment a picture was taken.
import assert from "node:assert/strict";

// In the page: starts (or restarts) the recorder at 1/scale of the stage's size.
function pageStart(scale) {
    const player = document.getElementById("player");
    const canvas = player.shadowRoot.querySelector("canvas");
    const small = document.createElement("canvas");
    small.width = Math.round(canvas.width / scale);
    small.height = Math.round(canvas.height / scale);
    const ctx = small.getContext("2d", { willReadFrequently: true });
    const state = { frames: [], last: null, running: true, width: small.width, height: small.height };
    if (window.quilletRecorder) window.quilletRecorder.running = false;
    window.quilletRecorder = state;
    const grab = () => {
        if (!state.running) return;
        ctx.drawImage(canvas, 0, 0, small.width, small.height);
        const data = ctx.getImageData(0, 0, small.width, small.height).data;
        let same = state.last !== null;
        for (let i = 0; same && i < data.length; i += 4) {
            same = data[i] === state.last[i] && data[i + 1] === state.last[i + 1] && data[i + 2] === state.last[i + 2];
        }
        if (!same) {
            state.last = data;
            let text = "";
            for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
            state.frames.push({ t: performance.now(), rgba: btoa(text) });
        }
        requestAnimationFrame(grab);
    };
    grab();
    return { width: small.width, height: small.height };
}

// In the page: hands over the pictures taken since the last call, and the time of the last change.
function pageTake() {
    const state = window.quilletRecorder;
    const frames = state.frames;
    state.frames = [];
    return { frames, now: performance.now() };
}

function pageStop() {
    if (window.quilletRecorder) window.quilletRecorder.running = false;
}

// A small picture of the stage: RGBA rows of width x height.
export class Frame {
    constructor(width, height, rgba, t) {
        Object.assign(this, { width, height, rgba, t });
    }

    // Mean absolute difference per channel from another frame over the rectangle {x, y, w, h}
    // (in this frame's pixels; the whole frame by default).
    distance(other, box = null) {
        const { x, y, w, h } = box ?? { x: 0, y: 0, w: this.width, h: this.height };
        let sum = 0;
        for (let row = y; row < y + h; row++) {
            for (let i = (row * this.width + x) * 4, end = i + w * 4; i < end; i += 4) {
                sum += Math.abs(this.rgba[i] - other.rgba[i]) + Math.abs(this.rgba[i + 1] - other.rgba[i + 1]) +
                    Math.abs(this.rgba[i + 2] - other.rgba[i + 2]);
            }
        }
        return sum / (3 * w * h);
    }
}

// A stage that holds still this much longer than asked while the test waits for a change will
// not change any more.
const GIVE_UP_MS = 8000;

export class Recorder {
    constructor(player, scale = 4) {
        this.player = player;
        this.scale = scale;
    }

    async start() {
        const { width, height } = await this.player.page.evaluate(pageStart, this.scale);
        Object.assign(this, { width, height });
    }

    async stop() {
        await this.player.page.evaluate(pageStop);
    }

    async #take() {
        const { frames, now } = await this.player.page.evaluate(pageTake);
        return {
            now,
            frames: frames.map((f) => new Frame(this.width, this.height, Buffer.from(f.rgba, "base64"), f.t)),
        };
    }

    // Collects the pictures until the stage has held still for stillMs (or, with `until`, until
    // until(frames so far) holds and the stage then holds still); fails after timeoutMs, adding
    // explain(frames so far) to the message.
    async collect({ stillMs, timeoutMs, until = null, explain = () => "", what }) {
        const frames = [];
        const started = Date.now();
        for (;;) {
            await new Promise((r) => setTimeout(r, 100));
            const { frames: more, now } = await this.#take();
            frames.push(...more);
            const last = frames.at(-1);
            const still = last && now - last.t >= stillMs;
            if (still && (!until || until(frames))) return frames;
            assert.ok(!last || now - last.t < stillMs + GIVE_UP_MS, `${what}: the stage held still for ` +
                `${Math.round((now - last.t) / 1000)} s without reaching the state the test waits for ` +
                `(${frames.length} pictures)${explain(frames)}`);
            assert.ok(Date.now() - started < timeoutMs, `${what}: the stage did not settle within ${timeoutMs} ms ` +
                `(${frames.length} pictures)${explain(frames)}`);
            await this.player.check(what);
        }
    }
}
