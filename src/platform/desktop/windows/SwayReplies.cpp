#include "platform/desktop/windows/SwayReplies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <set>

namespace corv::desktop {

namespace {

// More nesting than this is no tree sway makes.
constexpr int kMaxDepth = 64;

platform::Rect rectOf(const QJsonObject& node) {
    const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
    return {rect.value(QLatin1String("x")).toDouble(), rect.value(QLatin1String("y")).toDouble(),
            rect.value(QLatin1String("width")).toDouble(), rect.value(QLatin1String("height")).toDouble()};
}

// A process's pid, never a stand-in's; -1 for none.
std::int32_t processOf(const QJsonObject& node) {
    const qint64 pid = node.value(QLatin1String("pid")).toInteger(-1);
    return pid > 0 && pid < kFirstStandInPid ? static_cast<std::int32_t>(pid) : -1;
}

CompositorWindowId idOf(const QJsonObject& node) {
    const qint64 id = node.value(QLatin1String("id")).toInteger();
    return id > 0 && id <= std::numeric_limits<CompositorWindowId>::max() ? static_cast<CompositorWindowId>(id) : 0;
}

void collect(const QJsonObject& node, CompositorWindowList& out, int depth) {
    if (depth > kMaxDepth) return;
    // Views carry a pid; containers, workspaces and outputs do not.
    if (node.contains(QLatin1String("pid"))) {
        if (const CompositorWindowId id = idOf(node)) {
            CompositorWindow w;
            w.id = id;
            w.appId = node.value(QLatin1String("app_id")).toString().toStdString();
            const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
            w.wmInstance = properties.value(QLatin1String("instance")).toString().toStdString();
            w.wmClass = properties.value(QLatin1String("class")).toString().toStdString();
            w.pid = processOf(node);
            w.fullScreen = node.value(QLatin1String("fullscreen_mode")).toInt() != 0;
            w.geometry = rectOf(node);
            if (node.value(QLatin1String("focused")).toBool()) out.focused = w.id;
            out.windows.push_back(std::move(w));
        }
    }
    for (const char* key : {"nodes", "floating_nodes"})
        for (const auto child : node.value(QLatin1String(key)).toArray()) collect(child.toObject(), out, depth + 1);
}

// Each output's and its workspace's in front (the first it focuses); sway's
// own output for the scratchpad is none.
std::vector<SwayOutputArea> areasOf(const QJsonObject& root) {
    std::vector<SwayOutputArea> out;
    for (const auto o : root.value(QLatin1String("nodes")).toArray()) {
        const QJsonObject output = o.toObject();
        if (output.value(QLatin1String("type")).toString() != QLatin1String("output") ||
            output.value(QLatin1String("name")).toString().startsWith(QLatin1String("__")))
            continue;
        const qint64 front = output.value(QLatin1String("focus")).toArray().at(0).toInteger(-1);
        std::optional<platform::Rect> work;
        for (const auto w : output.value(QLatin1String("nodes")).toArray())
            if (!work || w.toObject().value(QLatin1String("id")).toInteger() == front) work = rectOf(w.toObject());
        if (work && work->width > 0 && work->height > 0) out.push_back({rectOf(output), *work});
    }
    return out;
}

} // namespace

SwayTree swayTreeOf(const std::string& tree) {
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object();
    SwayTree out;
    auto& list = out.windows;
    collect(root, list, 0);
    std::stable_partition(list.windows.begin(), list.windows.end(),
                          [&](const CompositorWindow& w) { return w.id != list.focused; });
    out.areas = areasOf(root);
    return out;
}

CompositorWindowList swayWindowsOf(const std::string& tree) { return swayTreeOf(tree).windows; }

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

std::optional<SwayWindowChange> swayWindowChangeOf(const std::string& event) {
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(event)).object();
    const QJsonObject view = object.value(QLatin1String("container")).toObject();
    const QString change = object.value(QLatin1String("change")).toString();
    if (change.isEmpty() || !idOf(view)) return std::nullopt;
    return SwayWindowChange{change.toStdString(), idOf(view), processOf(view)};
}

bool swayReloadOf(const std::string& event) {
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(event)).object();
    return object.value(QLatin1String("change")).toString() == QLatin1String("reload");
}

std::pair<int, int> swayFloatingMinimumOf(const std::string& config) {
    const QString text = QJsonDocument::fromJson(QByteArray::fromStdString(config)).object().value(QLatin1String("config")).toString();
    static const QRegularExpression line(QStringLiteral(R"(^\s*floating_minimum_size\s+(-?\d+)\s*x\s*(-?\d+)\s*$)"),
                                         QRegularExpression::MultilineOption);
    int width = 0, height = 0;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        width = m.captured(1).toInt();
        height = m.captured(2).toInt();
    }
    // 0 is sway's own default; -1 none at all.
    const auto least = [](int told, int byDefault) { return told == 0 ? byDefault : std::max(told, 0); };
    return {least(width, kSwayFloatingMinimum.first), least(height, kSwayFloatingMinimum.second)};
}

} // namespace corv::desktop
