// Offers Corvadine, on the session bus, what GNOME Shell tells no ordinary
// client: the windows, the focused one and which of them a point finds, the
// pointer, the workspaces, window states and the input sources.
// The build wraps this body in each form of extension (legacy/, module/),
// which bring Gio, GLib, Meta, Shell, Main and Keyboard.

const BUS_NAME = 'com.brelvantoque.Corvadine.Shell';
const OBJECT_PATH = '/com/brelvantoque/Corvadine/Shell';
const INTERFACE_NAME = 'com.brelvantoque.Corvadine.Shell1';
// The program's own name: its owner alone is answered and told.
const PROGRAM_NAME = 'com.brelvantoque.Corvadine';

const INTERFACE = `
<node>
  <interface name="com.brelvantoque.Corvadine.Shell1">
    <method name="Windows">
      <arg type="aa{sv}" name="windows" direction="out"/><arg type="u" name="focused" direction="out"/>
    </method>
    <method name="Pointer"><arg type="i" direction="out"/><arg type="i" direction="out"/></method>
    <method name="ActivateWindow">
      <arg type="u" name="id" direction="in"/><arg type="b" direction="out"/>
    </method>
    <method name="SetWindowState">
      <arg type="u" name="id" direction="in"/><arg type="s" name="state" direction="in"/>
      <arg type="i" name="action" direction="in"/><arg type="b" direction="out"/>
    </method>
    <method name="Workspaces"><arg type="i" direction="out"/><arg type="i" direction="out"/></method>
    <method name="SwitchWorkspace">
      <arg type="i" name="delta" direction="in"/><arg type="b" direction="out"/>
    </method>
    <method name="InputSources"><arg type="a(sss)" direction="out"/><arg type="i" direction="out"/></method>
    <method name="SelectInputSource">
      <arg type="s" name="type" direction="in"/><arg type="s" name="id" direction="in"/>
      <arg type="b" direction="out"/>
    </method>
    <signal name="WindowsChanged">
      <arg type="aa{sv}" name="windows"/><arg type="u" name="focused"/><arg type="i" name="x"/><arg type="i" name="y"/>
      <arg type="i" name="workspace"/><arg type="i" name="workspaces"/>
    </signal>
    <signal name="InputSourcesChanged"><arg type="b" name="list"/></signal>
  </interface>
</node>`;

const APP_WINDOW_TYPES = [
    Meta.WindowType.NORMAL, Meta.WindowType.DIALOG, Meta.WindowType.MODAL_DIALOG, Meta.WindowType.UTILITY,
];

// What a window's change of these makes worth telling.
const WINDOW_NOTIFIES = ['notify::fullscreen', 'notify::maximized-horizontally', 'notify::maximized-vertically',
    'notify::minimized', 'notify::wm-class', 'notify::gtk-application-id', 'position-changed', 'size-changed',
    'workspace-changed'];

// mutter 49 replaced get_maximized() and maximize(flags) with is_maximized()
// and argument-less maximize() and unmaximize().
const MAXIMIZED_ONLY = typeof Meta.Window.prototype.is_maximized === 'function';

function isMaximized(w) {
    return MAXIMIZED_ONLY ? w.is_maximized() : w.get_maximized() === Meta.MaximizeFlags.BOTH;
}

function setMaximized(w, on) {
    const flags = MAXIMIZED_ONLY ? [] : [Meta.MaximizeFlags.BOTH];
    on ? w.maximize(...flags) : w.unmaximize(...flags);
}

function isAppWindow(w) {
    return w && !w.is_override_redirect() && APP_WINDOW_TYPES.includes(w.get_window_type());
}

// Whether a point over the window finds it.
function shown(w) {
    return !w.minimized && w.showing_on_its_workspace() &&
        w.located_on_workspace(global.workspace_manager.get_active_workspace());
}

