// The viewer: the movie in the player, focused so that the arrow keys work at once; FullScreen
// (and the movie's own FSCommand "fullscreen") fill the screen.
"use strict";

let player = null;
const query = new URLSearchParams(location.search);

// The browser grants full screen only in answer to the user (a click, a key). The movie's own
// request fills the window at once and becomes full screen at the user's next key or click.
let fullScreenWanted = false;

async function fillScreen() {
    document.body.classList.add("filled");
    try {
        await player.requestFullscreen();
        fullScreenWanted = false;
    } catch {
        fullScreenWanted = true;
    }
    player.focus();
}

function answerUser() {
    if (fullScreenWanted && !document.fullscreenElement) fillScreen();
}

async function open() {
    const state = await Quillet.state();
    Quillet.follow();
    document.getElementById("feedback").addEventListener("click", () => Quillet.go("feedback", { from: "viewer" }));
    document.getElementById("close").addEventListener("click", () => {
        if (query.get("then") === "feedback") Quillet.go("feedback");
        else Quillet.close();
    });
    if (!state.movie) {
        document.title = "Shockwave Flash Viewer - ";
        Quillet.message("Can't find swf file");
        return;
    }
    document.title = `Shockwave Flash Viewer - ${state.movie}`;
    const save = document.getElementById("save");
    save.href = "movie.swf";
    save.download = state.movie.split("/").pop();
    save.hidden = false;

    player = window.RufflePlayer.newest().createPlayer();
    player.id = "player";
    player.tabIndex = 0;
    document.getElementById("stage").appendChild(player);
    player.ruffle().addFSCommandHandler((command) => {
        if (command === "fullscreen") fillScreen();
        return true;
    });
    document.getElementById("fullscreen").addEventListener("click", fillScreen);
    document.getElementById("open-folder").addEventListener("click", async () => {
        try {
            const answer = await Quillet.call("open-folder", {});
            if (!answer.opened) Quillet.message(answer.message);
        } catch (err) {
            Quillet.message(err.message);
        }
    });
    document.addEventListener("fullscreenchange", () => {
        if (!document.fullscreenElement) document.body.classList.remove("filled");
        player.focus();
    });
    document.addEventListener("keydown", answerUser, true);
    document.addEventListener("pointerdown", answerUser, true);
    await player.ruffle().load({ url: `movie.swf?t=${Date.now()}` });
    player.focus();
}

open().catch((err) => Quillet.message(err.message));
