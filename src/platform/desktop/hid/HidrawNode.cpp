#include "platform/desktop/hid/HidrawNode.h"

#include <atomic>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corv::desktop {

// What the node's thread shares with the main thread.
struct HidrawNode::Io {
    int fd = -1;
    int wake = -1;  // eventfd: writes queued, or stop
    std::atomic<bool> stop{false};
    std::atomic<bool> gone{false};  // the device went away
    std::atomic<bool> writing{false};  // inside a write, which may block
    std::mutex lock;                 // guards queue
    struct Write {
        std::vector<std::uint8_t> report;
        HidrawNode::Refused refused;
    };
    std::deque<Write> queue;

    ~Io() {
        if (fd >= 0) ::close(fd);
        if (wake >= 0) ::close(wake);
    }
    void signal() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wake, &one, sizeof one);
    }
};

HidrawNode::HidrawNode(platform::RunLoop& loop) : loop_(loop) {}

HidrawNode::~HidrawNode() { close(); }

int HidrawNode::open(const std::string& devnode, ReportHandler onReport, FailedHandler onFailed) {
    close();
    auto io = std::make_shared<Io>();
    io->fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (io->fd < 0) return errno;
    io->wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (io->wake < 0) return errno;
    io_ = std::move(io);
    delivery_ = std::make_shared<Delivery>(Delivery{std::move(onReport), std::move(onFailed)});
    thread_ = std::thread(&HidrawNode::run, io_, &loop_, std::weak_ptr<Delivery>(delivery_));
    return 0;
}

void HidrawNode::close() {
    // Reports already posted find no delivery and are dropped.
    delivery_.reset();
    if (!io_) return;
    io_->stop.store(true);
    io_->signal();
    // A write to a device that does not answer blocks in the kernel until its
    // time-out; the thread is then left to finish it alone. It checks the stop
    // before it would post again, so it never reaches the run loop.
    if (thread_.joinable()) {
        if (io_->writing.load()) thread_.detach();
        else thread_.join();
    }
    io_.reset();
}

bool HidrawNode::write(std::vector<std::uint8_t> report, Refused refused) {
    if (!io_ || io_->gone.load() || report.empty()) return false;
    {
        std::lock_guard<std::mutex> hold(io_->lock);
        io_->queue.push_back({std::move(report), std::move(refused)});
    }
    io_->signal();
    return true;
}

void HidrawNode::run(std::shared_ptr<Io> io, platform::RunLoop* loop, std::weak_ptr<Delivery> delivery) {
    // A hidraw read gives one whole report; 4096 is the kernel's largest.
    std::vector<std::uint8_t> buf(4096);
    while (!io->stop.load()) {
        pollfd fds[2] = {{io->fd, POLLIN, 0}, {io->wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            io->gone.store(true);
            break;
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto n = ::read(io->wake, &count, sizeof count);
            std::deque<Io::Write> pending;
            {
                std::lock_guard<std::mutex> hold(io->lock);
                pending.swap(io->queue);
            }
            for (auto& w : pending) {
                // Set before the stop is read, so that close() sees either
                // this write or the thread seeing the stop.
                io->writing.store(true);
                if (io->stop.load()) {
                    io->writing.store(false);
                    break;
                }
                // A refused report is not retried; its requester hears of it.
                const ssize_t n = ::write(io->fd, w.report.data(), w.report.size());
                if (n < 0 && (errno == ENODEV || errno == EIO)) {
                    io->gone.store(true);
                }
                if (n != static_cast<ssize_t>(w.report.size()) && w.refused && !io->stop.load())
                    loop->postFromAnyThread(std::move(w.refused));
                io->writing.store(false);
            }
        }
        if (io->stop.load() || io->gone.load()) break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(io->fd, buf.data(), buf.size());
            if (n > 0) {
                loop->postFromAnyThread([delivery, report = std::vector<std::uint8_t>(buf.begin(), buf.begin() + n)] {
                    if (auto d = delivery.lock(); d && d->handler) d->handler(report);
                });
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            io->gone.store(true);
            break;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            io->gone.store(true);
            break;
        }
    }
    // A failure, not a close: the owner hears of it on the main loop.
    if (io->gone.load() && !io->stop.load()) {
        loop->postFromAnyThread([delivery] {
            if (auto d = delivery.lock(); d && d->failed) d->failed();
        });
    }
}

} // namespace corv::desktop
