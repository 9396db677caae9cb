// The pages of `quillet ui`, `quillet view` and `quillet feedback` driven in headless Chromium like
// a user: the options load and save, a conversion moves both bars and the status line, the viewer
// plays the movie (pixels) with the arrow keys and full screen, Open Folder opens its folder, a
// failed conversion keeps "Start Convert" off, the feedback mail reaches a
// stand-in mail program or becomes a .eml file. Then the server's refusals (token, origin, host,
// traversal, symbolic links, oversized uploads, other addresses) and the page that
// `quillet convert --html` writes, from a plain static server and from file://.
//
// Environment: QUILLET_BIN = the quillet program. QUILLET_UPDATE_SCREENSHOTS=1 writes the pages'
// pictures to docs/pages/ (shown in the README).
import { test } from "node:test";
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { cp, chmod, mkdir, mkdtemp, readFile, rm, symlink, writeFile } from "node:fs/promises";
import { existsSync } from "node:fs";
import http from "node:http";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";
import { launchChromium } from "./player.mjs";
import { decodePng } from "./png.mjs";
import { quillet, run } from "./decks.mjs";
import { playerDir, repoRoot } from "./server.mjs";

const RED = [0xc8, 0x32, 0x32];
const GREEN = [0x32, 0xa0, 0x50];
// A fresh browser compiles the player's WebAssembly before the first frame: many seconds on a
// busy machine.
const PLAYER_START_MS = 90000;
const shotsDir = process.env.QUILLET_UPDATE_SCREENSHOTS === "1" ? path.join(repoRoot, "docs", "pages") : null;

// A folder for one test: the colour deck, a configuration home and an empty bin/ for stand-ins.
async function workspace() {
    const dir = await mkdtemp(path.join(os.tmpdir(), "quillet-pages-"));
    const deck = path.join(dir, "colours.pptx");
    await run("python3", [path.join(repoRoot, "tests", "decks", "make_colour_deck.py"), deck]);
    await mkdir(path.join(dir, "bin"));
    const env = { ...process.env, XDG_CONFIG_HOME: path.join(dir, "config"), TMPDIR: dir };
    return { dir, deck, env, settings: path.join(dir, "config", "quillet", "settings") };
}

// Starts `quillet <args> --no-browser` and reads the page's address it prints.
async function serve(args, env) {
    const child = spawn(quillet(), [...args, "--no-browser"], { env, stdio: ["ignore", "pipe", "pipe"] });
    let output = "";
    const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
    const address = await new Promise((resolve, reject) => {
        child.stdout.on("data", (chunk) => {
            output += chunk;
            const found = /(http:\/\/127\.0\.0\.1:(\d+)\/([0-9a-f]{32})\/\w+)/.exec(output);
            if (found) resolve(found);
        });
        child.stderr.on("data", (chunk) => { output += chunk; });
        exited.then(({ code }) => reject(new Error(`quillet ${args[0]} exited ${code}: ${output}`)));
    });
    const [url, , port, token] = address;
    return {
        url,
        port: Number(port),
        token,
        base: `http://127.0.0.1:${port}/${token}`,
        exited,
        async stop() {
            if (child.exitCode === null && child.signalCode === null) child.kill("SIGTERM");
            return exited;
        },
    };
}

// Waits until check() holds (polling), failing after timeoutMs with what (a text, or a function
// that says what was seen last).
async function until(check, what, timeoutMs = 15000) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const value = await check();
        if (value) return value;
        if (Date.now() > deadline) assert.fail(`timed out waiting for ${typeof what === "function" ? what() : what}`);
        await new Promise((r) => setTimeout(r, 100));
    }
}

// A page's title is set by its script once the page has asked for its state.
async function expectTitle(page, expected) {
    let title = "";
    await until(async () => (title = await page.title()) === expected, () => `the title "${expected}" (it is "${title}")`);
}

async function withBrowser(body) {
    const userDir = await mkdtemp(path.join(os.tmpdir(), "quillet-pages-browser-"));
    const context = await launchChromium(userDir);
    try {
        const page = context.pages()[0] ?? (await context.newPage());
        const errors = [];
        page.on("pageerror", (err) => errors.push(String(err)));
        await body(page, context, errors);
    } finally {
        await context.close();
        await rm(userDir, { recursive: true, force: true });
    }
}

