#include "platform/desktop/hid/HidReportDescriptor.h"

namespace corv::desktop {

namespace {

// Item types and tags of the short item prefix.
constexpr unsigned kMain = 0, kGlobal = 1, kLocal = 2;
constexpr unsigned kCollection = 0xA, kEndCollection = 0xC;
constexpr unsigned kUsagePage = 0x0, kReportId = 0x8, kPush = 0xA, kPop = 0xB;
constexpr unsigned kUsage = 0x0;
constexpr std::uint8_t kLongItem = 0xFE;
// A runaway push stack means a broken descriptor; stop growing it there.
constexpr std::size_t kMaxPushDepth = 64;

} // namespace

HidDescriptorSummary summarizeHidDescriptor(const std::uint8_t* data, std::size_t length) {
    HidDescriptorSummary out;
    std::uint32_t usagePage = 0;
    std::vector<std::uint32_t> pushed;
    // Local state, cleared by every main item: the first usage given.
    bool haveUsage = false;
    std::uint32_t firstUsage = 0;
    bool firstUsageExtended = false;
    int depth = 0;

    std::size_t at = 0;
    while (at < length) {
        const std::uint8_t prefix = data[at];
        if (prefix == kLongItem) {
            if (at + 1 >= length) break;
            const std::size_t size = data[at + 1];
            if (at + 3 + size > length) break;
            at += 3 + size;
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (at + 1 + size > length) break;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(data[at + 1 + i]) << (8 * i);
        const unsigned type = (prefix >> 2) & 3;
        const unsigned tag = prefix >> 4;
        at += 1 + size;

        if (type == kGlobal) {
            if (tag == kUsagePage) usagePage = value;
            else if (tag == kReportId) out.usesReportIds = true;
            else if (tag == kPush && pushed.size() < kMaxPushDepth) pushed.push_back(usagePage);
            else if (tag == kPop && !pushed.empty()) {
                usagePage = pushed.back();
                pushed.pop_back();
            }
        } else if (type == kLocal) {
            if (tag == kUsage && !haveUsage) {
                haveUsage = true;
                firstUsage = value;
                firstUsageExtended = size == 4;
            }
        } else if (type == kMain) {
            if (tag == kCollection) {
                if (depth == 0) {
                    HidCollectionUsage c;
                    if (haveUsage && firstUsageExtended) {
                        c.page = firstUsage >> 16;
                        c.usage = firstUsage & 0xFFFF;
                    } else {
                        c.page = usagePage;
                        c.usage = haveUsage ? firstUsage : 0;
                    }
                    out.topLevel.push_back(c);
                }
                ++depth;
            } else if (tag == kEndCollection && depth > 0) {
                --depth;
            }
            haveUsage = false;
        }
    }
    return out;
}

} // namespace corv::desktop
