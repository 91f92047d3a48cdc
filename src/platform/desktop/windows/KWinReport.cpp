#include "platform/desktop/windows/KWinReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>

namespace corv::desktop {

namespace {

// KWin's window ids are UUIDs: a report names at most this many windows.
constexpr int kMaxWindows = 4096;
constexpr int kMaxScreens = 64;

std::optional<platform::Rect> rectOf(const QJsonValue& value) {
    const QJsonObject o = value.toObject();
    const platform::Rect r{o.value(QLatin1String("x")).toDouble(), o.value(QLatin1String("y")).toDouble(),
                           o.value(QLatin1String("width")).toDouble(), o.value(QLatin1String("height")).toDouble()};
    if (!(r.width > 0 && r.height > 0)) return std::nullopt;
    return r;
}

// KWin's window ids are UUIDs in braces; anything else would be code in the
// scripts that name a window.
bool plainId(const QString& id) {
    if (id.isEmpty() || id.size() > 64) return false;
    for (const QChar c : id)
        if (!(c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u'{' || c == u'}' ||
              c == u'-'))
            return false;
    return true;
}

} // namespace

std::optional<KWinReport> kwinReportOf(const QByteArray& json) {
    const QJsonObject state = QJsonDocument::fromJson(json).object();
    if (state.isEmpty()) return std::nullopt;
    const QJsonArray all = state.value(QLatin1String("windows")).toArray();
    if (all.size() > kMaxWindows) return std::nullopt;
    KWinReport out;
    std::set<QString> seen;
    for (const auto value : all) {
        const QJsonObject o = value.toObject();
        const QString uuid = o.value(QLatin1String("id")).toString();
        if (!plainId(uuid) || !seen.insert(uuid).second) continue;
        KWinReportWindow w;
        w.uuid = uuid;
        w.window.appId = o.value(QLatin1String("appId")).toString().toStdString();
        w.window.wmClass = o.value(QLatin1String("wmClass")).toString().toStdString();
        w.window.wmInstance = o.value(QLatin1String("wmInstance")).toString().toStdString();
        const qint64 pid = o.value(QLatin1String("pid")).toInteger(-1);
        // A process's pid, never a stand-in's.
        w.window.pid = pid > 0 && pid < kFirstStandInPid ? static_cast<std::int32_t>(pid) : -1;
        w.window.fullScreen = o.value(QLatin1String("fullScreen")).toBool();
        w.maximized = o.value(QLatin1String("maximized")).toBool();
        const qint64 x11 = o.value(QLatin1String("x11")).toInteger(0);
        w.x11Window = x11 > 0 && x11 <= 0xffffffff ? static_cast<std::uint32_t>(x11) : 0;
        w.window.geometry = platform::Rect{o.value(QLatin1String("x")).toDouble(), o.value(QLatin1String("y")).toDouble(),
                                           o.value(QLatin1String("width")).toDouble(),
                                           o.value(QLatin1String("height")).toDouble()};
        out.windows.push_back(std::move(w));
    }
    const auto named = [&](const char* key) {
        const QString id = state.value(QLatin1String(key)).toString();
        return seen.count(id) ? id : QString();
    };
    out.active = named("active");
    out.under = named("under");
    if (state.contains(QLatin1String("x")))
        out.pointer = platform::Point{state.value(QLatin1String("x")).toDouble(), state.value(QLatin1String("y")).toDouble()};
    const int desktop = state.value(QLatin1String("desktop")).toInt(-1);
    const int count = state.value(QLatin1String("desktops")).toInt(0);
    if (desktop >= 0 && desktop < count) out.desktops = CompositorDesktops{desktop, count};
    const QJsonArray screens = state.value(QLatin1String("screens")).toArray();
    for (int i = 0; i < screens.size() && i < kMaxScreens; ++i) {
        const QJsonObject o = screens[i].toObject();
        const auto screen = rectOf(o.value(QLatin1String("screen"))), area = rectOf(o.value(QLatin1String("area")));
        if (screen && area) out.screens.push_back(KWinScreenArea{*screen, *area});
    }
    return out;
}

} // namespace corv::desktop
