// The feedback page: the movie mailed with the desktop's mail program (or a ready .eml file
// written beside it), "View SWF" and "Close".
"use strict";

const query = new URLSearchParams(location.search);

function leave() {
    // Opened from the viewer, the page goes back to it; otherwise it is the last page.
    if (query.get("from") === "viewer") Quillet.go("viewer");
    else Quillet.close();
}

// The buttons answer from the first moment: a click before the state has arrived waits for it.
function open() {
    const state = Quillet.state();
    state.then(() => Quillet.follow()).catch((err) => Quillet.message(err.message));
    const status = document.getElementById("status");
    // A state that could not be had is reported once, above.
    document.getElementById("view").addEventListener("click", () =>
        state.then((known) => {
            if (!known.movie) Quillet.message("Can't find swf file");
            else Quillet.go("viewer");
        }, () => {}));
    document.getElementById("close").addEventListener("click", leave);
    document.getElementById("send").addEventListener("click", async () => {
        try {
            await state;
            const answer = await Quillet.call("mail", {});
            if (answer.sent) {
                leave();
            } else if (answer.eml) {
                status.textContent = `No mail program is set up. The message is ready in ${answer.eml}; ` +
                    "send it with any mail program.";
            } else {
                status.textContent = answer.message;
            }
        } catch (err) {
            Quillet.message(err.message);
        }
    });
}

open();
