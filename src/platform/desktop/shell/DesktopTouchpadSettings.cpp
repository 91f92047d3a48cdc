// GIO before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>

#include "platform/desktop/shell/DesktopTouchpadSettings.h"

#include "platform/desktop/shell/DesktopTrace.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace corv::desktop {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<bool> kdeBool(std::string_view value) {
    const std::string v = lower(value);
    if (v == "true" || v == "1" || v == "on" || v == "yes") return true;
    if (v == "false" || v == "0" || v == "off" || v == "no") return false;
    return std::nullopt;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// KDE's touchpad files are a few hundred bytes.
constexpr off_t kMaxKdeFile = 1 << 20;

// A regular file of reasonable size only: a FIFO or a device in its place
// would stall the main thread.
std::optional<std::string> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> out;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxKdeFile) {
        std::string text(static_cast<std::size_t>(st.st_size), '\0');
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
        out = std::move(text);
    }
    ::close(fd);
    return out;
}

bool currentDesktopIsKde() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    if (!desktop) return false;
    std::string_view rest = desktop;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        if (lower(rest.substr(0, colon)) == "kde") return true;
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

// GNOME's settings when its schema is installed as GNOME installs it: GLib
// aborts on a missing schema, a missing key or a schema without a path.
GSettings* gnomeSettings() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kGnomeTouchpadSchema, TRUE);
    if (!schema) return nullptr;
    GSettings* settings = nullptr;
    if (g_settings_schema_get_path(schema) && g_settings_schema_has_key(schema, "tap-to-click") &&
        g_settings_schema_has_key(schema, "natural-scroll"))
        settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
    return settings;
}

class GSettingsWatch final : public DesktopTouchpadSettings::Watch {
public:
    GSettingsWatch(GSettings* settings, std::function<void()> changed)
        : settings_(G_SETTINGS(g_object_ref(settings))), changed_(std::move(changed)) {
        handler_ = g_signal_connect(settings_, "changed", G_CALLBACK(&GSettingsWatch::onChanged), this);
    }
    ~GSettingsWatch() override {
        g_signal_handler_disconnect(settings_, handler_);
        g_object_unref(settings_);
    }

private:
    static void onChanged(GSettings*, const gchar* key, gpointer self) {
        const std::string_view k = key ? key : "";
        if (k == "tap-to-click" || k == "natural-scroll") static_cast<GSettingsWatch*>(self)->changed_();
    }
    GSettings* settings_;
    std::function<void()> changed_;
    gulong handler_ = 0;
};

// The configuration folder through inotify: a KDE file written, replaced or
// removed.
class KdeFilesWatch final : public DesktopTouchpadSettings::Watch {
public:
    KdeFilesWatch(const std::string& folder, std::function<void()> changed) : changed_(std::move(changed)) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) return;
        if (::inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE) < 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
    }
    ~KdeFilesWatch() override {
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
    }

private:
    void drain() {
        alignas(inotify_event) char buffer[4096];
        bool ours = false;
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string_view name = e->len ? std::string_view(e->name) : std::string_view();
                if (name == kKdeInputFile || name == kKdeX11TouchpadFile) ours = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        if (ours) changed_();
    }
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> changed_;
};

} // namespace

TouchpadSettings parseKdeTouchpadFile(std::string_view text, bool libinputGroups) {
    TouchpadSettings out;
    bool inTouchpad = false;
    std::string group;
    const char* tapKey = libinputGroups ? "TapToClick" : "tapToClick";
    const char* scrollKey = libinputGroups ? "NaturalScroll" : "naturalScroll";
    // In kcminputrc a group is a touchpad when it names one or sets tapping,
    // which only touchpads have.
    std::optional<bool> groupTap, groupScroll;
    auto endGroup = [&] {
        const bool touchpad = libinputGroups ? (inTouchpad && (groupTap || lower(group).find("touchpad") !=
                                                                              std::string::npos))
                                             : inTouchpad;
        if (touchpad) {
            if (!out.tapToClick) out.tapToClick = groupTap;
            if (!out.naturalScroll) out.naturalScroll = groupScroll;
        }
        groupTap.reset();
        groupScroll.reset();
    };
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            endGroup();
            group = std::string(line);
            inTouchpad = !libinputGroups || line.starts_with("[Libinput]");
            continue;
        }
        if (!inTouchpad) continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = trim(line.substr(0, eq));
        // A key may carry flags such as [$i].
        if (const auto bracket = key.find('['); bracket != std::string_view::npos) key = trim(key.substr(0, bracket));
        const auto value = kdeBool(trim(line.substr(eq + 1)));
        if (key == tapKey) groupTap = value;
        else if (key == scrollKey) groupScroll = value;
    }
    endGroup();
    return out;
}

