// Asks Corvadine (at %SERVICE%) for the windows to act on, acts, and says it
// has: the program unloads it then.
const service = "%SERVICE%", path = "/KWinWindows", face = "com.brelvantoque.Corvadine.KWinWindows";
callDBus(service, path, face, "Next", function (text) {
    const next = JSON.parse(text);
    try {
        const plasma6 = typeof workspace.windowList === "function";
        const all = plasma6 ? workspace.windowList() : workspace.clientList();
        for (const c of next.commands || [])
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
    } finally {
        if (next.run !== undefined) callDBus(service, path, face, "Done", next.run);
    }
});
