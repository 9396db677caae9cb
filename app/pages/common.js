// Shared by the three pages: calls to the program that serves them, the event stream that follows
// the conversion (and tells the program that a page is still open), and the message box.
"use strict";

const Quillet = {
    async call(path, body) {
        const init = body === undefined
            ? { method: "GET" }
            : { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) };
        const response = await fetch(path, init);
        let answer = {};
        try {
            answer = await response.json();
        } catch {
            answer = { message: `${response.status} ${response.statusText}` };
        }
        if (!response.ok) throw new Error(answer.message || `${response.status} ${response.statusText}`);
        return answer;
    },

    state() {
        return Quillet.call("state");
    },

    // Opens the stream of the conversion's events; handlers by event name.
    follow(handlers = {}) {
        const source = new EventSource("events");
        for (const [name, handler] of Object.entries(handlers)) {
            source.addEventListener(name, (event) => handler(JSON.parse(event.data)));
        }
        return source;
    },

    // A message box with the caption "Quillet" and an OK button.
    message(text) {
        const box = document.getElementById("message-box");
        box.querySelector(".text").textContent = text;
        if (!box.open) box.showModal();
        box.querySelector("button").focus();
    },

    // Tells the program that the user is done, and leaves the page blank.
    async close() {
        try {
            await Quillet.call("close", {});
        } catch {
            // The program may already be gone.
        }
        document.body.innerHTML = '<p class="closed">Quillet has closed this page; you can close the tab.</p>';
        window.close();
    },

    go(page, query = {}) {
        const search = new URLSearchParams(query).toString();
        location.assign(search ? `${page}?${search}` : page);
    },
};

document.addEventListener("DOMContentLoaded", () => {
    const box = document.getElementById("message-box");
    box?.querySelector("button").addEventListener("click", () => box.close());
});