async function screenshot(page, name) {
    if (!shotsDir) return;
    await mkdir(shotsDir, { recursive: true });
    await page.screenshot({ path: path.join(shotsDir, name) });
}

// The colour in the middle of the page (where the player is).
async function middleColour(page) {
    const image = decodePng(await page.screenshot({ type: "png", scale: "css", timeout: 15000 }));
    return image.pixel(Math.floor(image.width / 2), Math.floor(image.height / 2)).slice(0, 3);
}

function near(rgb, expected, tolerance = 12) {
    return rgb.every((v, i) => Math.abs(v - expected[i]) <= tolerance);
}

async function waitForColour(page, expected, what) {
    let seen = null;
    await until(async () => {
        seen = await middleColour(page);
        return near(seen, expected);
    }, () => `${what} (last seen rgb(${seen}))`, PLAYER_START_MS);
}

const isFullScreen = (page) => page.evaluate(() => document.fullscreenElement?.id === "player");

// An HTTP request with full control over the headers (browsers set Host and Origin themselves);
// with `partial` the body is sent without ending the request.
function request(port, { method = "GET", path: target, headers = {}, body = "", partial = false }) {
    return new Promise((resolve, reject) => {
        const req = http.request({ host: "127.0.0.1", port, method, path: target, headers: { Host: `127.0.0.1:${port}`, ...headers } }, (res) => {
            let text = "";
            res.on("data", (c) => { text += c; });
            res.on("end", () => resolve({ status: res.statusCode, text }));
        });
        req.on("error", reject);
        if (partial) req.write(body);
        else req.end(body);
    });
}

test("convert page: with no stored options it shows Ansi, both boxes and 2.00; closing it saves the typed delay", async () => {
    const w = await workspace();
    const server = await serve(["ui"], w.env);
    try {
        await withBrowser(async (page, context, errors) => {
            await page.goto(server.url);
            await until(() => page.inputValue("#slideShowDelay"), "the options to load");
            await expectTitle(page, "Convert - Quillet v2.004");
            assert.equal(await page.isChecked("#ansi"), true);
            assert.equal(await page.isChecked("#default"), false);
            assert.equal(await page.isChecked("#showFeedback"), true);
            assert.equal(await page.isChecked("#showToolbar"), true);
            assert.equal(await page.inputValue("#slideShowDelay"), "2.00");
            assert.equal(await page.inputValue("#shapeAutoDelay"), "2.00");
            assert.equal(await page.textContent("#status"), "Press button to start converting...");
            // Each control's text with its access key.
            const labels = await page.evaluate(() => ["showFeedback", "showToolbar", "ansi", "default", "slideShowDelay", "shapeAutoDelay"]
                .map((id) => {
                    const input = document.getElementById(id);
                    const label = input.closest("label") ?? document.querySelector(`label[for=${id}]`);
                    return [label.textContent.trim(), input.accessKey, label.querySelector("u").textContent];
                }));
            assert.deepEqual(labels, [
                ["Show FeedBack", "b", "B"], ["Embed Progress", "p", "P"], ["Ansi", "a", "A"], ["Default", "f", "f"],
                ["SlideShow Delay:", "d", "D"], ["Shape Delay:", "l", "l"],
            ]);
            assert.equal(await page.textContent("#sound"), "background Sound");
            assert.equal(await page.textContent("#start"), "Start Convert");
            await screenshot(page, "convert.png");

            await page.fill("#slideShowDelay", "3.5");
            await page.close({ runBeforeUnload: true });
            await until(async () => existsSync(w.settings) && /SlideShow Delay=3\.5/.test(await readFile(w.settings, "utf8")),
                "the options to be saved on closing");
            const saved = await readFile(w.settings, "utf8");
            assert.match(saved, /^SlideShow Delay=3\.500000$/m);
            assert.match(saved, /^convert together=0$/m);
            assert.match(saved, /^Shape Auto Delay=2\.000000$/m);
            assert.deepEqual(errors, []);
        });
        // With its last page closed, the program ends by itself.
        assert.deepEqual(await server.exited, { code: 0, signal: null });
    } finally {
        await server.stop();
        await rm(w.dir, { recursive: true, force: true });
    }
});

