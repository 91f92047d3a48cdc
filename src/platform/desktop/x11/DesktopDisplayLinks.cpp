#include "platform/desktop/x11/DesktopDisplayLinks.h"

#include <QGuiApplication>
#include <QScreen>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace corv::desktop {

namespace {

constexpr double kDefaultRate = 60.0;
// Rates outside this range are taken for a screen's mistake.
constexpr double kMinRate = 1.0;
constexpr double kMaxRate = 1000.0;

double screensRate() {
    double best = 0;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->refreshRate() >= kMinRate && screen->refreshRate() <= kMaxRate)
                best = std::max(best, screen->refreshRate());
    return best > 0 ? best : kDefaultRate;
}

std::uint64_t hostNow() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

} // namespace

// One link: a thread that calls the output once per period while running.
// The thread holds its state itself, so a link let go of from its own
// callback ends safely.
class DesktopDisplayLinks::Link {
public:
    Link(platform::DisplayLinkRef ref, double rate) : state_(std::make_shared<State>(ref, rate)) {
        thread_ = std::thread([state = state_] { state->loop(); });
    }
    ~Link() {
        {
            std::lock_guard lock(state_->mutex);
            state_->quit = true;
        }
        state_->wake.notify_all();
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }

    void setOutput(platform::DisplayLinkOutput output) { state_->output.store(output); }
    void setRunning(bool on) {
        {
            std::lock_guard lock(state_->mutex);
            state_->running = on;
        }
        state_->wake.notify_all();
    }
    bool running() {
        std::lock_guard lock(state_->mutex);
        return state_->running;
    }
    double rate() const { return state_->rate; }

private:
    struct State {
        State(platform::DisplayLinkRef r, double hz) : ref(r), rate(hz) {}

        void loop() {
            using clock = std::chrono::steady_clock;
            const auto period =
                std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(1.0 / rate));
            auto next = clock::now();
            std::unique_lock lock(mutex);
            while (!quit) {
                if (!running) {
                    wake.wait(lock, [this] { return quit || running; });
                    next = clock::now() + period;
                    continue;
                }
                if (wake.wait_until(lock, next, [this] { return quit || !running; })) continue;
                // A late frame is not made up for: the next keeps to the beat,
                // at least half a period after this one.
                const auto now = clock::now();
                next += period;
                while (next < now + period / 2) next += period;
                const auto out = output.load();
                if (!out) continue;
                lock.unlock();
                out(ref, hostNow());
                lock.lock();
            }
        }

        const platform::DisplayLinkRef ref;
        const double rate;
        std::atomic<platform::DisplayLinkOutput> output{nullptr};
        std::mutex mutex;
        std::condition_variable wake;
        bool running = false;
        bool quit = false;
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
};

DesktopDisplayLinks::DesktopDisplayLinks() = default;

DesktopDisplayLinks::~DesktopDisplayLinks() { stopAll(); }

void DesktopDisplayLinks::stopAll() {
    std::map<platform::DisplayLinkRef, std::shared_ptr<Link>> links;
    {
        std::lock_guard lock(mutex_);
        links.swap(links_);
    }
}

std::shared_ptr<DesktopDisplayLinks::Link> DesktopDisplayLinks::find(platform::DisplayLinkRef link) {
    std::lock_guard lock(mutex_);
    auto it = links_.find(link);
    return it == links_.end() ? nullptr : it->second;
}

platform::DisplayLinkRef DesktopDisplayLinks::createWithActiveDisplays() {
    const double rate = testRate_ > 0 ? testRate_ : screensRate();
    std::lock_guard lock(mutex_);
    const platform::DisplayLinkRef ref = next_++;
    links_.emplace(ref, std::make_shared<Link>(ref, rate));
    return ref;
}

void DesktopDisplayLinks::setOutputCallback(platform::DisplayLinkRef link, platform::DisplayLinkOutput callback) {
    if (auto l = find(link)) l->setOutput(callback);
}

void DesktopDisplayLinks::start(platform::DisplayLinkRef link) {
    if (auto l = find(link)) l->setRunning(true);
}

void DesktopDisplayLinks::stop(platform::DisplayLinkRef link) {
    if (auto l = find(link)) l->setRunning(false);
}

bool DesktopDisplayLinks::isRunning(platform::DisplayLinkRef link) {
    auto l = find(link);
    return l && l->running();
}

void DesktopDisplayLinks::release(platform::DisplayLinkRef link) {
    std::shared_ptr<Link> gone;
    {
        std::lock_guard lock(mutex_);
        auto it = links_.find(link);
        if (it == links_.end()) return;
        gone = std::move(it->second);
        links_.erase(it);
    }
    gone->setRunning(false);
}

platform::RefreshPeriod DesktopDisplayLinks::nominalOutputRefreshPeriod(platform::DisplayLinkRef link) {
    auto l = find(link);
    if (!l) return {};
    // Microseconds per frame.
    constexpr std::int32_t kScale = 1000000;
    return platform::RefreshPeriod{static_cast<std::int64_t>(kScale / l->rate() + 0.5), kScale};
}

} // namespace corv::desktop
