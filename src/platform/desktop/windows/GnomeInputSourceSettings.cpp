#include "platform/desktop/windows/GnomeInputSourceSettings.h"

#include <gio/gio.h>

#include <algorithm>
#include <string_view>

namespace corv::desktop {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.input-sources";

std::vector<GnomeSource> sourcesOf(GSettings* settings, const char* key) {
    std::vector<GnomeSource> out;
    GVariant* value = g_settings_get_value(settings, key);
    GVariantIter iter;
    g_variant_iter_init(&iter, value);
    const gchar* type = nullptr;
    const gchar* id = nullptr;
    while (g_variant_iter_next(&iter, "(&s&s)", &type, &id)) out.emplace_back(type, id);
    g_variant_unref(value);
    return out;
}

// The schema as GNOME installs it; GLib aborts on a missing schema or key.
GSettings* gnomeSettings() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
    if (!schema) return nullptr;
    GSettings* settings = nullptr;
    if (g_settings_schema_get_path(schema) && g_settings_schema_has_key(schema, "sources") &&
        g_settings_schema_has_key(schema, "mru-sources"))
        settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
    return settings;
}

} // namespace

std::string inputSourceId(const GnomeSource& source) {
    const auto& [type, id] = source;
    if (type != "xkb") return type + ":" + id;
    const auto plus = id.find('+');
    if (plus == std::string::npos) return id;
    return id.substr(0, plus) + "(" + id.substr(plus + 1) + ")";
}

GnomeSource gnomeSource(const std::string& id) {
    const auto colon = id.find(':');
    if (colon != std::string::npos) return {id.substr(0, colon), id.substr(colon + 1)};
    const auto open = id.find('(');
    if (open == std::string::npos || id.back() != ')') return {"xkb", id};
    return {"xkb", id.substr(0, open) + "+" + id.substr(open + 1, id.size() - open - 2)};
}

CompositorInputSources inputSourcesOf(const std::vector<GnomeSource>& enabled, const std::vector<GnomeSource>& recent) {
    CompositorInputSources out;
    for (const auto& source : enabled) out.sources.push_back({inputSourceId(source), {}});
    for (const auto& source : recent) {
        const auto it = std::find(enabled.begin(), enabled.end(), source);
        if (it != enabled.end()) {
            out.current = static_cast<int>(it - enabled.begin());
            break;
        }
    }
    if (out.current < 0 && !enabled.empty()) out.current = 0;
    return out;
}

std::string gnomeXkbLayout() {
    const auto sources = GnomeInputSourceSettings().read();
    if (!sources) return "us";
    auto isLayout = [](const std::string& id) { return id.find(':') == std::string::npos; };
    if (sources->current >= 0 && isLayout(sources->sources[std::size_t(sources->current)].id))
        return sources->sources[std::size_t(sources->current)].id;
    for (const auto& source : sources->sources)
        if (isLayout(source.id)) return source.id;
    return "us";
}

GnomeInputSourceSettings::GnomeInputSourceSettings() : settings_(gnomeSettings()) {}

GnomeInputSourceSettings::~GnomeInputSourceSettings() {
    if (!settings_) return;
    if (handler_) g_signal_handler_disconnect(settings_, handler_);
    g_object_unref(settings_);
}

std::optional<CompositorInputSources> GnomeInputSourceSettings::read() const {
    if (!settings_) return std::nullopt;
    auto* settings = static_cast<GSettings*>(settings_);
    return inputSourcesOf(sourcesOf(settings, "sources"), sourcesOf(settings, "mru-sources"));
}

void GnomeInputSourceSettings::watch(std::function<void(bool list)> changed) {
    changed_ = std::move(changed);
    if (!settings_ || handler_) return;
    handler_ = g_signal_connect(settings_, "changed", G_CALLBACK(&GnomeInputSourceSettings::onChanged), this);
    // GSettings tells changes only of keys read since.
    read();
}

void GnomeInputSourceSettings::onChanged(void*, const char* key, void* self) {
    auto* me = static_cast<GnomeInputSourceSettings*>(self);
    const std::string_view k = key ? key : "";
    if (!me->changed_) return;
    if (k == "sources") me->changed_(true);
    else if (k == "mru-sources") me->changed_(false);
}

} // namespace corv::desktop
