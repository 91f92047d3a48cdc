#pragma once

// One trackpad gesture in progress and the bindings found for it.

#include "model/BindAction.h"
#include "model/Gesture.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace corv::platform {
class Event;
} // namespace corv::platform

namespace corv {

enum class GesPhase { NotYet, In, Done };

// The bindings of a gesture's direction and of the opposite one.
struct GesBinding {
    ActDir dir = ActDir::None;
    std::optional<BindAction> binding;  // found for `dir`
    std::uint64_t keyMod = 0;           // held modifiers `binding` does not use, as event flags
    std::optional<BindAction> bindingOppo;
    std::uint64_t keyModOppo = 0;
};

// Made at the first event of a gesture and kept in the active-gesture table;
// held by shared_ptr, never copied.
class GesItem {
public:
    GesItem();
    ~GesItem();
    GesItem(const GesItem&) = delete;
    GesItem& operator=(const GesItem&) = delete;

    GesPhase state = GesPhase::NotYet;
    GesBinding map;
    std::int64_t step = 0;
    std::int64_t lastStep = 0;
    double x = 0;
    double delta = 0;
    std::uint64_t gesFCnt = 0;
    std::int64_t maxDepth = 0;
    GesBinding click2;
    std::shared_ptr<platform::Event> heldDown;  // an input event held back
    const void* heldProxy = nullptr;            // event-tap proxy of the held event
    bool started = false;
    bool ended = false;
    bool pass = false;
    std::int64_t count = 0;
    bool won = false;
    std::shared_ptr<platform::Event> heldPhase1;  // an input event held back
};

} // namespace corv
