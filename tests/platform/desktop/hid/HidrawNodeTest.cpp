// The node's thread, on a FIFO standing in for a device that takes a write
// slowly (closing must not wait for the device) or not whole.

#include "platform/desktop/hid/HidrawNode.h"
#include "platform/desktop/DesktopRunLoop.h"

#include "support/OpenFiles.h"
#include "support/PrivateBus.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace corv::desktop {
namespace {

using test::descriptorsOn;

TEST(HidrawNode, ClosingDoesNotWaitForAWriteTheDeviceHasNotTaken) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string fifo = tmp.filePath("hidraw0").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int drain = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(drain, 0);

    DesktopRunLoop loop;
    HidrawNode node(loop);
    ASSERT_EQ(node.open(fifo, [](const std::vector<std::uint8_t>&) {}), 0);
    // The node's own descriptor blocks on writes, as a device's does while it
    // has not taken the report.
    std::vector<int> nodeFds = descriptorsOn(fifo);
    std::erase(nodeFds, drain);
    ASSERT_EQ(nodeFds.size(), 1u);
    ASSERT_EQ(::fcntl(nodeFds[0], F_SETFL, ::fcntl(nodeFds[0], F_GETFL) & ~O_NONBLOCK), 0);

    // Twice what the pipe holds: the write stays in the kernel until drained.
    const std::size_t size = 2 * static_cast<std::size_t>(::fcntl(drain, F_GETPIPE_SZ));
    ASSERT_TRUE(node.write(std::vector<std::uint8_t>(size, 0x10)));
    pollfd full{drain, POLLIN, 0};
    ASSERT_EQ(::poll(&full, 1, 10000), 1);

    // A stand-in for the device's time-out: drains the pipe once close() has
    // returned, or after a long wait if it does not.
    std::mutex m;
    std::condition_variable cv;
    bool closed = false;
    bool gaveUp = false;
    std::size_t drained = 0;
    std::thread device([&] {
        {
            std::unique_lock<std::mutex> hold(m);
            gaveUp = !cv.wait_for(hold, std::chrono::seconds(20), [&] { return closed; });
        }
        while (drained < size) {
            pollfd p{drain, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0) break;
            std::uint8_t buf[4096];
            const ssize_t n = ::read(drain, buf, sizeof buf);
            if (n <= 0) break;
            drained += static_cast<std::size_t>(n);
        }
    });
    node.close();
    {
        std::lock_guard<std::mutex> hold(m);
        closed = true;
    }
    cv.notify_all();
    device.join();
    EXPECT_FALSE(gaveUp);
    EXPECT_FALSE(node.isOpen());
    EXPECT_EQ(drained, size);

    // Once the device has taken it, the thread ends and the node is closed.
    EXPECT_TRUE(test::spinUntil([&] { return descriptorsOn(fifo) == std::vector<int>{drain}; }, 10000));
    ::close(drain);
}

TEST(HidrawNode, AReportTheDeviceDoesNotTakeWholeIsRefusedOnTheMainLoop) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string fifo = tmp.filePath("hidraw0").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int drain = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(drain, 0);
    const std::size_t size = 2 * static_cast<std::size_t>(::fcntl(drain, F_GETPIPE_SZ));

    DesktopRunLoop loop;
    HidrawNode node(loop);
    ASSERT_EQ(node.open(fifo, [](const std::vector<std::uint8_t>&) {}), 0);
    std::vector<std::string> refused;
    std::vector<std::thread::id> threads;
    auto refusal = [&](std::string which) {
        return [&, which] {
            refused.push_back(which);
            threads.push_back(std::this_thread::get_id());
        };
    };
    // The node's descriptor does not block: the pipe takes only what fits.
    ASSERT_TRUE(node.write({0x10, 0xFF, 0x81, 0x00}, refusal("whole")));
    ASSERT_TRUE(node.write(std::vector<std::uint8_t>(size, 0x11), refusal("in part")));
    EXPECT_TRUE(test::spinUntil([&] { return !refused.empty(); }, 5000));
    test::spinUntil([] { return false; }, 100);
    EXPECT_EQ(refused, std::vector<std::string>{"in part"});
    EXPECT_EQ(threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    node.close();
    ::close(drain);
}

} // namespace
} // namespace corv::desktop
