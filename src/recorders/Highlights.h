#pragma once

// The highlighted row of the settings panel: a gesture row, a key row, a
// Logitech control row or a physical key. Setting a gesture, key or control
// highlight switches the key-capture tap on, clearing it switches it off.

#include "model/DeviceName.h"
#include "model/Gesture.h"
#include "model/Observable.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace corv::recorders {

struct GesHilited {
    std::uint64_t fgr = 0;  // 0: no gesture row
    ActGes ges = ActGes::None;
    std::uint64_t mod = 0;
    ActDir dir = ActDir::None;
    bool operator==(const GesHilited&) const = default;
};

struct KeyHilited {
    std::optional<std::uint64_t> key;  // absent: no key row
    std::uint64_t mod = 0;
    bool src = false;  // the row's trigger is being recorded, not its action
    bool operator==(const KeyHilited&) const = default;
};

struct CidHilited {
    std::int64_t optIdx = 0;  // index into LogiKeysOpt.k
    std::optional<std::uint16_t> cid;  // absent: no control row
    bool operator==(const CidHilited&) const = default;
};

class GesHi : public ObservableObject {
public:
    GesHi();
    static GesHi& shared();

    Published<GesHilited> h{willChange_};
    // The user clicked the row rather than performing the gesture.
    Published<bool> byClick{willChange_, false};

    // Identity of the highlighted gesture, for views rebuilt when it changes.
    std::size_t hHash() const;

private:
    // The value the observer last switched for.
    GesHilited seen_;
};

class KeyHighlighted : public ObservableObject {
public:
    KeyHighlighted();
    static KeyHighlighted& shared();

    Published<KeyHilited> h{willChange_};

private:
    // The value the observer last switched for.
    KeyHilited seen_;
};

class LogiKeybHighlighted : public ObservableObject {
public:
    LogiKeybHighlighted();
    static LogiKeybHighlighted& shared();

    Published<CidHilited> h{willChange_};

private:
    // The value the observer last switched for.
    CidHilited seen_;
};

// Switches nothing itself; while set it keeps the key and control rows from
// switching the tap.
class PhyKeyHighlighted : public ObservableObject {
public:
    // Hands the engine's keyboard manager this highlight to read and move.
    PhyKeyHighlighted();
    static PhyKeyHighlighted& shared();

    Published<std::optional<std::uint64_t>> usage{willChange_};  // HID usage; absent: none
    Published<DeviceName> name{willChange_};
    Published<std::int64_t> reportDescSum{willChange_, 0};
    Published<bool> src{willChange_, false};
};

} // namespace corv::recorders