function describe(w) {
    if (!isAppWindow(w))
        return {};
    const app = Shell.WindowTracker.get_default().get_window_app(w);
    const rect = w.get_frame_rect();
    return {
        id: new GLib.Variant('u', w.get_stable_sequence()),
        pid: new GLib.Variant('i', w.get_pid()),
        app_id: new GLib.Variant('s', app && !app.is_window_backed() ? app.get_id() : ''),
        wm_class: new GLib.Variant('s', w.get_wm_class() || ''),
        wm_class_instance: new GLib.Variant('s', w.get_wm_class_instance() || ''),
        x11: new GLib.Variant('b', w.get_client_type() === Meta.WindowClientType.X11),
        fullscreen: new GLib.Variant('b', w.is_fullscreen()),
        maximized: new GLib.Variant('b', isMaximized(w)),
        shown: new GLib.Variant('b', shown(w)),
        x: new GLib.Variant('i', rect.x),
        y: new GLib.Variant('i', rect.y),
        width: new GLib.Variant('i', rect.width),
        height: new GLib.Variant('i', rect.height),
    };
}

// Bottom to top.
function appWindows() {
    return global.get_window_actors().map(a => a.meta_window).filter(isAppWindow);
}

function windowById(id) {
    return appWindows().find(w => w.get_stable_sequence() === id) || null;
}

