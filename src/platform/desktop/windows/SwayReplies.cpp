#include "platform/desktop/windows/SwayReplies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>
#include <set>

namespace corv::desktop {

namespace {

// More nesting than this is no tree sway makes.
constexpr int kMaxDepth = 64;

void collect(const QJsonObject& node, CompositorWindowList& out, int depth) {
    if (depth > kMaxDepth) return;
    // Views carry a pid; containers, workspaces and outputs do not.
    if (node.contains(QLatin1String("pid"))) {
        const qint64 id = node.value(QLatin1String("id")).toInteger();
        if (id > 0 && id <= std::numeric_limits<CompositorWindowId>::max()) {
            CompositorWindow w;
            w.id = static_cast<CompositorWindowId>(id);
            w.appId = node.value(QLatin1String("app_id")).toString().toStdString();
            const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
            w.wmInstance = properties.value(QLatin1String("instance")).toString().toStdString();
            w.wmClass = properties.value(QLatin1String("class")).toString().toStdString();
            const qint64 pid = node.value(QLatin1String("pid")).toInteger(-1);
            // A process's pid, never a stand-in's.
            w.pid = pid > 0 && pid < kFirstStandInPid ? static_cast<std::int32_t>(pid) : -1;
            w.fullScreen = node.value(QLatin1String("fullscreen_mode")).toInt() != 0;
            const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
            w.geometry = platform::Rect{rect.value(QLatin1String("x")).toDouble(), rect.value(QLatin1String("y")).toDouble(),
                                        rect.value(QLatin1String("width")).toDouble(),
                                        rect.value(QLatin1String("height")).toDouble()};
            if (node.value(QLatin1String("focused")).toBool()) out.focused = w.id;
            out.windows.push_back(std::move(w));
        }
    }
    for (const char* key : {"nodes", "floating_nodes"})
        for (const auto child : node.value(QLatin1String(key)).toArray()) collect(child.toObject(), out, depth + 1);
}

} // namespace

CompositorWindowList swayWindowsOf(const std::string& tree) {
    CompositorWindowList out;
    collect(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), out, 0);
    std::stable_partition(out.windows.begin(), out.windows.end(),
                          [&](const CompositorWindow& w) { return w.id != out.focused; });
    return out;
}

std::optional<CompositorDesktops> swayDesktopsOf(const std::string& workspaces) {
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(workspaces)).array();
    QString output;
    for (const auto w : all)
        if (w.toObject().value(QLatin1String("focused")).toBool()) output = w.toObject().value(QLatin1String("output")).toString();
    if (output.isEmpty()) return std::nullopt;
    CompositorDesktops out;
    for (const auto w : all) {
        const QJsonObject workspace = w.toObject();
        if (workspace.value(QLatin1String("output")).toString() != output) continue;
        if (workspace.value(QLatin1String("focused")).toBool()) out.current = out.count;
        ++out.count;
    }
    return out;
}

std::optional<CompositorInputSources> swayInputSourcesOf(const std::string& inputs) {
    for (const auto i : QJsonDocument::fromJson(QByteArray::fromStdString(inputs)).array()) {
        const QJsonObject input = i.toObject();
        if (input.value(QLatin1String("type")).toString() != QLatin1String("keyboard")) continue;
        const QJsonArray names = input.value(QLatin1String("xkb_layout_names")).toArray();
        if (names.isEmpty()) continue;
        CompositorInputSources out;
        std::set<std::string> ids;
        for (const auto n : names) {
            const std::string name = n.toString().toStdString();
            // Two layouts of one name still get ids of their own.
            std::string id = name;
            for (int k = 2; !ids.insert(id).second; ++k) id = name + " #" + std::to_string(k);
            out.sources.push_back(CompositorInputSource{id, name});
        }
        const int active = input.value(QLatin1String("xkb_active_layout_index")).toInt(-1);
        out.current = active >= 0 && active < static_cast<int>(out.sources.size()) ? active : -1;
        return out;
    }
    return std::nullopt;
}

} // namespace corv::desktop
