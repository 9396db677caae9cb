// A static HTTP server on loopback for the end-to-end tests: the player's files, the test page
// and the movies of one directory (which can change between movies).
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { existsSync } from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, "../..");
export const playerDir = path.join(repoRoot, "node_modules", "@ruffle-rs", "ruffle");

const TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".map": "application/json",
    ".wasm": "application/wasm",
    ".swf": "application/x-shockwave-flash",
    ".json": "application/json",
};

// Only plain file names: no separators, no leading dot, so nothing outside a directory is served.
const PLAIN_NAME = /^[A-Za-z0-9_][A-Za-z0-9_.-]*$/;

// The test page: the player's settings for headless runs and a container for the player element.
function testPage(config) {
    return `<!doctype html>
<html><head><meta charset="utf-8"><link rel="icon" href="data:,"><title>e2e player</title>
<style>html,body{margin:0;padding:0;background:#808080;overflow:hidden}
#host{position:absolute;left:0;top:0;line-height:0}
#player{display:block;width:100px;height:100px}</style>
<script>window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = ${JSON.stringify(config)};</script>
<script src="/player/ruffle.js"></script>
</head><body><div id="host"></div></body></html>
`;
}

export const PLAYER_CONFIG = {
    publicPath: "/player/",
    autoplay: "on",
    unmuteOverlay: "hidden",
    splashScreen: false,
    contextMenu: "off",
    polyfills: false,
    warnOnUnsupportedContent: false,
    letterbox: "on",
    allowScriptAccess: true,
    logLevel: "warn",
};

export class StaticServer {
    #server = null;
    #movieDir = null;
    #config;
    port = 0;

    constructor({ movieDir = null, config = {} } = {}) {
        this.#movieDir = movieDir;
        this.#config = { ...PLAYER_CONFIG, ...config };
    }

    get origin() {
        return `http://127.0.0.1:${this.port}`;
    }

    get pageUrl() {
        return `${this.origin}/index.html`;
    }

    set movieDir(dir) {
        this.#movieDir = dir;
    }

    get movieDir() {
        return this.#movieDir;
    }

    async start() {
        if (!existsSync(path.join(playerDir, "ruffle.js"))) {
            throw new Error(`the player is not installed (${playerDir}); run scripts/setup.sh`);
        }
        this.#server = createServer((req, res) => {
            this.#handle(req, res).catch((err) => {
                if (!res.headersSent) res.writeHead(500, { "Content-Type": "text/plain" });
                res.end(String(err));
            });
        });
        await new Promise((resolve, reject) => {
            this.#server.once("error", reject);
            this.#server.listen(0, "127.0.0.1", () => {
                this.#server.off("error", reject);
                resolve();
            });
        });
        this.port = this.#server.address().port;
        return this;
    }

    async stop() {
        if (!this.#server) return;
        const server = this.#server;
        this.#server = null;
        server.closeAllConnections?.();
        await new Promise((resolve) => server.close(() => resolve()));
    }

    async #handle(req, res) {
        const url = new URL(req.url, this.origin);
        const parts = url.pathname.split("/").filter((p) => p !== "");
        if (req.method !== "GET" && req.method !== "HEAD") return this.#send(res, 405, "text/plain", "method not allowed");
        if (parts.length === 0 || (parts.length === 1 && parts[0] === "index.html")) {
            return this.#send(res, 200, TYPES[".html"], testPage(this.#config), req.method);
        }
        let dir = null;
        if (parts.length === 2 && parts[0] === "player") dir = playerDir;
        if (parts.length === 2 && parts[0] === "movies") dir = this.#movieDir;
        const name = parts.length === 2 ? decodeURIComponent(parts[1]) : "";
        if (!dir || !PLAIN_NAME.test(name)) return this.#send(res, 404, "text/plain", "not found");
        let body;
        try {
            body = await readFile(path.join(dir, name));
        } catch {
            return this.#send(res, 404, "text/plain", "not found");
        }
        const type = TYPES[path.extname(name).toLowerCase()] ?? "application/octet-stream";
        return this.#send(res, 200, type, body, req.method);
    }

    #send(res, status, type, body, method = "GET") {
        const bytes = typeof body === "string" ? Buffer.from(body) : body;
        res.writeHead(status, {
            "Content-Type": type,
            "Content-Length": bytes.length,
            "Cache-Control": "no-store",
        });
        res.end(method === "HEAD" ? undefined : bytes);
    }
}
