#pragma once

#include "platform/AudioInput.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace corv::desktop {

// The default audio source of PipeWire (through wpctl) or PulseAudio
// (through pactl), whichever tool is installed: one device with one input
// mute control. Each call runs the tool and waits for it, at most two
// seconds: call off the main thread.
class DesktopAudioInput final : public platform::AudioInput {
public:
    // `searchPath` empty: $PATH.
    explicit DesktopAudioInput(QString searchPath = {}) : searchPath_(std::move(searchPath)) {}

    std::optional<platform::AudioObject> defaultInputDevice() override;
    std::optional<std::vector<platform::AudioControl>> controls(platform::AudioObject device) override;
    std::optional<bool> booleanValue(platform::AudioObject control) override;
    bool setBooleanValue(platform::AudioObject control, bool value) override;

private:
    enum class Tool { None, Wpctl, Pactl };
    struct Found {
        Tool tool = Tool::None;
        QString path;
    };
    Found tool() const;
    std::optional<std::string> run(const QString& program, const QStringList& arguments) const;

    QString searchPath_;
};

} // namespace corv::desktop
