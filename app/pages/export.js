// Plays a movie page written by `quillet convert --html`, from a web server or straight from the
// disk (file://). Browsers refuse to fetch files from the disk, so the player's WebAssembly comes
// as scripts that hold it in base64 (NAME.wasm.js beside the player's scripts), handed to the
// player as if fetched; the movie itself is inside the page.
"use strict";
(function () {
    const folder = document.currentScript.dataset.folder;
    const realFetch = window.fetch.bind(window);
    const loaded = {};

    function loadScript(src) {
        return new Promise((resolve, reject) => {
            const script = document.createElement("script");
            script.src = src;
            script.onload = resolve;
            script.onerror = () => reject(new Error(`cannot load ${src}`));
            document.head.appendChild(script);
        });
    }

    function bytesOf(text) {
        const binary = atob(text);
        const bytes = new Uint8Array(binary.length);
        for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
        return bytes;
    }

    window.QuilletWasm = window.QuilletWasm || {};
    window.fetch = async function (input, init) {
        const url = typeof input === "string" ? input : (input.url || String(input));
        const wasm = /([A-Za-z0-9_-]+\.wasm)(?:[?#].*)?$/.exec(url);
        if (!wasm) return realFetch(input, init);
        const name = wasm[1];
        if (!window.QuilletWasm[name]) {
            loaded[name] = loaded[name] || loadScript(`${folder}/${name}.js`);
            await loaded[name];
        }
        return new Response(bytesOf(window.QuilletWasm[name]), { headers: { "Content-Type": "application/wasm" } });
    };

    // The viewer's settings (player-config.js, loaded first), with the player's files here.
    window.RufflePlayer.config.publicPath = `${folder}/`;

    window.addEventListener("DOMContentLoaded", () => {
        const player = window.RufflePlayer.newest().createPlayer();
        player.id = "player";
        player.tabIndex = 0;
        document.getElementById("stage").appendChild(player);
        // The browser grants full screen only in answer to the user: the movie's own request
        // waits for the user's next key or click when it is refused.
        let wanted = false;
        const fullScreen = () => player.requestFullscreen().then(() => { wanted = false; }, () => { wanted = true; });
        const answer = () => { if (wanted && !document.fullscreenElement) fullScreen(); };
        document.addEventListener("keydown", answer, true);
        document.addEventListener("pointerdown", answer, true);
        player.ruffle().addFSCommandHandler((command) => {
            if (command === "fullscreen") fullScreen();
            return true;
        });
        const movie = document.getElementById("movie").textContent.trim();
        player.ruffle().load({ data: bytesOf(movie) }).then(() => player.focus());
    });
})();
