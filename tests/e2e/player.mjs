// Plays SWF movies in the in-browser player inside headless Chromium and looks at them like a
// user: waits for the first frame, samples stage pixels, presses keys, clicks, waits frames and
// takes screenshots. One browser and page serve many movies; close() always releases them.
import { mkdtemp, rm, readFile, writeFile } from "node:fs/promises";
import { existsSync } from "node:fs";
import os from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";
import { StaticServer } from "./server.mjs";
import { decodePng } from "./png.mjs";
import { readStageSize } from "./swfcheck.mjs";

export const CHROMIUM = "/usr/bin/chromium";

const BROWSER_ARGS = [
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--autoplay-policy=no-user-gesture-required",
];

// A fresh headless browser with its profile in userDir (the caller removes it).
export async function launchChromium(userDir, options = {}) {
    if (!existsSync(CHROMIUM)) throw new PlayerError(`${CHROMIUM} is missing; run scripts/setup.sh`);
    return chromium.launchPersistentContext(userDir, {
        executablePath: CHROMIUM,
        headless: true,
        args: BROWSER_ARGS,
        viewport: { width: 800, height: 600 },
        deviceScaleFactor: 1,
        ...options,
    });
}

// A console line that means the movie did not play as it should.
export function isErrorLine(entry) {
    return entry.type === "error" || entry.type === "pageerror" || entry.text.includes("ERROR");
}

// The player styles its log lines with %c; keep the words, drop the styles.
export function readableLine(entry) {
    if (!entry.text.includes("%c")) return `[${entry.type}] ${entry.text}`;
    const text = entry.text.replace(/%c/g, "").replace(/ color: [^\n]*$/, "");
    return `[${entry.type}] ${text.trim()}`;
}

export class PlayerError extends Error {
    constructor(message) {
        super(message);
        this.name = "PlayerError";
    }
}

// The player element's size for a stage of `width` × `height` pixels, which may be fractional. The
// player centres the stage in its element by the stage's size cut to whole pixels but draws it at
// its real size, so an element of the rounded size would show a stage 0.75 pixel wide past a
// whole number half a pixel to the right. With the cut size the stage is drawn unscaled from the
// element's corner, and the fraction past the last whole pixel is left out.
export function shownSize({ width, height }) {
    return { width: Math.floor(width), height: Math.floor(height) };
}

// In the page: creates the player element when there is none (or a fresh one when asked), loads
// the movie and waits until its first frame is painted. Resolves with the movie's metadata or
// with {panic} when the player shows its error screen.
async function pageLoad({ url, width, height, timeoutMs, fresh }) {
    const host = document.getElementById("host");
    let player = document.getElementById("player");
    if (player && fresh) {
        player.remove();
        player = null;
    }
    if (!player) {
        player = window.RufflePlayer.newest().createPlayer();
        player.id = "player";
        host.appendChild(player);
    }
    if (width > 0 && height > 0) {
        player.style.width = `${width}px`;
        player.style.height = `${height}px`;
    }
    const frame = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
    const panicShown = () => player.shadowRoot?.querySelector("#panic") != null;
    let metadataSeen = false;
    const metadata = new Promise((resolve) => {
        player.addEventListener("loadedmetadata", () => { metadataSeen = true; resolve(); }, { once: true });
    });
    const loading = player.ruffle().load({ url });
    const deadline = Date.now() + timeoutMs;
    // Wait for the metadata, watching for the error screen meanwhile.
    while (!metadataSeen) {
        if (panicShown()) return { panic: true };
        if (Date.now() > deadline) return { timeout: true };
        await Promise.race([metadata, new Promise((r) => setTimeout(r, 25))]);
    }
    const since = performance.now();
    await loading;
    // A stage of a fractional pixel size (a slide size in EMU that is no whole number of
    // points) is shown and photographed at whole pixels: see shownSize.
    const meta = { ...player.ruffle().metadata };
    meta.width = Math.floor(meta.width);
    meta.height = Math.floor(meta.height);
    if (meta.width !== width || meta.height !== height) {
        player.style.width = `${meta.width}px`;
        player.style.height = `${meta.height}px`;
    }
    // The metadata comes from the header; the player reads the first frame's tags and draws it
    // on its following ticks. Give it a movie frame's time and a few paints.
    const period = Math.min(1000, 1000 / (meta.frameRate > 0 ? meta.frameRate : 12));
    for (let paints = 0; paints < 4 || performance.now() - since < period; paints++) {
        if (panicShown()) return { panic: true };
        await frame();
    }
    if (panicShown()) return { panic: true };
    return {
        metadata: {
            width: meta.width,
            height: meta.height,
            frameRate: meta.frameRate,
            numFrames: meta.numFrames,
            swfVersion: meta.swfVersion,
            backgroundColor: meta.backgroundColor,
            isActionScript3: meta.isActionScript3,
        },
    };
}

