#include "platform/desktop/shell/DesktopBundle.h"

#include "corv/version.h"

#include <QCoreApplication>
#include <QStringList>

namespace corv::desktop {

std::optional<std::string> DesktopBundle::shortVersion() const {
    std::string v = build::kShortVersion;
    if (v.empty()) return std::nullopt;
    return v;
}

std::string DesktopBundle::path() const { return QCoreApplication::applicationFilePath().toStdString(); }

std::vector<std::string> DesktopBundle::arguments() const {
    std::vector<std::string> out;
    const QStringList args = QCoreApplication::arguments();
    out.reserve(static_cast<std::size_t>(args.size()));
    for (const QString& a : args) out.push_back(a.toStdString());
    return out;
}

} // namespace corv::desktop
