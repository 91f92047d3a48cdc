#pragma once

// The binding a key row edits: a general row's slot (application, key code,
// modifier mask) or a Logitech row's (keyboard record, control id) at mask 0.
// Reads and writes find the slot afresh each time and never create it.

#include "model/Apps.h"
#include "model/BindAction.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace corv::ui::keyboard {

inline constexpr std::uint64_t kPlaceholderKey = 0xFFFF;

struct KeySlotRef {
    bool logi = false;
    std::string appid;          // general: the application the row was built for
    std::uint64_t key = 0;
    std::uint64_t mod = 0;
    std::int64_t optIdx = -1;   // Logitech: the record in LogiKeysOpt.k
    std::uint16_t cid = 0;

    static KeySlotRef general(std::string appid, std::uint64_t key, std::uint64_t mod);
    static KeySlotRef control(std::int64_t optIdx, std::uint16_t cid);
    bool globalProfile() const { return !logi && appid.empty(); }
};

std::optional<BindAction> readSlot(const KeySlotRef& s);
// Changes the slot in place as one published change; false when the slot,
// its entry or its record is gone.
bool editSlot(const KeySlotRef& s, const std::function<void(BindAction&)>& edit);

// Removes key[k][m] and the level left empty; true when something went.
bool removeKeySlot(KeyBindings& map, std::uint64_t k, std::uint64_t m);

// For an edit of the global profile's slot (k, m) whose binding was `old`:
// every unlocked application holding a binding equal to `old` there, with a
// level for k, takes the global slot as it is now (or loses its slot when
// the global one is gone). Nothing for an absent `old`.
void carryGlobalSlot(std::uint64_t k, std::uint64_t m, const std::optional<BindAction>& old);

} // namespace corv::ui::keyboard
