// The in-browser player's settings, read when its script loads: files from this program (the
// exported page moves them), the movie starting at once with sound, and the movie's FSCommand
// calls handed to the page.
"use strict";
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
    publicPath: "player/",
    autoplay: "on",
    unmuteOverlay: "hidden",
    splashScreen: false,
    polyfills: false,
    warnOnUnsupportedContent: false,
    letterbox: "on",
    allowScriptAccess: true,
    logLevel: "warn",
};
