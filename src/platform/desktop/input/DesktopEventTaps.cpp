#include "platform/desktop/input/DesktopEventTaps.h"

#include <unistd.h>

namespace corv::desktop {

DesktopEventTaps::DesktopEventTaps(platform::RunLoop& loop, DesktopInputConfig config)
    : chain(loop), input(loop, chain, std::move(config)) {
    chain.onOutcome = [this](platform::TapChain::Token token, std::optional<platform::Event> event) {
        input.outcome(token, std::move(event));
    };
    chain.onChange = [this] { input.tapsChanged(); };
}

std::optional<std::vector<platform::EventTapInfo>> DesktopEventTaps::tapList() {
    auto list = chain.list(static_cast<std::int32_t>(::getpid()));
    auto others = input.interferingTaps();
    list.insert(list.end(), others.begin(), others.end());
    return list;
}

} // namespace corv::desktop