test("a conversion from the page moves both bars and the status line; the viewer plays it, full screen, then feedback mails it", async () => {
    const w = await workspace();
    // Stand-ins for the mail program and the folder opener that note what they were asked.
    const mailLog = path.join(w.dir, "mail.args");
    const openLog = path.join(w.dir, "open.args");
    for (const [tool, log] of [["xdg-email", mailLog], ["xdg-open", openLog]]) {
        await writeFile(path.join(w.dir, "bin", tool), `#!/bin/sh\nprintf '%s\\n' "$@" > '${log}'\n`);
        await chmod(path.join(w.dir, "bin", tool), 0o755);
    }
    const env = { ...w.env, PATH: `${path.join(w.dir, "bin")}:${process.env.PATH}` };
    await run(quillet(), ["settings", "set", "feedbackAddress", "feedback@example.org"], { env });
    const server = await serve(["ui", w.deck], env);
    const movie = w.deck.replace(/\.pptx$/, ".swf");
    try {
        await withBrowser(async (page, context, errors) => {
            // Everything the bars and the status line show, across the page's life.
            const seen = { overall: [], phase: [], status: [] };
            await context.exposeBinding("noteProgress", (_, kind, value) => seen[kind].push(value));
            await context.addInitScript(() => {
                if (!location.pathname.endsWith("/convert")) return;
                window.addEventListener("DOMContentLoaded", () => {
                    const note = (id, kind, value) => new MutationObserver(() => window.noteProgress(kind, value()))
                        .observe(document.getElementById(id), { attributes: true, childList: true, characterData: true, subtree: true });
                    note("overall", "overall", () => document.getElementById("overall").value);
                    note("phase", "phase", () => document.getElementById("phase").value);
                    note("status", "status", () => document.getElementById("status").textContent);
                });
            });
            await page.goto(server.url);
            await until(() => page.inputValue("#slideShowDelay"), "the options to load");
            assert.match(await page.textContent("#deck-chosen"), /colours\.pptx/);
            await page.fill("#slideShowDelay", "20");
            // By the keyboard: a mouse left over the player would open its notice about software
            // rendering over the movie.
            await page.focus("#start");
            await page.keyboard.press("Enter");
            await page.waitForURL(/\/viewer/, { timeout: 60000 });

            const distinct = (values) => new Set(values).size;
            assert.ok(distinct(seen.overall) >= 5, `overall bar: ${seen.overall}`);
            assert.ok(distinct(seen.phase) >= 5, `phase bar: ${seen.phase}`);
            assert.ok(seen.overall.every((v, i) => i === 0 || v >= seen.overall[i - 1]), `overall bar goes back: ${seen.overall}`);
            assert.equal(seen.overall.at(-1), 100);
            assert.ok(seen.status.includes("Catch Slide"), seen.status.join(" | "));
            assert.ok(seen.status.some((s) => /^Build elements - .+/.test(s)), seen.status.join(" | "));
            assert.equal(seen.status.at(-1), "Waiting swf show...");
            assert.ok(existsSync(movie), "the movie is written beside the deck");

            // The viewer plays the movie. Its own FSCommand fills the window at once (the browser
            // allows full screen only in answer to the user) and the screen at the first key; the
            // player has the focus, so that key moves on without a click.
            await expectTitle(page, `Shockwave Flash Viewer - ${movie}`);
            await until(() => page.evaluate(() => document.body.classList.contains("filled")), "the movie's FSCommand to fill the window", PLAYER_START_MS);
            const box = await page.locator("#player").boundingBox();
            assert.deepEqual([box.x, box.y, box.width, box.height], [0, 0, 800, 600]);
            await waitForColour(page, RED, "slide 1 in the viewer");
            await page.keyboard.press("ArrowRight");
            await waitForColour(page, GREEN, "slide 2 after the right arrow");
            await until(() => isFullScreen(page), "full screen after the key");

            await page.evaluate(() => document.exitFullscreen());
            await until(async () => !(await isFullScreen(page)), "leaving full screen");
            await screenshot(page, "viewer.png");
            await page.click("#fullscreen");
            await until(() => isFullScreen(page), "FullScreen to go full screen");
            await page.evaluate(() => document.exitFullscreen());
            await page.click("#open-folder");
            await until(() => existsSync(openLog), "Open Folder to run the folder opener");
            assert.equal((await readFile(openLog, "utf8")).trim(), w.dir);

            // With "Show FeedBack" checked, the feedback page follows the viewer.
            await page.click("#close");
            await page.waitForURL(/\/feedback/);
            await expectTitle(page, "Feedback - Quillet v2.004");
            assert.match(await page.textContent(".feedback-text"), /Do you find satisfaction in the transform\?/);
            await screenshot(page, "feedback.png");
            await page.click("#send");
            await until(() => existsSync(mailLog), "the stand-in mail program to run");
            const args = (await readFile(mailLog, "utf8")).trim().split("\n");
            assert.deepEqual(args, ["--subject", "Quillet's Feedback", "--attach", movie, "feedback@example.org"]);
            assert.deepEqual(errors, []);
        });
        assert.deepEqual(await server.exited, { code: 0, signal: null });
        assert.match(await readFile(w.settings, "utf8"), /^SlideShow Delay=20\.000000$/m);
    } finally {
        await server.stop();
        await rm(w.dir, { recursive: true, force: true });
    }
});

