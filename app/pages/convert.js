// The convert page: the options as saved, the deck and the sound, "Start Convert", and the two
// bars and the status line that follow the conversion's reports.
"use strict";

const $ = (id) => document.getElementById(id);
const controls = ["showFeedback", "showToolbar", "ansi", "default", "slideShowDelay", "shapeAutoDelay",
    "sound", "deck-path", "deck-use", "deck-upload"];
let converting = false;
let closing = false;

function options() {
    return {
        charsetIsAnsi: $("ansi").checked,
        showFeedback: $("showFeedback").checked,
        showToolbar: $("showToolbar").checked,
        slideShowDelay: $("slideShowDelay").value,
        shapeAutoDelay: $("shapeAutoDelay").value,
    };
}

function show(state) {
    $("deck-chosen").textContent = state.deck ? `Presentation: ${state.deck}` : "No presentation chosen yet.";
    if (state.deck && !$("deck-path").value) $("deck-path").value = state.deck;
    $("sound-chosen").textContent = state.sound ? state.sound : "";
}

function setStatus(text, failed = false) {
    $("status").textContent = text;
    $("status").classList.toggle("failed", failed);
}

// The bars move in steps of at most 5 with short pauses, as an animation that follows the
// reports in order; the conversion itself never waits for it.
const moves = [];
let moving = false;

function queue(move) {
    moves.push(move);
    if (!moving) playMoves();
}

async function playMoves() {
    moving = true;
    while (moves.length) {
        const move = moves.shift();
        move.run();
        if (move.pause) await new Promise((resolve) => setTimeout(resolve, move.pause));
    }
    moving = false;
}

function advance(bar, n, pause) {
    const step = (by) => ({ run: () => { bar.value = Math.min(100, bar.value + by); } });
    if (n > 5) {
        const k = Math.floor((n - 6) / 5) + 1;
        for (let i = 0; i < k; i++) queue({ ...step(5), pause });
        queue(step(n - 5 * k));
    } else if (n !== 0) {
        queue(step(n));
    }
}

let phaseTitle = "";

function report({ text, phaseStep, overallStep }) {
    if (phaseStep === 0) {
        queue({ run: () => { $("phase").value = 0; phaseTitle = text; setStatus(text); } });
        advance($("overall"), overallStep, 10);
        return;
    }
    queue({ run: () => setStatus(text ? `${phaseTitle} - ${text}` : phaseTitle) });
    advance($("phase"), phaseStep, 1);
}

function setEnabled(enabled) {
    for (const id of controls) $(id).disabled = !enabled;
}

async function saveOptions() {
    await Quillet.call("settings", options());
}

async function start() {
    $("start").disabled = true;
    setEnabled(false);
    converting = true;
    try {
        const answer = await Quillet.call("convert", options());
        if (answer.warning) queue({ run: () => setStatus(answer.warning) });
    } catch (err) {
        converting = false;
        setEnabled(true);
        setStatus(err.message, true);
        // Only a missing deck can be mended on this page; every other refusal keeps the button off.
        $("start").disabled = !/Choose a presentation/.test(err.message);
    }
}

async function chooseDeckPath() {
    try {
        show(await Quillet.call("deck", { path: $("deck-path").value.trim() }));
    } catch (err) {
        Quillet.message(err.message);
    }
}

async function upload(kind, file) {
    const state = await Quillet.state();
    if (file.size > state.uploadLimit) {
        Quillet.message(`The file is too large to upload: the limit is ${state.uploadLimit / 1048576} MiB. ` +
            "Give its path on this machine instead.");
        return;
    }
    try {
        const response = await fetch(`upload/${kind}?name=${encodeURIComponent(file.name)}`, {
            method: "POST",
            headers: { "Content-Type": "application/octet-stream" },
            body: file,
        });
        const answer = await response.json();
        if (!response.ok) throw new Error(answer.message);
        show(answer);
        if (kind === "deck") $("deck-path").value = answer.deck;
    } catch (err) {
        Quillet.message(err.message);
    }
}

async function open() {
    const state = await Quillet.state();
    const o = state.options;
    $(o.charsetIsAnsi ? "ansi" : "default").checked = true;
    $("showFeedback").checked = o.showFeedback;
    $("showToolbar").checked = o.showToolbar;
    $("slideShowDelay").value = o.slideShowDelay;
    $("shapeAutoDelay").value = o.shapeAutoDelay;
    show(state);
    setStatus("Press button to start converting...");
    if (state.conversion !== "idle") {
        $("start").disabled = true;
        if (state.conversion === "failed") setStatus(state.message, true);
    }

    Quillet.follow({
        progress: report,
        done: ({ showFeedback }) => queue({
            run: () => {
                converting = false;
                Quillet.go("viewer", showFeedback ? { then: "feedback" } : {});
            },
        }),
        failed: ({ message }) => queue({
            run: () => {
                converting = false;
                setStatus(message, true);
                setEnabled(true);
                $("start").disabled = true;
            },
        }),
    });

    $("start").addEventListener("click", start);
    $("deck-use").addEventListener("click", chooseDeckPath);
    $("deck-path").addEventListener("keydown", (e) => { if (e.key === "Enter") chooseDeckPath(); });
    $("deck-upload").addEventListener("change", (e) => e.target.files[0] && upload("deck", e.target.files[0]));
    $("sound").addEventListener("click", () => $("sound-upload").click());
    $("sound-upload").addEventListener("change", (e) => e.target.files[0] && upload("sound", e.target.files[0]));
    $("cancel").addEventListener("click", async () => {
        closing = true;
        await saveOptions().catch(() => {});
        await Quillet.close();
    });
    // Closing the page saves the options as Cancel does (not while a conversion runs: they were
    // saved when it started).
    window.addEventListener("pagehide", () => {
        if (closing || converting) return;
        fetch("settings", {
            method: "POST",
            keepalive: true,
            headers: { "Content-Type": "application/json" },
            body: JSON.stringify(options()),
        });
    });
}

open().catch((err) => setStatus(err.message, true));
