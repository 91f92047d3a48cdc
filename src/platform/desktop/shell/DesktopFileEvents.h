#pragma once

#include "platform/FileEvents.h"

namespace corv::desktop {

// This desktop makes no file-event streams.
class DesktopFileEvents final : public platform::FileEvents {
public:
    std::unique_ptr<platform::FileEventStream> createStream(const std::vector<std::string>&, double,
                                                            platform::FileEventCallback) override {
        return nullptr;
    }
};

} // namespace corv::desktop
