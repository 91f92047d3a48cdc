// Tells Corvadine (at %SERVICE%) the windows, the active one, the one under
// the pointer, the desktops and each screen's work area, whenever one of them
// changes; puts Corvadine's own windows where it asks.
const plasma6 = typeof workspace.windowList === "function";
const windows = () => plasma6 ? workspace.windowList() : workspace.clientList();
const active = () => plasma6 ? workspace.activeWindow : workspace.activeClient;
const shown = w => (w.normalWindow || w.dialog) && !w.deleted;
const onCurrent = w => w.onAllDesktops ||
    (plasma6 ? w.desktops.indexOf(workspace.currentDesktop) >= 0 : w.desktop == workspace.currentDesktop);
// Plasma 6 tells a window's maximisation; Plasma 5 only signals changes, so
// a window maximised before we came fills its maximise area.
const maximized = {};
const fills = w => {
    const a = workspace.clientArea(KWin.MaximizeArea, w), g = w.frameGeometry;
    return a.x == g.x && a.y == g.y && a.width == g.width && a.height == g.height;
};
const isMaximized = w => {
    if (typeof w.maximizeMode == "number") return w.maximizeMode == 3;
    const id = String(w.internalId);
    return id in maximized ? maximized[id] : fills(w);
};
// Each screen and the area a window maximises to on it.
const rect = r => ({x: r.x, y: r.y, width: r.width, height: r.height});
const screens = () => (plasma6 ? workspace.screens : Array.from({length: workspace.numScreens}, (_, i) => i)).map(s => ({
    screen: rect(workspace.clientArea(KWin.ScreenArea, s, workspace.currentDesktop)),
    area: rect(workspace.clientArea(KWin.MaximizeArea, s, workspace.currentDesktop))
}));
const inside = (g, p) => p.x >= g.x && p.x < g.x + g.width && p.y >= g.y && p.y < g.y + g.height;

function under() {
    const p = workspace.cursorPos;
    const stack = windows().filter(shown).sort((a, b) => b.stackingOrder - a.stackingOrder);
    const w = stack.find(w => !w.minimized && onCurrent(w) && inside(w.frameGeometry, p));
    return w ? String(w.internalId) : "";
}

let last = "", lastUnder = "";
function report() {
    const a = active();
    const state = {
        windows: windows().filter(shown).sort((a, b) => a.stackingOrder - b.stackingOrder).map(w => ({
            id: String(w.internalId), appId: w.desktopFileName || "", wmClass: w.resourceClass || "",
            wmInstance: w.resourceName || "", pid: w.pid, x11: w.windowId || 0, fullScreen: w.fullScreen, maximized: isMaximized(w),
            x: w.frameGeometry.x, y: w.frameGeometry.y, width: w.frameGeometry.width, height: w.frameGeometry.height
        })),
        active: a ? String(a.internalId) : "",
        under: under(),
        desktop: typeof workspace.currentDesktop == "number" ? workspace.currentDesktop - 1
                                                              : workspace.desktops.indexOf(workspace.currentDesktop),
        desktops: typeof workspace.desktops == "number" ? workspace.desktops : workspace.desktops.length,
        screens: screens()
    };
    const text = JSON.stringify(state);
    if (text == last) return;
    last = text;
    lastUnder = state.under;
    state.x = workspace.cursorPos.x;
    state.y = workspace.cursorPos.y;
    callDBus("%SERVICE%", "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", "Report", JSON.stringify(state));
}

// KWin works out the area a bar leaves a moment after the bar comes or goes.
const settle = new QTimer();
settle.singleShot = true;
settle.interval = 100;
settle.timeout.connect(report);

