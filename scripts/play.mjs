// Plays a movie in the in-browser player: serves it with the player on 127.0.0.1 and prints the
// address to open in a browser. Usage: node scripts/play.mjs MOVIE.swf [--port N]
import { createServer } from "node:http";
import { readFile, stat } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..");
const playerDir = path.join(repo, "node_modules", "@ruffle-rs", "ruffle");
const args = process.argv.slice(2);
const movie = args.find((a) => !a.startsWith("--"));
const portIndex = args.indexOf("--port");
const port = portIndex >= 0 ? Number(args[portIndex + 1]) : 0;
if (!movie) {
    console.error("usage: node scripts/play.mjs MOVIE.swf [--port N]");
    process.exit(2);
}
try {
    await stat(movie);
    await stat(path.join(playerDir, "ruffle.js"));
} catch (e) {
    console.error(`cannot play: ${e.message} (is the movie there? has scripts/setup.sh run?)`);
    process.exit(1);
}

const escapeHtml = (text) => text.replace(/[&<>"]/g, (c) => `&#${c.charCodeAt(0)};`);
const page = `<!doctype html><html><head><meta charset="utf-8"><title>${escapeHtml(path.basename(movie))}</title>
<style>html,body{margin:0;height:100%;background:#222}#player{width:100vw;height:100vh}</style>
<script src="/player/ruffle.js"></script></head><body><div id="player"></div><script>
const player = window.RufflePlayer.newest().createPlayer();
player.style.width = "100%"; player.style.height = "100%";
document.getElementById("player").appendChild(player);
player.load({ url: "/movie.swf", autoplay: "on", letterbox: "on", allowScriptAccess: true });
</script></body></html>`;
const types = { ".js": "text/javascript", ".wasm": "application/wasm", ".map": "application/json" };

const server = createServer(async (req, res) => {
    const url = new URL(req.url, "http://127.0.0.1");
    try {
        if (url.pathname === "/") {
            res.writeHead(200, { "Content-Type": "text/html; charset=utf-8" });
            return res.end(page);
        }
        if (url.pathname === "/movie.swf") {
            res.writeHead(200, { "Content-Type": "application/x-shockwave-flash" });
            return res.end(await readFile(movie));
        }
        const name = url.pathname.replace(/^\/player\//, "");
        if (url.pathname.startsWith("/player/") && /^[A-Za-z0-9_][A-Za-z0-9_.-]*$/.test(name)) {
            const body = await readFile(path.join(playerDir, name));
            res.writeHead(200, { "Content-Type": types[path.extname(name)] ?? "application/octet-stream" });
            return res.end(body);
        }
    } catch {
        // fall through to "not found"
    }
    res.writeHead(404, { "Content-Type": "text/plain" });
    res.end("not found");
});
server.listen(port, "127.0.0.1", () => {
    console.log(`Playing ${movie}: open http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
});