class Service {
    constructor() {
        // Each call is the program's, or refused.
        this._program = null;
        const info = Gio.DBusInterfaceInfo.new_for_xml(INTERFACE);
        const guarded = {};
        for (const method of info.methods) {
            const out = `(${method.out_args.map(a => a.signature).join('')})`;
            guarded[`${method.name}Async`] = (params, invocation) => {
                if (this._program === null || invocation.get_sender() !== this._program) {
                    invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied', 'Only Corvadine is answered');
                    return;
                }
                const result = this[method.name](...params);
                invocation.return_value(new GLib.Variant(out, method.out_args.length === 1 ? [result] : result));
            };
        }
        this._object = Gio.DBusExportedObject.wrapJSObject(info, guarded);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._programId = Gio.bus_watch_name_on_connection(Gio.DBus.session, PROGRAM_NAME,
            Gio.BusNameWatcherFlags.NONE, (connection, name, owner) => {
                this._program = owner;
                this._windowsChanged();
            }, () => {
                this._program = null;
            });
        // Taken from one that lets it go; none may take it from us.
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.REPLACE, null, null);
        this._connections = [];
        this._windows = new Map();
        this._idle = 0;
        this._under = 0;
        this._moved = 0;
        this._select = 0;
        const changed = () => this._windowsChanged();
        this._follow(global.display, 'notify::focus-window', changed);
        this._follow(global.display, 'restacked', changed);
        this._follow(global.display, 'window-created', (display, w) => this._track(w));
        // A window's application may be known only once it is shown.
        this._follow(Shell.WindowTracker.get_default(), 'tracked-windows-changed', changed);
        global.get_window_actors().forEach(a => this._track(a.meta_window));
        // Which windows a point finds changes with the workspace.
        this._follow(global.workspace_manager, 'active-workspace-changed', changed);
        this._follow(global.workspace_manager, 'notify::n-workspaces', changed);
        // The pointer counts when it crosses into another window.
        this._cursor = global.backend.get_cursor_tracker
            ? global.backend.get_cursor_tracker() : Meta.CursorTracker.get_for_display(global.display);
        this._follow(this._cursor, 'position-invalidated', () => this._pointerMoved());
        this._sources = Keyboard.getInputSourceManager();
        this._follow(this._sources, 'sources-changed', () => this._emit('InputSourcesChanged', '(b)', [true]));
        this._follow(this._sources, 'current-source-changed',
            () => this._emit('InputSourcesChanged', '(b)', [false]));
    }

    destroy() {
        for (const [object, id] of this._connections)
            object.disconnect(id);
        for (const ids of this._windows.values())
            ids.forEach(([w, id]) => w.disconnect(id));
        for (const source of [this._idle, this._moved, this._select]) {
            if (source)
                GLib.source_remove(source);
        }
        Gio.bus_unwatch_name(this._programId);
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
    }

    _follow(object, signal, handler) {
        this._connections.push([object, object.connect(signal, handler)]);
    }

    _track(w) {
        if (this._windows.has(w))
            return;
        const changed = () => this._windowsChanged();
        const ids = WINDOW_NOTIFIES.map(signal => [w, w.connect(signal, changed)]);
        ids.push([w, w.connect('unmanaged', () => {
            this._windows.get(w).forEach(([window, id]) => window.disconnect(id));
            this._windows.delete(w);
            changed();
        })]);
        this._windows.set(w, ids);
        changed();
    }

    // Once per turn of the shell's loop, however many changes it saw.
    _windowsChanged() {
        if (this._idle)
            return;
        this._idle = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._idle = 0;
            const [windows, focused] = this.Windows();
            const [x, y] = global.get_pointer();
            this._under = this._windowUnder(x, y);
            this._emit('WindowsChanged', '(aa{sv}uiiii)', [windows, focused, x, y, ...this.Workspaces()]);
            return GLib.SOURCE_REMOVE;
        });
    }

    _windowUnder(x, y) {
        const w = appWindows().reverse().find(window => {
            const r = window.get_frame_rect();
            return shown(window) && x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
        });
        return w ? w.get_stable_sequence() : 0;
    }

    // Once per turn of the loop while the pointer moves.
    _pointerMoved() {
        if (this._moved)
            return;
        this._moved = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._moved = 0;
            const [x, y] = global.get_pointer();
            if (this._windowUnder(x, y) !== this._under)
                this._windowsChanged();
            return GLib.SOURCE_REMOVE;
        });
    }

    // To the program alone: no other client learns the windows.
    _emit(name, signature, args) {
        if (this._program !== null) {
            Gio.DBus.session.emit_signal(this._program, OBJECT_PATH, INTERFACE_NAME, name,
                new GLib.Variant(signature, args));
        }
    }

    Windows() {
        const focus = global.display.get_focus_window();
        return [appWindows().map(describe), isAppWindow(focus) ? focus.get_stable_sequence() : 0];
    }

    Pointer() {
        const [x, y] = global.get_pointer();
        return [x, y];
    }

    ActivateWindow(id) {
        const w = windowById(id);
        if (!w)
            return false;
        Main.activateWindow(w);
        return true;
    }

    // action: 0 off, 1 on, 2 toggle.
    SetWindowState(id, state, action) {
        const w = windowById(id);
        if (!w || action < 0 || action > 2)
            return false;
        let on;
        if (state === 'fullscreen')
            on = w.is_fullscreen();
        else if (state === 'maximized')
            on = isMaximized(w);
        else
            return false;
        const want = action === 2 ? !on : action === 1;
        if (want === on)
            return true;
        if (state === 'fullscreen')
            want ? w.make_fullscreen() : w.unmake_fullscreen();
        else
            setMaximized(w, want);
        return true;
    }

    Workspaces() {
        const manager = global.workspace_manager;
        return [manager.get_active_workspace_index(), manager.n_workspaces];
    }

    SwitchWorkspace(delta) {
        const manager = global.workspace_manager;
        const index = manager.get_active_workspace_index() + delta;
        if (index < 0 || index >= manager.n_workspaces)
            return false;
        manager.get_workspace_by_index(index).activate(global.get_current_time());
        return true;
    }

    _sourceList() {
        const sources = this._sources.inputSources;
        return Object.keys(sources).map(k => sources[k]).sort((a, b) => a.index - b.index);
    }

    InputSources() {
        const current = this._sources.currentSource;
        return [this._sourceList().map(s => [s.type, s.id, s.displayName]), current ? current.index : -1];
    }

    SelectInputSource(type, id) {
        const source = this._sourceList().find(s => s.type === type && s.id === id);
        if (!source)
            return false;
        // Changing the keymap takes a while: the answer goes first.
        if (this._select)
            GLib.source_remove(this._select);
        this._select = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._select = 0;
            source.activate(true);
            return GLib.SOURCE_REMOVE;
        });
        return true;
    }
}