test("a failed conversion keeps Start Convert off; View SWF without a movie says so; without a mail program the mail is a .eml", async () => {
    const w = await workspace();
    // No xdg-email anywhere on the PATH.
    const env = { ...w.env, PATH: path.join(w.dir, "bin") };
    await run(quillet(), ["convert", "--quiet", w.deck], { env: w.env });
    const movie = w.deck.replace(/\.pptx$/, ".swf");
    const broken = path.join(w.dir, "broken.pptx");
    await writeFile(broken, "not a presentation");
    const failing = await serve(["ui", broken], env);
    const noMovie = await serve(["feedback"], env);
    const withMovie = await serve(["feedback", w.deck], env);
    try {
        await withBrowser(async (page, context, errors) => {
            await page.goto(failing.url);
            await until(() => page.inputValue("#slideShowDelay"), "the options to load");
            await page.click("#start");
            await page.waitForSelector("#status.failed");
            assert.match(await page.textContent("#status"), /the file is not a ZIP archive/);
            assert.equal(await page.isDisabled("#start"), true);
            assert.equal(existsSync(broken.replace(/\.pptx$/, ".swf")), false);

            await page.goto(noMovie.url);
            await page.click("#view");
            await page.waitForSelector("#message-box[open]");
            assert.equal(await page.textContent("#message-box .text"), "Can't find swf file");
            assert.equal(await page.textContent("#message-box .caption"), "Quillet");

            await page.goto(withMovie.url);
            await page.click("#send");
            await until(async () => /\.eml/.test(await page.textContent("#status")), "the .eml path to be shown");
            const eml = movie.replace(/\.swf$/, ".feedback.eml");
            assert.match(await page.textContent("#status"), new RegExp(eml.replace(/[.*+?^${}()|[\]\\]/g, "\\$&")));
            const message = await readFile(eml, "latin1");
            assert.match(message, /^Subject: Quillet's Feedback\r$/m);
            const attached = /Content-Transfer-Encoding: base64\r\n\r\n([A-Za-z0-9+/=\r\n]+?)\r\n--/.exec(message);
            assert.ok(attached, "the movie is attached");
            assert.deepEqual(Buffer.from(attached[1].replace(/\r\n/g, ""), "base64"), await readFile(movie));
            assert.deepEqual(errors, []);
        });
    } finally {
        await failing.stop();
        await noMovie.stop();
        await withMovie.stop();
        await rm(w.dir, { recursive: true, force: true });
    }
});

test("the server refuses what its pages would not ask and answers on loopback alone", async () => {
    const w = await workspace();
    await run(quillet(), ["convert", "--quiet", w.deck], { env: w.env });
    // A player folder of our own with a symbolic link that leads out of it.
    const player = path.join(w.dir, "player");
    await mkdir(player);
    await cp(path.join(playerDir, "ruffle.js"), path.join(player, "ruffle.js"));
    await writeFile(path.join(w.dir, "secret.js"), "secret");
    await symlink(path.join(w.dir, "secret.js"), path.join(player, "leak.js"));
    const server = await serve(["view", w.deck.replace(/\.pptx$/, ".swf")], { ...w.env, QUILLET_PLAYER_DIR: player });
    const { port, token } = server;
    try {
        const json = { "Content-Type": "application/json" };
        const settingsBody = JSON.stringify({ charsetIsAnsi: false, showFeedback: false, showToolbar: false, slideShowDelay: "9", shapeAutoDelay: "9" });
        const cases = [
            ["the page's own request", { path: `/${token}/state` }, 200],
            ["the player's script", { path: `/${token}/player/ruffle.js` }, 200],
            ["the current movie", { path: `/${token}/movie.swf` }, 200],
            ["no token", { path: "/state" }, 403],
            ["a wrong token", { path: `/${"0".repeat(32)}/state` }, 403],
            ["the token as a prefix of a longer segment", { path: `/${token}x/state` }, 403],
            ["another host name (rebinding)", { path: `/${token}/state`, headers: { Host: `attacker.example:${port}` } }, 403],
            ["a foreign origin changing a setting", { method: "POST", path: `/${token}/settings`, headers: { ...json, Origin: "http://attacker.example" }, body: settingsBody }, 403],
            ["a foreign origin starting a conversion", { method: "POST", path: `/${token}/convert`, headers: { ...json, Origin: "http://attacker.example" }, body: settingsBody }, 403],
            ["a cross-site fetch", { path: `/${token}/movie.swf`, headers: { "Sec-Fetch-Site": "cross-site" } }, 403],
            ["a traversal out of the player", { path: `/${token}/player/..%2F..%2F..%2Fetc%2Fpasswd` }, 404],
            ["a traversal out of the pages", { path: `/${token}/assets/%2e%2e` }, 404],
            ["a hidden file", { path: `/${token}/assets/.htaccess` }, 404],
            ["a symbolic link out of the player", { path: `/${token}/player/leak.js` }, 404],
            ["a file path as a movie", { path: `/${token}/movie.swf/../../etc/passwd` }, 404],
            ["an upload of the wrong type", { method: "POST", path: `/${token}/upload/deck?name=notes.txt`, body: "x" }, 415],
            ["a deck path that is no presentation", { method: "POST", path: `/${token}/deck`, headers: json, body: JSON.stringify({ path: "/etc/passwd" }) }, 415],
        ];
        for (const [what, options, status] of cases) {
            const { status: got, text } = await request(port, options);
            assert.equal(got, status, `${what}: ${text}`);
        }
        assert.equal(existsSync(w.settings), false, "no refused request saved a setting");

        // An upload over the limit is refused from its announced size, with a message.
        const big = await request(port, { method: "POST", path: `/${token}/upload/deck?name=big.pptx`,
            headers: { "Content-Length": String(300 << 20) }, body: "PK", partial: true });
        assert.equal(big.status, 413);
        assert.match(JSON.parse(big.text).message, /too large to upload: the limit is 256 MiB/);

        // Nothing answers on any address but 127.0.0.1.
        const others = ["127.0.0.2", "::1", ...Object.values(os.networkInterfaces()).flat()
            .filter((i) => !i.internal).map((i) => i.address)];
        for (const host of others) {
            const reached = await new Promise((resolve) => {
                const socket = net.connect({ host, port, timeout: 2000 });
                socket.on("connect", () => { socket.destroy(); resolve(true); });
                socket.on("error", () => resolve(false));
                socket.on("timeout", () => { socket.destroy(); resolve(false); });
            });
            assert.equal(reached, false, `the server answers on ${host}`);
        }
    } finally {
        await server.stop();
        await rm(w.dir, { recursive: true, force: true });
    }
});

test("convert --html writes a page that plays the movie from a static server and from file://", async () => {
    const w = await workspace();
    const { stdout } = await run(quillet(), ["convert", "--quiet", "--html", "--slide-delay", "20", w.deck], { env: w.env });
    const html = w.deck.replace(/\.pptx$/, ".html");
    assert.match(stdout, /\(page: .*colours\.html\)/);
    // A plain static server knows nothing of the player.
    const port = await new Promise((resolve) => {
        const probe = net.createServer().listen(0, "127.0.0.1", () => {
            const { port: free } = probe.address();
            probe.close(() => resolve(free));
        });
    });
    const staticServer = spawn("python3", ["-m", "http.server", "--bind", "127.0.0.1", String(port)], { cwd: w.dir, stdio: "ignore" });
    try {
        await until(() => new Promise((resolve) => {
            const socket = net.connect({ host: "127.0.0.1", port }, () => { socket.destroy(); resolve(true); });
            socket.on("error", () => resolve(false));
        }), "the static server to listen");
        await withBrowser(async (page, context, errors) => {
            for (const url of [`http://127.0.0.1:${port}/colours.html`, pathToFileURL(html).href]) {
                await page.goto(url);
                await waitForColour(page, RED, `slide 1 from ${url}`);
            }
            assert.deepEqual(errors, []);
        });
    } finally {
        staticServer.kill();
        await rm(w.dir, { recursive: true, force: true });
    }
});
