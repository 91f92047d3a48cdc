#pragma once

#include "platform/Bundle.h"

namespace corv::desktop {

// The running program, as the QCoreApplication knows it.
class DesktopBundle final : public platform::Bundle {
public:
    std::optional<std::string> shortVersion() const override;
    std::string path() const override;
    std::vector<std::string> arguments() const override;
};

} // namespace corv::desktop