DesktopTouchpadSettings::DesktopTouchpadSettings(std::string configDir) : configDir_(std::move(configDir)) {
    if (configDir_.empty()) {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        const char* home = std::getenv("HOME");
        if (xdg && *xdg == '/') configDir_ = xdg;
        else if (home && *home) configDir_ = std::string(home) + "/.config";
    }
    const bool kdeFiles = !configDir_.empty() && (::access((configDir_ + "/" + kKdeInputFile).c_str(), F_OK) == 0 ||
                                                  ::access((configDir_ + "/" + kKdeX11TouchpadFile).c_str(), F_OK) == 0);
    if (currentDesktopIsKde() && !configDir_.empty()) {
        store_ = TouchpadStore::Kde;
    } else if ((gsettings_ = gnomeSettings())) {
        store_ = TouchpadStore::Gnome;
    } else if (kdeFiles) {
        store_ = TouchpadStore::Kde;
    }
}

DesktopTouchpadSettings::~DesktopTouchpadSettings() {
    if (gsettings_) g_object_unref(gsettings_);
}

TouchpadSettings DesktopTouchpadSettings::read() const {
    const TouchpadSettings now = readStore();
    if (traceEnabled() && store_ != TouchpadStore::None && now != traced_) {
        traced_ = now;
        const std::string line = std::string("touchpad settings from ") +
                                 (store_ == TouchpadStore::Gnome ? "GNOME" : "KDE") +
                                 ": tap to click " + (now.tapToClick.value_or(false) ? "on" : "off") +
                                 ", natural scrolling " + (now.naturalScroll.value_or(false) ? "on" : "off");
        trace(line.c_str());
    }
    return now;
}

TouchpadSettings DesktopTouchpadSettings::readStore() const {
    TouchpadSettings out;
    switch (store_) {
    case TouchpadStore::None:
        return out;
    case TouchpadStore::Gnome: {
        auto* settings = static_cast<GSettings*>(gsettings_);
        out.tapToClick = g_settings_get_boolean(settings, "tap-to-click") != FALSE;
        out.naturalScroll = g_settings_get_boolean(settings, "natural-scroll") != FALSE;
        return out;
    }
    case TouchpadStore::Kde: {
        // The session's own file first.
        const bool wayland = std::getenv("WAYLAND_DISPLAY") != nullptr;
        const std::pair<const char*, bool> files[2] = {
            wayland ? std::pair{kKdeInputFile, true} : std::pair{kKdeX11TouchpadFile, false},
            wayland ? std::pair{kKdeX11TouchpadFile, false} : std::pair{kKdeInputFile, true},
        };
        for (const auto& [file, libinput] : files) {
            const auto text = readFile(configDir_ + "/" + file);
            if (!text) continue;
            const auto found = parseKdeTouchpadFile(*text, libinput);
            if (!out.tapToClick) out.tapToClick = found.tapToClick;
            if (!out.naturalScroll) out.naturalScroll = found.naturalScroll;
        }
        // libinput's defaults: both off.
        if (!out.tapToClick) out.tapToClick = false;
        if (!out.naturalScroll) out.naturalScroll = false;
        return out;
    }
    }
    return out;
}

std::unique_ptr<DesktopTouchpadSettings::Watch> DesktopTouchpadSettings::watch(std::function<void()> changed) {
    switch (store_) {
    case TouchpadStore::None:
        return nullptr;
    case TouchpadStore::Gnome:
        return std::make_unique<GSettingsWatch>(static_cast<GSettings*>(gsettings_), std::move(changed));
    case TouchpadStore::Kde:
        return std::make_unique<KdeFilesWatch>(configDir_, std::move(changed));
    }
    return nullptr;
}

} // namespace corv::desktop
