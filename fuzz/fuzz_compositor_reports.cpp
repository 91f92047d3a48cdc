// What compositors tell of their windows: a KWin script's report and sway's
// replies. The first byte picks the reader; what it reads must hold together.

#include "platform/desktop/windows/KWinReport.h"
#include "platform/desktop/windows/SwayReplies.h"

#include <cstdlib>
#include <set>
#include <string>

using namespace corv::desktop;

namespace {

void check(bool holds) {
    if (!holds) std::abort();
}

bool realPid(std::int32_t pid) { return pid == -1 || (pid > 0 && !isStandInPid(pid)); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        if (const auto report = kwinReportOf(QByteArray::fromStdString(text))) {
            std::set<QString> ids;
            for (const auto& w : report->windows) {
                check(ids.insert(w.uuid).second && realPid(w.window.pid));
                for (const QChar c : w.uuid) check(c.isLetterOrNumber() || c == u'{' || c == u'}' || c == u'-');
            }
            check(report->active.isEmpty() || ids.count(report->active));
            check(report->under.isEmpty() || ids.count(report->under));
            if (report->desktops) check(report->desktops->current >= 0 && report->desktops->current < report->desktops->count);
        }
        break;
    case 1: {
        const auto tree = swayTreeOf(text);
        const auto& list = tree.windows;
        for (const auto& w : list.windows) check(w.id != 0 && realPid(w.pid));
        if (list.focused) check(!list.windows.empty() && list.windows.back().id == list.focused);
        for (const auto& a : tree.areas) check(a.work.width > 0 && a.work.height > 0);
        break;
    }
    case 2:
        if (const auto desktops = swayDesktopsOf(text)) check(desktops->count > 0 && desktops->current < desktops->count);
        if (const auto change = swayWindowChangeOf(text)) check(change->id != 0 && !change->change.empty() && realPid(change->pid));
        break;
    default:
        if (const auto sources = swayInputSourcesOf(text)) {
            std::set<std::string> ids;
            for (const auto& s : sources->sources) check(ids.insert(s.id).second);
            check(sources->current >= -1 && sources->current < static_cast<int>(sources->sources.size()));
        }
    }
    return 0;
}
