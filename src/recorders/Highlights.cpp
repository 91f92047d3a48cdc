#include "recorders/Highlights.h"

#include "engine/KeyboardHidManager.h"
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

// Each observer compares with the value its previous run saw: the old value
// of every assignment, also when another subscriber assigns again (to the
// highlight or any other field of the model) before the observer runs.

GesHi::GesHi() {
    h.setObserver([this](const GesHilited& now) {
        const bool was = seen_.fgr != 0;
        seen_ = now;
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
    h.setObserver([this](const KeyHilited& now) {
        const bool was = seen_.key.has_value();
        seen_ = now;
        switchOnEdge(was, now.key.has_value(), noControlRow() && noPhysicalKey());
    });
}

KeyHighlighted& KeyHighlighted::shared() { return Shared<KeyHighlighted>::instance(); }

LogiKeybHighlighted::LogiKeybHighlighted() {
    h.setObserver([this](const CidHilited& now) {
        const bool was = seen_.cid.has_value();
        seen_ = now;
        switchOnEdge(was, now.cid.has_value(), noKeyRow() && noPhysicalKey());
    });
}

LogiKeybHighlighted& LogiKeybHighlighted::shared() { return Shared<LogiKeybHighlighted>::instance(); }

PhyKeyHighlighted::PhyKeyHighlighted() {
    auto& seam = engine::PhysicalKeyHighlight::shared();
    seam.read = [] {
        auto& h = PhyKeyHighlighted::shared();
        return engine::PhysicalKeyWait{h.usage.get(), h.name.get(), h.reportDescSum.get(), h.src.get()};
    };
    seam.move = [](std::optional<std::uint64_t> usage, bool src) {
        auto& h = PhyKeyHighlighted::shared();
        h.usage.set(usage);
        h.src.set(src);
    };
}

PhyKeyHighlighted& PhyKeyHighlighted::shared() { return Shared<PhyKeyHighlighted>::instance(); }

} // namespace corv::recorders
