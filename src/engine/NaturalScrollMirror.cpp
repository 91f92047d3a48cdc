#include "engine/NaturalScrollMirror.h"

#include "model/Shared.h"
#include "model/UIState.h"

namespace corv::engine {

NaturalScrollMirror& NaturalScrollMirror::shared() {
    // Shared instances cannot reach for one another while being made, so the
    // mirror starts following after it exists.
    auto& mirror = Shared<NaturalScrollMirror>::instance();
    bool notYet = false;
    if (mirror.following_.compare_exchange_strong(notYet, true)) mirror.follow();
    return mirror;
}

void NaturalScrollMirror::follow() {
    auto& field = UIState::shared().naturalScroll;
    value_ = field.get();
    subscription_ = field.subscribe([this](const bool& v) { value_ = v; });
}

} // namespace corv::engine
