#pragma once

// The processes under a test's own. The test program adopts what its
// children leave (it is their subreaper), so a daemon a compositor started
// stays under it after the compositor has gone; a test that ends with a
// process under it that it did not find at its start fails, and the process
// is ended.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corv::test {

// Every living process under the one, each after its parent (one that has
// ended, not yet reaped, is left out).
inline std::vector<pid_t> descendantsOf(pid_t root) {
    std::set<pid_t> ended;
    std::multimap<pid_t, pid_t> children;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(proc)) {
            const pid_t pid = std::atoi(entry->d_name);
            std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
            std::string line;
            if (pid <= 0 || !std::getline(stat, line)) continue;
            // The name in brackets may hold anything; the parent follows the state.
            std::istringstream after(line.substr(line.rfind(')') + 1));
            char state = 0;
            pid_t parent = 0;
            if (!(after >> state >> parent)) continue;
            children.emplace(parent, pid);
            if (state == 'Z') ended.insert(pid);
        }
        ::closedir(proc);
    }
    std::vector<pid_t> out;
    for (std::vector<pid_t> level{root}; !level.empty();) {
        std::vector<pid_t> next;
        for (const pid_t pid : level)
            for (auto [it, end] = children.equal_range(pid); it != end; ++it) next.push_back(it->second);
        std::copy_if(next.begin(), next.end(), std::back_inserter(out), [&](pid_t pid) { return !ended.count(pid); });
        level = std::move(next);
    }
    return out;
}

inline std::string commandOf(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    std::string command((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::replace(command.begin(), command.end(), '\0', ' ');
    return command.empty() ? "?" : command.substr(0, command.size() - 1);
}

// Processes held by pid descriptors, so that a number used again by another
// process is never signalled.
class HeldProcesses {
public:
    explicit HeldProcesses(const std::vector<pid_t>& pids) {
        for (const pid_t pid : pids)
            if (const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); fd >= 0) held_.emplace_back(pid, fd);
    }
    ~HeldProcesses() {
        for (const auto& [pid, fd] : held_)
            if (fd >= 0) ::close(fd);
    }
    HeldProcesses(const HeldProcesses&) = delete;
    HeldProcesses& operator=(const HeldProcesses&) = delete;

    void signal(int sig) const {
        for (const auto& [pid, fd] : held_)
            if (fd >= 0) ::syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0);
    }
    // Waits up to the time for them to end, reaping those that came to this
    // process; those still running.
    std::vector<pid_t> waitFor(std::chrono::milliseconds time) {
        const auto until = std::chrono::steady_clock::now() + time;
        std::vector<pid_t> running;
        for (auto& [pid, fd] : held_) {
            pollfd p{fd, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (fd < 0) continue;
            if (::poll(&p, 1, int(std::max<long>(left.count(), 0))) > 0) {
                ::waitpid(pid, nullptr, WNOHANG);
                ::close(std::exchange(fd, -1));
            } else {
                running.push_back(pid);
            }
        }
        return running;
    }
    // Asks them to end, and kills those that do not within the time.
    void end(std::chrono::milliseconds time = std::chrono::seconds(5)) {
        signal(SIGTERM);
        if (waitFor(time).empty()) return;
        signal(SIGKILL);
        waitFor(std::chrono::seconds(5));
    }

private:
    std::vector<std::pair<pid_t, int>> held_;
};

// Adopts the processes the test's children leave, and holds each test, and
// each suite with what it shares, to ending what it started.
inline void endEachTestsProcesses() {
    class Watch final : public ::testing::EmptyTestEventListener {
        void OnTestSuiteStart(const ::testing::TestSuite&) override { suite_ = now(); }
        void OnTestStart(const ::testing::TestInfo&) override { test_ = now(); }
        void OnTestEnd(const ::testing::TestInfo& info) override {
            check(test_, std::string(info.test_suite_name()) + "." + info.name());
        }
        void OnTestSuiteEnd(const ::testing::TestSuite& suite) override { check(suite_, suite.name()); }

        static std::set<pid_t> now() {
            const auto all = descendantsOf(::getpid());
            return {all.begin(), all.end()};
        }
        static void check(const std::set<pid_t>& before, const std::string& who) {
            std::vector<pid_t> left;
            for (const pid_t pid : descendantsOf(::getpid()))
                if (!before.count(pid)) left.push_back(pid);
            // One on its way out (a detached start whose program is missing) may take a moment.
            HeldProcesses held(left);
            left = held.waitFor(std::chrono::seconds(2));
            if (left.empty()) return;
            std::string named;
            for (const pid_t pid : left) named += "\n  " + std::to_string(pid) + " " + commandOf(pid);
            ADD_FAILURE() << who << " left processes running:" << named;
            held.end(std::chrono::seconds(1));
        }

        std::set<pid_t> suite_, test_;
    };
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watch);
}

} // namespace corv::test
