#include "engine/KeyInterest.h"

#include "engine/EngineTaps.h"
#include "engine/HeldModifiers.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace corv::engine {

namespace {

struct KeyInterestState {
    Subscription bindings;
};

} // namespace

void updateKeyInterest() {
    // A key tap not made yet is told when it is.
    const TapSlot* slot = EngineTaps::shared().madeKeyTap();
    if (!slot || slot->tap == 0) return;
    std::optional<std::vector<std::uint16_t>> keys;
    if (HeldModifiers::shared().logiModifierFlags == 0) {
        keys.emplace();
        for (const auto& [id, entry] : Apps::shared().a.get())
            for (const auto& [key, byMask] : entry.key)
                if (key <= std::numeric_limits<std::uint16_t>::max() && !byMask.empty())
                    keys->push_back(static_cast<std::uint16_t>(key));
    }
    platform::eventTaps().setKeyFilter(slot->tap, std::move(keys));
}

void followKeyInterest() {
    Shared<KeyInterestState>::instance().bindings =
        Apps::shared().a.subscribe([](const AppEntries&) { updateKeyInterest(); });
    updateKeyInterest();
}

void stopFollowingKeyInterest() {
    Shared<KeyInterestState>::instance().bindings.reset();
    if (const TapSlot* slot = EngineTaps::shared().madeKeyTap(); slot && slot->tap != 0)
        platform::eventTaps().setKeyFilter(slot->tap, std::nullopt);
}

} // namespace corv::engine
