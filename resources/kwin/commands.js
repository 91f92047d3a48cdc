// Asks Corvadine (at %SERVICE%) for the windows to act on and acts; the
// program unloads it once it has asked.
callDBus("%SERVICE%", "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", "Next", function (text) {
    const plasma6 = typeof workspace.windowList === "function";
    const all = plasma6 ? workspace.windowList() : workspace.clientList();
    for (const c of JSON.parse(text))
        for (const w of all) {
            if (String(w.internalId) != c.id) continue;
            if (c.act == "activate") {
                if (plasma6) workspace.activeWindow = w;
                else workspace.activeClient = w;
            } else if (c.act == "fullScreen") {
                w.fullScreen = c.on;
            } else if (c.act == "maximize") {
                // Plasma 6 tells the state now; our report may not have caught up.
                const on = typeof w.maximizeMode == "number" ? w.maximizeMode != 3 : c.on;
                w.setMaximize(on, on);
            }
        }
});
