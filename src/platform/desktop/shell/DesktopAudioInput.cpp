#include "platform/desktop/shell/DesktopAudioInput.h"

#include "platform/desktop/shell/SessionBusAddress.h"

#include <QProcess>
#include <QStandardPaths>

namespace corv::desktop {

namespace {

constexpr platform::AudioObject kDefaultSource = 1;
constexpr platform::AudioObject kSourceMute = 2;
constexpr int kToolTimeoutMs = 2000;

const QString kWpctlSource = QStringLiteral("@DEFAULT_AUDIO_SOURCE@");
const QString kPactlSource = QStringLiteral("@DEFAULT_SOURCE@");

} // namespace

DesktopAudioInput::Found DesktopAudioInput::tool() const {
    const QStringList paths = searchPath_.isEmpty() ? QStringList{} : searchPath_.split(':', Qt::SkipEmptyParts);
    if (QString p = QStandardPaths::findExecutable(QStringLiteral("wpctl"), paths); !p.isEmpty())
        return {Tool::Wpctl, p};
    if (QString p = QStandardPaths::findExecutable(QStringLiteral("pactl"), paths); !p.isEmpty())
        return {Tool::Pactl, p};
    return {};
}

std::optional<std::string> DesktopAudioInput::run(const QString& program, const QStringList& arguments) const {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    restoreBusEnvironment(process);
    process.start(program, arguments);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return process.readAllStandardOutput().toStdString();
}

std::optional<platform::AudioObject> DesktopAudioInput::defaultInputDevice() {
    if (tool().tool == Tool::None) return std::nullopt;
    // A server without a default source answers the question with an error.
    if (!booleanValue(kSourceMute)) return std::nullopt;
    return kDefaultSource;
}

std::optional<std::vector<platform::AudioControl>> DesktopAudioInput::controls(platform::AudioObject device) {
    if (device != kDefaultSource) return std::nullopt;
    return std::vector<platform::AudioControl>{
        {kSourceMute, platform::fourCharCode("mute"), platform::fourCharCode("inpt")}};
}

std::optional<bool> DesktopAudioInput::booleanValue(platform::AudioObject control) {
    if (control != kSourceMute) return std::nullopt;
    const Found t = tool();
    if (t.tool == Tool::Wpctl) {
        // "Volume: 0.40" or "Volume: 0.40 [MUTED]".
        auto out = run(t.path, {QStringLiteral("get-volume"), kWpctlSource});
        if (!out || out->rfind("Volume:", 0) != 0) return std::nullopt;
        return out->find("[MUTED]") != std::string::npos;
    }
    if (t.tool == Tool::Pactl) {
        // "Mute: yes" or "Mute: no".
        auto out = run(t.path, {QStringLiteral("get-source-mute"), kPactlSource});
        if (!out) return std::nullopt;
        if (out->rfind("Mute: yes", 0) == 0) return true;
        if (out->rfind("Mute: no", 0) == 0) return false;
    }
    return std::nullopt;
}

bool DesktopAudioInput::setBooleanValue(platform::AudioObject control, bool value) {
    if (control != kSourceMute) return false;
    const Found t = tool();
    const QString flag = value ? QStringLiteral("1") : QStringLiteral("0");
    if (t.tool == Tool::Wpctl) return run(t.path, {QStringLiteral("set-mute"), kWpctlSource, flag}).has_value();
    if (t.tool == Tool::Pactl) return run(t.path, {QStringLiteral("set-source-mute"), kPactlSource, flag}).has_value();
    return false;
}

} // namespace corv::desktop
