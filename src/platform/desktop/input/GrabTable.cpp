#include "platform/desktop/input/GrabTable.h"

#include <cerrno>
#include <linux/uinput.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

// Counts a release while it uses the descriptors.
class Use {
public:
    explicit Use(std::atomic<int>& users) : users_(users) { ++users_; }
    ~Use() { --users_; }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    std::atomic<int>& users_;
};

void writeAll(int fd, const input_event* events, std::size_t count) {
    const char* bytes = reinterpret_cast<const char*>(events);
    std::size_t left = count * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

GrabTable& GrabTable::process() {
    static GrabTable table;
    return table;
}

bool GrabTable::add(int nodeFd, int cloneFd) {
    for (Slot& slot : slots_) {
        int expected = -1;
        if (!slot.node.compare_exchange_strong(expected, nodeFd)) continue;
        slot.clone.store(cloneFd);
        return true;
    }
    return false;
}

void GrabTable::remove(int nodeFd) {
    if (nodeFd < 0) return;
    for (Slot& slot : slots_) {
        if (slot.node.load() != nodeFd) continue;
        slot.clone.store(-1);
        slot.node.store(-1);
    }
    quiesce();
}

void GrabTable::setPosting(int fd) {
    posting_.store(fd);
    if (fd < 0) {
        forgetPosted();
        quiesce();
    }
}

void GrabTable::posted(std::uint16_t code, bool down) {
    if (code > KEY_MAX) return;
    const std::uint64_t bit = std::uint64_t{1} << (code % 64);
    if (down) keys_[code / 64].fetch_or(bit);
    else keys_[code / 64].fetch_and(~bit);
}

void GrabTable::forgetPosted() {
    for (auto& word : keys_) word.store(0);
}

void GrabTable::quiesce() const {
    // A release is a few system calls; never wait long for one.
    for (int i = 0; i < 100000 && users_.load() > 0; ++i) ::sched_yield();
}

void GrabTable::liftPosted() {
    Use use(users_);
    const int fd = posting_.load();
    if (fd < 0) return;
    constexpr std::size_t kBatch = 64;
    input_event batch[kBatch + 1] = {};
    std::size_t n = 0;
    for (std::size_t w = 0; w < sizeof keys_ / sizeof keys_[0]; ++w) {
        std::uint64_t bits = keys_[w].exchange(0);
        while (bits) {
            const int b = __builtin_ctzll(bits);
            bits &= bits - 1;
            batch[n].type = EV_KEY;
            batch[n].code = static_cast<std::uint16_t>(w * 64 + static_cast<std::size_t>(b));
            batch[n].value = 0;
            if (++n == kBatch) {
                batch[n] = input_event{};  // SYN_REPORT
                writeAll(fd, batch, n + 1);
                n = 0;
            }
        }
    }
    if (n == 0) return;
    batch[n] = input_event{};
    writeAll(fd, batch, n + 1);
}

void GrabTable::letGoNodes() {
    Use use(users_);
    for (Slot& slot : slots_) {
        const int node = slot.node.load();
        const int clone = slot.clone.load();
        if (node >= 0) ::ioctl(node, EVIOCGRAB, 0);
        if (clone >= 0) ::ioctl(clone, UI_DEV_DESTROY);
    }
}

void GrabTable::releaseAll() {
    liftPosted();
    letGoNodes();
    Use use(users_);
    if (const int fd = posting_.load(); fd >= 0) ::ioctl(fd, UI_DEV_DESTROY);
}

bool GrabTable::holdsInput() const {
    for (const Slot& slot : slots_)
        if (slot.node.load() >= 0) return true;
    for (const auto& word : keys_)
        if (word.load() != 0) return true;
    return false;
}

} // namespace corv::desktop
