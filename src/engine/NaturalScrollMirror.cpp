#include "engine/NaturalScrollMirror.h"

#include "model/Shared.h"
#include "model/UIState.h"

namespace corv::engine {

NaturalScrollMirror& NaturalScrollMirror::shared() {
    // Shared instances cannot reach for one another while being made, so the
    // mirror starts following after it exists. A second caller waits until
    // the value has been copied.
    auto& mirror = Shared<NaturalScrollMirror>::instance();
    std::call_once(mirror.following_, [&mirror] { mirror.follow(); });
    return mirror;
}

void NaturalScrollMirror::follow() {
    auto& field = UIState::shared().naturalScroll;
    value_ = field.get();
    subscription_ = field.subscribe([this](const bool& v) { value_ = v; });
}

} // namespace corv::engine
