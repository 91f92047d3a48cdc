#pragma once

// What the program holds of the machine's input, as bare descriptors: the
// event nodes it grabbed with their clones, its posting device and the keys
// that device holds. The main thread keeps it; any thread, a signal handler
// included, lets all of it go with plain system calls, no lock and no
// allocation.

#include <linux/input.h>

#include <atomic>
#include <cstdint>

namespace corv::desktop {

class GrabTable {
public:
    static constexpr int kSlots = 128;

    // The one table of the process.
    static GrabTable& process();

    // Main thread. A grabbed node and its clone's uinput descriptor; false
    // when the table is full.
    bool add(int nodeFd, int cloneFd);
    // Before the node's descriptors close.
    void remove(int nodeFd);
    // The posting device's uinput descriptor; -1 before it closes.
    void setPosting(int fd);
    // A key the posting device pressed or lifted.
    void posted(std::uint16_t code, bool down);
    // The posting device's keys, as it holds them now.
    void forgetPosted();

    // Any thread, async-signal-safe.
    // Lifts every key the posting device holds.
    void liftPosted();
    // Lets every node go and destroys their clones (the kernel lifts what a
    // destroyed device held).
    void letGoNodes();
    // All of it: the nodes, the clones and the posting device.
    void releaseAll();
    // Whether a node is grabbed or the posting device holds a key.
    bool holdsInput() const;

private:
    struct Slot {
        std::atomic<int> node{-1};
        std::atomic<int> clone{-1};
    };
    // Waits for a release under way on another thread to finish with the
    // descriptors, so that none is used after it closes.
    void quiesce() const;

    Slot slots_[kSlots];
    std::atomic<int> posting_{-1};
    std::atomic<std::uint64_t> keys_[(KEY_MAX + 64) / 64] = {};
    mutable std::atomic<int> users_{0};
};

} // namespace corv::desktop
