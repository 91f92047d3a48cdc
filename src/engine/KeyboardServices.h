#pragma once

// The keyboards as HID event-system services: the list the keyboard tab
// shows, a substitution record for every keyboard model, and the key mapping
// written to each keyboard's service. Main thread.

#include "model/KeySub.h"
#include "model/Observable.h"
#include "platform/HidEventSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::engine {

inline constexpr const char* kUserKeyMappingKey = "UserKeyMapping";
inline constexpr const char* kMappingSrcKey = "HIDKeyboardModifierMappingSrc";
inline constexpr const char* kMappingDstKey = "HIDKeyboardModifierMappingDst";
inline constexpr std::int64_t kLogitechVendorId = 0x46D;

// A keyboard service and its name: its product, or its receiver kind.
struct KeySubData {
    platform::HidService service = 0;
    std::string name;
    bool operator==(const KeySubData&) const = default;
};

class KeyData : public ObservableObject {
public:
    static KeyData& shared();

    // In the order the services were added.
    Published<std::vector<KeySubData>> k{willChange_};
};

struct KeyboardServiceClient {
    // Made on first use; 0 when it could not be made.
    platform::HidClient client = 0;
    bool clientMade = false;

    static KeyboardServiceClient& shared();
};

// "Bolt Receiver", "Unifying Receiver" or "Lightspeed Receiver" for a
// Logitech receiver's vendor and product id; nothing for anything else.
std::optional<std::string> receiverKindName(std::optional<std::int64_t> vendorId,
                                            std::optional<std::int64_t> productId);

// The "UserKeyMapping" entries of the pairs, in order: src → dst when they
// differ, then dst → src for a two-way pair. Unpaired tails give nothing.
platform::HidPropertyArray userKeyMappingEntries(const KeySub& keySub);

// The position in KeySubOpt.keySub of the first record of the listed
// service's keyboard: same name, maker ("Unknown" when missing) and report
// descriptor sum. Nothing when no record matches.
std::optional<std::size_t> keySubIndexOf(const KeySubData& entry);

// At launch: sets up every keyboard service present and to come.
void startHidServiceWatch();
void setupHidService(platform::HidService service);
void removeHidService(platform::HidService service);
// Writes the mapping of the service's own substitution record.
void applyModifierMapping(platform::HidService service);
// Writes the record's mapping to the first listed service of its keyboard.
void applyKeySubMapping(const KeySub& keySub);
// An empty mapping on every listed service (substitution off, termination).
void clearKeyMappings();

} // namespace corv::engine
