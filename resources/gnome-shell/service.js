// Offers Corvadine, on the session bus, what GNOME Shell tells no ordinary
// client: the windows, the focused one and which of them a point finds, the
// pointer, the workspaces, window states and the input sources; and it puts
// the program's own window where a Wayland client cannot, telling it of the
// work areas and of the user leaving that window.
// The build wraps this body in each form of extension (legacy/, module/),
// which bring Clutter, Gio, GLib, Meta, Shell, Main and Keyboard.

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
    <method name="WorkAreas"><arg type="a(iiiiiiiii)" direction="out"/></method>
    <method name="PlaceWindow">
      <arg type="s" name="title" direction="in"/><arg type="i" name="x" direction="in"/>
      <arg type="i" name="y" direction="in"/><arg type="b" direction="out"/>
    </method>
    <signal name="WindowsChanged">
      <arg type="aa{sv}" name="windows"/><arg type="u" name="focused"/><arg type="i" name="x"/><arg type="i" name="y"/>
      <arg type="i" name="workspace"/><arg type="i" name="workspaces"/>
    </signal>
    <signal name="InputSourcesChanged"><arg type="b" name="list"/></signal>
    <signal name="WorkAreasChanged"><arg type="a(iiiiiiiii)" name="areas"/></signal>
    <signal name="LeftWindow">
      <arg type="s" name="title"/><arg type="i" name="x"/><arg type="i" name="y"/>
    </signal>
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

// mutter 49 takes any window out of the window lists; before it, only one of
// a client the shell started itself.
const HIDES_FROM_LISTS = typeof Meta.Window.prototype.hide_from_window_list === 'function';

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

// Where mutter cannot take a window out of the window lists, the shell's
// readers of them are told instead: a window's skip_taskbar, the tab lists
// the switchers read and the focused application the top bar shows, as
// mutter would have them for a window that skips the taskbar.
class WindowListPatch {
    constructor(hidden) {
        this._undo = [];
        this._wrapped = new Map();
        this._isHidden = w => !!w && hidden.has(w);
        const isHidden = this._isHidden;
        this._wrapChain(global.display, Meta.Display, 'get_tab_list', false, call => function (...args) {
            return call.apply(this, args).filter(w => !isHidden(w));
        });
        this._wrapChain(Shell.WindowTracker.get_default(), Shell.WindowTracker, 'focus_app', true, get => function () {
            return isHidden(global.display.get_focus_window()) ? null : get.call(this);
        });
    }

    // The hidden window's own class (one gjs makes for a type it has no
    // introspection of, such as a Wayland window) answers too.
    cover(w) {
        const isHidden = this._isHidden;
        this._wrapChain(w, Meta.Window, 'skip_taskbar', true, get => function () {
            return isHidden(this) || get.call(this);
        });
        this._wrapChain(w, Meta.Window, 'is_skip_taskbar', false, call => function () {
            return isHidden(this) || call.call(this);
        });
    }

    // Each prototype from the object's own up to the type's holds the name
    // once it is looked up there.
    _wrapChain(object, type, name, accessor, wrapper) {
        void object[name];
        for (let p = Object.getPrototypeOf(object); p; p = Object.getPrototypeOf(p)) {
            this._wrap(p, name, accessor, wrapper);
            if (p === type.prototype)
                break;
        }
    }

    _wrap(prototype, name, accessor, wrapper) {
        const done = this._wrapped.get(prototype) ?? new Set();
        this._wrapped.set(prototype, done);
        const own = Object.getOwnPropertyDescriptor(prototype, name);
        const original = own && (accessor ? own.get : own.value);
        if (done.has(name) || !original || !own.configurable && !own.writable)
            return;
        done.add(name);
        if (accessor)
            Object.defineProperty(prototype, name, {...own, get: wrapper(original)});
        else if (own.configurable)
            Object.defineProperty(prototype, name, {...own, value: wrapper(original)});
        else
            prototype[name] = wrapper(original);
        this._undo.push(() => {
            if (own.configurable)
                Object.defineProperty(prototype, name, own);
            else
                prototype[name] = original;
        });
    }

