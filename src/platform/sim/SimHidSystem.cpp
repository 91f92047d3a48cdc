#include "platform/sim/SimHidSystem.h"

#include "platform/sim/TakeFront.h"

namespace corv::sim {

namespace {
constexpr int kBadArgument = static_cast<int>(0xE00002C2);
constexpr std::size_t kRepeatOffset = 2;
} // namespace

std::uint16_t SimHidSystem::Post::keyCode() const {
    const std::size_t o = platform::kHidEventDataKeyCodeOffset;
    return static_cast<std::uint16_t>(data[o] | (data[o + 1] << 8));
}

platform::HidHandle SimHidSystem::open() {
    ++openCalls;
    if (journal) journal->note("hid system open");
    if (failOpen) return 0;
    platform::HidHandle h = next_++;
    openHandles.insert(h);
    return h;
}

void SimHidSystem::close(platform::HidHandle handle) {
    closed.push_back(handle);
    openHandles.erase(handle);
}

int SimHidSystem::post(platform::HidHandle handle, std::uint32_t eventType, platform::HidPoint location,
                       const platform::HidEventData& data, std::uint32_t dataVersion, std::uint32_t eventFlags,
                       std::uint32_t options) {
    if (openHandles.count(handle) == 0) return kBadArgument;
    Post p{handle, eventType, location, data, dataVersion, eventFlags, options};
    posts.push_back(p);

    if (eventType == platform::eventType::KeyDown || eventType == platform::eventType::KeyUp ||
        eventType == platform::eventType::FlagsChanged) {
        platform::Event e;
        e.setType(eventType);
        e.setIntegerField(platform::field::KeyboardKeycode, p.keyCode());
        if (eventType == platform::eventType::KeyDown) {
            auto repeat = static_cast<std::int16_t>(data[kRepeatOffset] | (data[kRepeatOffset + 1] << 8));
            e.setIntegerField(platform::field::KeyboardAutorepeat, repeat != 0 ? 1 : 0);
        }
        e.setFlags(eventFlags);
        events_.inject(e);
    }
    return 0;
}

SimHidSystem::Post SimHidSystem::takePost() {
    return takeFront(posts, "the HID posts");
}

} // namespace corv::sim
