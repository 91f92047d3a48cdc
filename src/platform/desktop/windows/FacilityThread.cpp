#include "platform/desktop/windows/FacilityThread.h"

#include "platform/desktop/shell/DesktopTrace.h"

#include <cerrno>
#include <cstdio>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

// Commands waiting at most: more go nowhere while the thread is held up.
constexpr std::size_t kMaxQueued = 64;

} // namespace

FacilityThread::FacilityThread(std::string name, CompositorCache& cache, Connect connect)
    : name_(std::move(name)), cache_(cache), connect_(std::move(connect)),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FacilityThread::~FacilityThread() {
    stop_ = true;
    wake();
    {
        std::lock_guard lock(mutex_);
        // A compositor that stopped answering leaves the thread in a call.
        if (link_) link_->interrupt();
    }
    if (thread_.joinable()) thread_.join();
    if (wake_ >= 0) ::close(wake_);
}

void FacilityThread::start(std::unique_ptr<FacilityLink> first) {
    {
        std::lock_guard lock(mutex_);
        link_ = std::move(first);
    }
    linked_ = true;
    thread_ = std::thread([this] { run(); });
}

void FacilityThread::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wake_, &one, sizeof one);
}

bool FacilityThread::post(Command command) {
    if (!linked_ || wake_ < 0) return false;
    {
        std::lock_guard lock(mutex_);
        if (commands_.size() >= kMaxQueued) return false;
        commands_.push_back(std::move(command));
    }
    wake();
    return true;
}

void FacilityThread::waitFor(std::chrono::milliseconds time) {
    pollfd fd{wake_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(time.count())) > 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(wake_, &count, sizeof count);
    }
}

void FacilityThread::lose() {
    linked_ = false;
    std::unique_ptr<FacilityLink> gone;
    {
        std::lock_guard lock(mutex_);
        gone = std::move(link_);
        commands_.clear();
    }
    gone.reset();
    cache_.forget();
    if (stop_) return;
    if (traceEnabled()) trace((name_ + ": the connection broke").c_str());
    if (!saidBlind_)
        std::fprintf(stderr, "corvadine: %s does not answer; the application in front is unknown until it does\n",
                     name_.c_str());
    saidBlind_ = true;
}

bool FacilityThread::link(std::unique_ptr<FacilityLink> next) {
    FacilityLink* link = next.get();
    {
        std::lock_guard lock(mutex_);
        link_ = std::move(next);
    }
    // Commands from now on wait for what is asked first.
    linked_ = true;
    if (stop_ || !link->begin()) return false;
    if (saidBlind_) std::fprintf(stderr, "corvadine: %s answers again\n", name_.c_str());
    saidBlind_ = false;
    return true;
}

void FacilityThread::run() {
    FacilityLink* link = link_.get();
    if (!link->begin()) lose();
    auto retry = kFirstRetry;
    while (!stop_) {
        if (!linked_) {
            waitFor(retry);
            if (stop_) break;
            retry = std::min(retry * 2, kLastRetry);
            auto next = connect_();
            if (!next) continue;
            link = next.get();
            if (!this->link(std::move(next))) {
                lose();
                continue;
            }
            retry = kFirstRetry;
        }
        const int fd = link->prepare();
        if (fd < 0) {
            lose();
            continue;
        }
        pollfd fds[2] = {{wake_, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            link->serve(false);
            lose();
            continue;
        }
        if (!link->serve((fds[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0)) {
            lose();
            continue;
        }
        if (!fds[0].revents) continue;
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(wake_, &count, sizeof count);
        std::deque<Command> commands;
        {
            std::lock_guard lock(mutex_);
            commands.swap(commands_);
        }
        for (auto& command : commands)
            if (!command(*link)) {
                lose();
                break;
            }
    }
    if (linked_) lose();
}

} // namespace corv::desktop