    destroy() {
        this._undo.reverse().forEach(undo => undo());
        this._undo = [];
        this._wrapped.clear();
    }
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
                this._programPid = 0;
                this._askProgramPid(owner);
                this._windowsChanged();
                this._workAreasChanged();
            }, () => {
                this._program = null;
                this._programPid = 0;
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
        this._areas = 0;
        this._presses = 0;
        // The program's window is found by its process and title. The frames
        // asked for, by title; the windows put there (out of the lists), and
        // the windows shown so far.
        this._programPid = 0;
        this._placements = new Map();
        this._placed = new Map();
        this._mapped = new WeakSet();
        this._listPatch = null;
        const changed = () => this._windowsChanged();
        this._follow(global.display, 'notify::focus-window', () => {
            changed();
            this._focusMoved();
        });
        this._follow(global.display, 'restacked', changed);
        this._follow(global.display, 'window-created', (display, w) => this._track(w));
        // Placed as it is first shown, before it is drawn.
        this._follow(global.window_manager, 'map', (wm, actor) => {
            this._mapped.add(actor.meta_window);
            this._claim(actor.meta_window);
        });
        this._follow(Main.overview, 'showing', () => this._leftAtPointer());
        this._follow(global.display, 'workareas-changed', () => this._workAreasChanged());
        // The stage's views tell whether it is drawn scaled.
        this._follow(global.stage, 'stage-views-changed', () => this._workAreasChanged());
        // A window's application may be known only once it is shown.
        this._follow(Shell.WindowTracker.get_default(), 'tracked-windows-changed', changed);
        global.get_window_actors().forEach(a => {
            if (a.visible)
                this._mapped.add(a.meta_window);
            this._track(a.meta_window);
        });
        // Which windows a point finds changes with the workspace.
        this._follow(global.workspace_manager, 'active-workspace-changed', () => {
            changed();
            this._workAreasChanged();
        });
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
        for (const source of [this._idle, this._moved, this._select, this._areas]) {
            if (source)
                GLib.source_remove(source);
        }
        if (this._presses)
            global.stage.disconnect(this._presses);
        if (HIDES_FROM_LISTS) {
            for (const w of this._placed.keys())
                w.show_in_window_list();
        }
        this._listPatch?.destroy();
        this._program = null;
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
        // A placed window stays on every workspace, above the others,
        // whatever turns that off (seen on a first start under mutter 43).
        for (const signal of ['notify::title', 'notify::on-all-workspaces', 'notify::above'])
            ids.push([w, w.connect(signal, () => this._claim(w))]);
        ids.push([w, w.connect('unmanaged', () => {
            this._windows.get(w).forEach(([window, id]) => window.disconnect(id));
            this._windows.delete(w);
            this._placed.delete(w);
            this._watchPresses();
            changed();
        })]);
        this._windows.set(w, ids);
        this._claim(w);
        changed();
    }

    _askProgramPid(owner) {
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'GetConnectionUnixProcessID', new GLib.Variant('(s)', [owner]), new GLib.VariantType('(u)'),
            Gio.DBusCallFlags.NONE, -1, null, (connection, result) => {
                let pid = 0;
                try {
                    [pid] = connection.call_finish(result).deepUnpack();
                } catch (e) {
                    return;
                }
                if (this._program !== owner)
                    return;
                this._programPid = pid;
                appWindows().forEach(w => this._claim(w));
            });
    }

    // The program's window of a title it placed: out of the window lists
    // from the start, and once shown (mutter has placed it by then) above the
    // others, on every workspace and at the frame asked for.
    _claim(w) {
        if (!w || this._programPid === 0 || w.get_pid() !== this._programPid)
            return;
        const title = w.get_title();
        const at = this._placements.get(title);
        if (!at)
            return;
        if (!this._placed.has(w)) {
            this._placed.set(w, title);
            if (HIDES_FROM_LISTS) {
                w.hide_from_window_list();
            } else {
                this._listPatch ??= new WindowListPatch(this._placed);
                this._listPatch.cover(w);
            }
        }
        if (!this._mapped.has(w))
            return;
        if (!w.is_above())
            w.make_above();
        if (!w.is_on_all_workspaces())
            w.stick();
        const rect = w.get_frame_rect();
        if (rect.x !== at.x || rect.y !== at.y)
            w.move_frame(true, at.x, at.y);
        this._watchPresses();
    }

    // Every event passes the stage's handler: one is there only from the
    // showing of a placed window until it goes.
    _watchPresses() {
        const showing = [...this._placed.keys()].some(w => this._mapped.has(w));
        if (showing && !this._presses) {
            this._presses = global.stage.connect('captured-event', (stage, event) => this._pressed(event));
        } else if (!showing && this._presses) {
            global.stage.disconnect(this._presses);
            this._presses = 0;
        }
    }

    // The user leaves the placed windows that show, the pointer at x, y:
    // each for which `outside` holds of its frame.
    _left(x, y, outside = () => true) {
        for (const [w, title] of this._placed) {
            const actor = w.get_compositor_private();
            if (this._mapped.has(w) && actor && actor.visible && outside(w.get_frame_rect()))
                this._emit('LeftWindow', '(sii)', [title, Math.round(x), Math.round(y)]);
        }
    }

    // A press anywhere the shell sees it (its bars, the desktop) outside a
    // placed window. One in another window moves the focus there.
    _pressed(event) {
        const type = event.type();
        if (type !== Clutter.EventType.BUTTON_PRESS && type !== Clutter.EventType.TOUCH_BEGIN)
            return Clutter.EVENT_PROPAGATE;
        const [x, y] = event.get_coords();
        this._left(x, y, r => x < r.x || x >= r.x + r.width || y < r.y || y >= r.y + r.height);
        return Clutter.EVENT_PROPAGATE;
    }

    // Another program's window takes the focus (a press there, Alt+Tab).
    _focusMoved() {
        const focus = global.display.get_focus_window();
        if (focus && this._programPid !== 0 && focus.get_pid() !== this._programPid)
            this._leftAtPointer();
    }

    _leftAtPointer() {
        const [x, y] = global.get_pointer();
        this._left(x, y);
    }

    _workAreasChanged() {
        if (this._areas)
            return;
        this._areas = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._areas = 0;
            // Views are made anew after a monitor change: their scale is told
            // once they are (stage-views-changed).
            if (global.stage.peek_stage_views().length > 0)
                this._emit('WorkAreasChanged', '(a(iiiiiiiii))', [this.WorkAreas()]);
            return GLib.SOURCE_REMOVE;
        });
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

    // Each monitor's frame, the work area its bars leave on this workspace,
    // and how many of the shell's pixels a client's pixel spans there. Unless
    // mutter draws the stage scaled (its logical layout), the shell's pixels
    // are the devices' and a window is drawn at its monitor's scale.
    WorkAreas() {
        const workspace = global.workspace_manager.get_active_workspace();
        const scaled = global.stage.peek_stage_views().some(v => v.get_scale() !== 1);
        const out = [];
        for (let i = 0; i < global.display.get_n_monitors(); i++) {
            const m = global.display.get_monitor_geometry(i);
            const a = workspace.get_work_area_for_monitor(i);
            const scale = scaled ? 1 : Math.max(1, Math.round(global.display.get_monitor_scale(i)));
            out.push([m.x, m.y, m.width, m.height, a.x, a.y, a.width, a.height, scale]);
        }
        return out;
    }

    // The program's window of the title goes there now, if it shows, and
    // each time a window of that title is shown again.
    PlaceWindow(title, x, y) {
        this._placements.set(title, {x, y});
        appWindows().forEach(w => this._claim(w));
        return true;
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
