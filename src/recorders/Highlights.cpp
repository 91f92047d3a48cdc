#include "recorders/Highlights.h"

#include "model/Shared.h"
#include "recorders/CaptureTaps.h"

#include <functional>

namespace corv::recorders {

namespace {

bool noKeyRow() { return !KeyHighlighted::shared().h.get().key; }
bool noControlRow() { return !LogiKeybHighlighted::shared().h.get().cid; }
bool noPhysicalKey() { return !PhyKeyHighlighted::shared().usage.get(); }

// Switches on the first of the rows watched, off after the last; nothing
// while another of them holds the highlight.
void switchOnEdge(bool wasSet, bool isSet, bool othersClear) {
    if (wasSet == isSet || !othersClear) return;
    switchKeyRecorderTap(isSet);
}

} // namespace

// Each model keeps the value it held before the change announced on its
// signal, so that the observer knows the old value whoever assigns.

GesHi::GesHi() {
    snapshot_ = subscribeWillChange([this] { before_ = h.get(); });
    h.setObserver([this](const GesHilited& now) {
        const bool was = before_.fgr != 0;
        const bool is = now.fgr != 0;
        if (was != is) switchKeyRecorderTap(is);
    });
}

GesHi& GesHi::shared() { return Shared<GesHi>::instance(); }

std::size_t GesHi::hHash() const {
    const GesHilited& v = h.get();
    std::size_t seed = 0;
    auto feed = [&seed](std::uint64_t x) {
        seed ^= std::hash<std::uint64_t>{}(x) + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
    };
    feed(v.fgr);
    feed(static_cast<std::uint64_t>(raw(v.ges)));
    feed(v.mod);
    feed(raw(v.dir));
    return seed;
}

KeyHighlighted::KeyHighlighted() {
    snapshot_ = subscribeWillChange([this] { before_ = h.get(); });
    h.setObserver([this](const KeyHilited& now) {
        switchOnEdge(before_.key.has_value(), now.key.has_value(), noControlRow() && noPhysicalKey());
    });
}

KeyHighlighted& KeyHighlighted::shared() { return Shared<KeyHighlighted>::instance(); }

LogiKeybHighlighted::LogiKeybHighlighted() {
    snapshot_ = subscribeWillChange([this] { before_ = h.get(); });
    h.setObserver([this](const CidHilited& now) {
        switchOnEdge(before_.cid.has_value(), now.cid.has_value(), noKeyRow() && noPhysicalKey());
    });
}

LogiKeybHighlighted& LogiKeybHighlighted::shared() { return Shared<LogiKeybHighlighted>::instance(); }

PhyKeyHighlighted& PhyKeyHighlighted::shared() { return Shared<PhyKeyHighlighted>::instance(); }

} // namespace corv::recorders