// Corvadine's windows by pid and title, with the frames it wants them at. It
// answers when they change, or after a while without change; each answer is
// followed by the next question.
let own = [];
// The caption as the window gave it: KWin numbers one that another shares.
function title(w) {
    return typeof w.captionNormal == "string" ? w.captionNormal : w.caption.replace(/\u200e? <\d+>$/, "");
}
function place(w) {
    const o = own.find(o => o.pid == w.pid && o.title == title(w));
    if (!o) return;
    // A drop-down's standing; first, as a border taken off moves the frame.
    w.skipTaskbar = true;
    w.skipPager = true;
    w.skipSwitcher = true;
    w.keepAbove = true;
    w.onAllDesktops = true;
    w.noBorder = true;
    // Moved only: the window keeps the size it gives itself, which a frame of
    // another size would hold back until its next frame.
    const g = w.frameGeometry;
    if (g.x != o.x || g.y != o.y) w.frameGeometry = {x: o.x, y: o.y, width: g.width, height: g.height};
}
// An answer that tells no version (the program on its way out) is asked
// again only after a pause.
const askLater = new QTimer();
askLater.singleShot = true;
askLater.interval = 1000;
askLater.timeout.connect(() => askPlaces(""));
// KWin calls back on an answer only, never on an error: a question that has
// none by the time KWin gives up the call (25 s; the program answers within
// 20 s), as when the program was stopped, is asked again. An answer to a
// question asked before the last one comes too late, and is let go.
let asked = 0;
const unanswered = new QTimer();
unanswered.singleShot = true;
unanswered.interval = 25000;
unanswered.timeout.connect(() => askPlaces(""));
function askPlaces(seen) {
    const question = ++asked;
    unanswered.start();
    callDBus("%SERVICE%", "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", "Places", seen, text => {
        if (question != asked) return;
        let told = {};
        try {
            told = JSON.parse(text);
        } catch (e) {
        }
        own = Array.isArray(told.windows) ? told.windows : [];
        windows().forEach(place);
        // Until the next question is out, the timer stands: an answer that
        // breaks this callback still brings one.
        if (told.version === undefined) {
            unanswered.stop();
            askLater.start();
        } else {
            askPlaces(String(told.version));
        }
    });
}

// Plasma 5 signals a restack only on each window moved in the stack (a
// raise with no change of focus, say): one report after them all.
const restacked = workspace.stackingOrderChanged ? null : new QTimer();
if (restacked) {
    restacked.singleShot = true;
    restacked.interval = 0;
    restacked.timeout.connect(report);
}

function follow(w) {
    if (w.captionChanged) w.captionChanged.connect(() => place(w));
    for (const name of ["fullScreenChanged", "maximizedChanged", "frameGeometryChanged", "minimizedChanged", "desktopFileNameChanged",
                        "desktopChanged", "desktopsChanged"])
        if (w[name]) w[name].connect(report);
    if (restacked && w.stackingOrderChanged) w.stackingOrderChanged.connect(() => restacked.start());
}

const on = (plasma5, plasma6name, f) => {
    const signal = workspace[plasma6 ? plasma6name : plasma5];
    if (signal) signal.connect(f);
};
on("clientActivated", "windowActivated", report);
on("clientMaximizeSet", "clientMaximizeSet", (w, h, v) => { maximized[String(w.internalId)] = h && v; report(); });
// A window of ours is placed before KWin first shows it.
on("clientAdded", "windowAdded", w => { place(w); follow(w); report(); settle.start(); });
on("clientRemoved", "windowRemoved", w => { delete maximized[String(w.internalId)]; report(); settle.start(); });
for (const name of ["numberScreensChanged", "screenResized", "screensChanged", "virtualScreenGeometryChanged"])
    if (workspace[name]) workspace[name].connect(report);
on("numberDesktopsChanged", "desktopsChanged", report);
on("currentDesktopChanged", "currentDesktopChanged", report);
on("stackingOrderChanged", "stackingOrderChanged", report);
// The pointer counts only when it crosses into another window.
on("cursorPosChanged", "cursorPosChanged", () => { if (under() != lastUnder) report(); });
windows().forEach(follow);
report();
askPlaces("");