function pagePanicText() {
    const root = document.getElementById("player")?.shadowRoot;
    const panic = root?.querySelector("#panic");
    return panic ? (panic.innerText || panic.textContent || "").trim().slice(0, 500) : null;
}

export class Player {
    #context = null;
    #page = null;
    #server = null;
    #userDir = null;
    #console = [];
    #mark = 0;
    #loads = 0;
    #broken = false;
    metadata = null;
    movie = null;

    // Starts the server and the browser and opens the test page.
    static async launch(options = {}) {
        const player = new Player();
        try {
            await player.#start(options);
        } catch (err) {
            await player.close();
            throw err;
        }
        return player;
    }

    async #start({ renderer = "canvas", config = {} }) {
        if (!existsSync(CHROMIUM)) throw new PlayerError(`${CHROMIUM} is missing; run scripts/setup.sh`);
        const playerConfig = { ...config };
        if (renderer) playerConfig.preferredRenderer = renderer;
        this.#server = await new StaticServer({ config: playerConfig }).start();
        this.#userDir = await mkdtemp(path.join(os.tmpdir(), "quillet-e2e-"));
        this.#context = await launchChromium(this.#userDir);
        this.#page = this.#context.pages()[0] ?? (await this.#context.newPage());
        this.#page.on("console", (msg) => this.#console.push({ type: msg.type(), text: msg.text() }));
        this.#page.on("pageerror", (err) => this.#console.push({ type: "pageerror", text: String(err) }));
        this.#page.on("crash", () => this.#console.push({ type: "pageerror", text: "page crashed" }));
        await this.#page.goto(this.#server.pageUrl, { waitUntil: "load" });
        const ready = await this.#page.evaluate(() => typeof window.RufflePlayer?.newest === "function");
        if (!ready) throw new PlayerError("the player script did not load in the test page");
        this.#failOnErrors("opening the test page");
    }

    get page() {
        return this.#page;
    }

    // Console lines since the current movie was loaded.
    get messages() {
        return this.#console.slice(this.#mark);
    }

    // Loads a movie file and waits for its first frame. Returns the player's metadata.
    async load(file, { timeoutMs = 20000 } = {}) {
        const abs = path.resolve(file);
        const bytes = await readFile(abs);
        const size = readStageSize(bytes);
        this.movie = abs;
        this.metadata = null;
        this.#mark = this.#console.length;
        this.#server.movieDir = path.dirname(abs);
        const url = `/movies/${encodeURIComponent(path.basename(abs))}?load=${++this.#loads}`;
        const { width, height } = size ? shownSize(size) : { width: 0, height: 0 };
        await this.#page.setViewportSize({ width: Math.max(width, 320), height: Math.max(height, 240) });
        const fresh = this.#broken;
        this.#broken = true; // until this load succeeds
        const result = await this.#page.evaluate(pageLoad, { url, width, height, timeoutMs, fresh });
        if (result.panic) {
            throw new PlayerError(`${path.basename(abs)}: the player shows its error screen: ` +
                `${await this.#panicText()}${this.#errorSummary()}`);
        }
        if (result.timeout) {
            throw new PlayerError(`${path.basename(abs)}: no first frame within ${timeoutMs} ms` +
                this.#errorSummary());
        }
        const meta = result.metadata;
        if (meta.width !== width || meta.height !== height) {
            await this.#page.setViewportSize({ width: Math.max(meta.width, 320), height: Math.max(meta.height, 240) });
            await this.#frames(2);
        }
        this.metadata = meta;
        // A movie loaded into a player that held another one gets keys only once the player is
        // focused anew; press() focuses it.
        await this.#page.evaluate(() => document.activeElement?.blur());
        await this.check(`loading ${path.basename(abs)}`);
        this.#broken = false;
        return meta;
    }

    // Fails when the error screen is up or the console has an error line since the load.
    async check(what = "playing") {
        const panic = await this.#panicText();
        if (panic !== null) {
            this.#broken = true;
            throw new PlayerError(`${this.#name()}: the player shows its error screen while ${what}: ${panic}` +
                this.#errorSummary());
        }
        this.#failOnErrors(what);
    }

    // Lets the movie run a few more frames, then checks it once more: the player reports some
    // faults (a truncated tag) only when it reaches them.
    async finish(what = "finishing") {
        this.#requireMovie();
        await this.waitFrames(2);
        await this.check(what);
    }

    #failOnErrors(what) {
        const summary = this.#errorSummary();
        if (summary) {
            this.#broken = true;
            throw new PlayerError(`${this.#name()}: console errors while ${what}:${summary}`);
        }
    }

    #errorSummary() {
        const errors = this.messages.filter(isErrorLine);
        return errors.length ? "\n" + errors.map((e) => `  ${readableLine(e)}`).join("\n") : "";
    }

    #name() {
        return this.movie ? path.basename(this.movie) : "player";
    }

    async #panicText() {
        try {
            return await this.#page.evaluate(pagePanicText);
        } catch (err) {
            return `page unavailable (${err.message})`;
        }
    }

    async #frames(n) {
        await this.#page.evaluate(async (count) => {
            for (let i = 0; i < count; i++) await new Promise((r) => requestAnimationFrame(() => r()));
        }, n);
    }

    #requireMovie() {
        if (!this.metadata) throw new PlayerError("no movie is loaded");
    }

    // The stage as a PNG and decoded, one pixel per stage pixel.
    async screenshot() {
        this.#requireMovie();
        const png = await this.#page.locator("#player").screenshot({ type: "png", scale: "css", animations: "allow" });
        const image = decodePng(png);
        if (image.width !== this.metadata.width || image.height !== this.metadata.height) {
            throw new PlayerError(`${this.#name()}: screenshot is ${image.width}x${image.height}, ` +
                `the stage ${this.metadata.width}x${this.metadata.height}`);
        }
        return { png, image };
    }

    // Samples stage points: [{x, y, rgb:[r,g,b], tolerance}]. Looks again until every point
    // matches or timeoutMs has passed (drawing lags input by a frame or two), then fails listing
    // every mismatch with the colour seen last.
    async sample(points, { timeoutMs = 1000 } = {}) {
        const deadline = performance.now() + timeoutMs;
        for (;;) {
            const { image } = await this.screenshot();
            const failures = [];
            const seen = [];
            for (const p of points) {
                const x = Math.floor(p.x);
                const y = Math.floor(p.y);
                if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
                    failures.push(`point (${p.x}, ${p.y}) is outside the ${image.width}x${image.height} stage`);
                    continue;
                }
                const actual = image.pixel(x, y).slice(0, 3);
                const tolerance = p.tolerance ?? 0;
                seen.push({ x: p.x, y: p.y, rgb: actual });
                if (actual.some((v, i) => Math.abs(v - p.rgb[i]) > tolerance)) {
                    failures.push(`at (${p.x}, ${p.y}) expected rgb(${p.rgb.join(", ")}) ±${tolerance}, ` +
                        `got rgb(${actual.join(", ")})`);
                }
            }
            if (failures.length === 0) return seen;
            if (performance.now() >= deadline || failures.some((f) => f.includes("outside"))) {
                throw new PlayerError(`${this.#name()}: colour check failed:\n  ${failures.join("\n  ")}`);
            }
            await this.#frames(1);
        }
    }

    async focus() {
        await this.#page.focus("#player");
    }

    // Presses a key (playwright key name, e.g. "ArrowRight") with the player focused, and gives
    // the movie a frame to react.
    async press(key) {
        this.#requireMovie();
        await this.focus();
        await this.#page.keyboard.press(key);
        await this.waitFrames(1);
    }

    // Clicks the centre of the stage.
    async click() {
        this.#requireMovie();
        const box = await this.#page.locator("#player").boundingBox();
        if (!box) throw new PlayerError("the player element is not visible");
        await this.#page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
        await this.waitFrames(1);
    }

    // Waits n movie frames at the movie's frame rate, then lets the page paint.
    async waitFrames(n) {
        this.#requireMovie();
        const rate = this.metadata.frameRate > 0 ? this.metadata.frameRate : 12;
        await new Promise((r) => setTimeout(r, Math.ceil((n * 1000) / rate)));
        await this.#frames(2);
    }

    // Runs manifest steps in order; screenshots go into outDir.
    async runSteps(steps, { outDir = null } = {}) {
        for (const [i, step] of steps.entries()) {
            const what = `step ${i + 1} ${JSON.stringify(step)}`;
            try {
                await this.#runStep(step, outDir);
            } catch (err) {
                if (err instanceof PlayerError) err.message = `${what}: ${err.message}`;
                throw err;
            }
            await this.check(what);
        }
    }

    async #runStep(step, outDir) {
        if (step === null || typeof step !== "object") throw new PlayerError(`a step must be an object, got ${JSON.stringify(step)}`);
        const kinds = ["sample", "press", "frames", "click", "screenshot"].filter((k) => k in step);
        if (kinds.length !== 1) throw new PlayerError(`a step must have exactly one action, got ${JSON.stringify(step)}`);
        switch (kinds[0]) {
            case "sample":
                if (!Array.isArray(step.sample) || step.sample.length === 0) throw new PlayerError("sample needs points");
                for (const p of step.sample) {
                    if (!Number.isFinite(p.x) || !Number.isFinite(p.y) || !Array.isArray(p.rgb) || p.rgb.length !== 3 ||
                        (p.tolerance !== undefined && !(p.tolerance >= 0))) {
                        throw new PlayerError(`bad sample point ${JSON.stringify(p)}`);
                    }
                }
                if (step.timeoutMs !== undefined && !(step.timeoutMs >= 0 && step.timeoutMs <= 60000)) {
                    throw new PlayerError(`bad sample timeoutMs ${step.timeoutMs}`);
                }
                await this.sample(step.sample, { timeoutMs: step.timeoutMs ?? 1000 });
                break;
            case "press":
                if (typeof step.press !== "string" || step.press === "") throw new PlayerError("press needs a key name");
                await this.press(step.press);
                break;
            case "frames":
                if (!Number.isInteger(step.frames) || step.frames < 0 || step.frames > 10000) {
                    throw new PlayerError(`bad frame count ${step.frames}`);
                }
                await this.waitFrames(step.frames);
                break;
            case "click":
                if (step.click !== true) throw new PlayerError("click must be true");
                await this.click();
                break;
            case "screenshot": {
                const name = step.screenshot;
                if (typeof name !== "string" || !/^[A-Za-z0-9_][A-Za-z0-9_.-]*\.png$/.test(name)) {
                    throw new PlayerError(`bad screenshot name ${JSON.stringify(name)}`);
                }
                if (!outDir) throw new PlayerError("no directory for screenshots");
                const { png } = await this.screenshot();
                await writeFile(path.join(outDir, name), png);
                break;
            }
        }
    }

    // Closes the browser and the server and removes the browser's profile; safe to call twice.
    async close() {
        const context = this.#context;
        this.#context = null;
        this.#page = null;
        try {
            if (context) await context.close();
        } finally {
            if (this.#server) await this.#server.stop();
            this.#server = null;
            if (this.#userDir) await rm(this.#userDir, { recursive: true, force: true });
            this.#userDir = null;
        }
    }
}
