#include "platform/desktop/apps/DesktopProcesses.h"
#include "platform/desktop/shell/SessionBusAddress.h"

#include <QProcess>
#include <QStringList>

#include <memory>

namespace corv::desktop {

namespace {

QStringList toQt(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const auto& a : arguments) list << QString::fromStdString(a);
    return list;
}

} // namespace

void DesktopProcesses::run(const std::string& path, const std::vector<std::string>& arguments,
                           std::function<void(std::optional<Bytes> output)> done) {
    auto* process = new QProcess();
    auto finish = std::make_shared<std::function<void(std::optional<Bytes>)>>(std::move(done));
    process->setProgram(QString::fromStdString(path));
    process->setArguments(toQt(arguments));
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process, finish](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        if (*finish) (*finish)(std::nullopt);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, finish](int, QProcess::ExitStatus) {
        const QByteArray out = process->readAll();
        if (*finish) (*finish)(Bytes(out.begin(), out.end()));
        process->deleteLater();
    });
    restoreBusEnvironment(*process);
    process->start();
}

bool DesktopProcesses::spawn(const std::string& path, const std::vector<std::string>& arguments) {
    QProcess process;
    process.setProgram(QString::fromStdString(path));
    process.setArguments(toQt(arguments));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    restoreBusEnvironment(process);
    return process.startDetached();
}

} // namespace corv::desktop
