#pragma once

// A Unix socket of the test's that passes each connection on to another
// socket, both ways, byte for byte (no descriptors), and can send the
// clients bytes of its own, as a compositor gone wrong would. The socket it
// passes to may change, as after a compositor's restart.

#include <QString>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corv::test {

class SocketRelay {
public:
    SocketRelay(const QString& path, const QString& target) : path_(path.toStdString()), target_(target.toStdString()) {
        const sockaddr_un address = addressOf(path_);
        if (::bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(listen_, 8) == 0 &&
            ::pipe(wake_) == 0)
            thread_ = std::thread([this] { run(); });
    }
    ~SocketRelay() {
        stop_ = true;
        inject({});
        if (thread_.joinable()) thread_.join();
        for (const auto& [client, upstream] : pairs_) ::close(client), ::close(upstream);
        for (int fd : {listen_, wake_[0], wake_[1]}) ::close(fd);
        ::unlink(path_.c_str());
    }

    QString path() const { return QString::fromStdString(path_); }
    int connections() const { return connections_; }
    void retarget(const QString& target) {
        std::lock_guard lock(mutex_);
        target_ = target.toStdString();
    }
    // Sends the bytes to every client connected now.
    void inject(const std::string& bytes) {
        {
            std::lock_guard lock(mutex_);
            injected_ += bytes;
        }
        [[maybe_unused]] const auto n = ::write(wake_[1], "x", 1);
    }

private:
    static sockaddr_un addressOf(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        return address;
    }
    static bool pass(int from, int to) {
        char buffer[65536];
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        return n > 0 && ::send(to, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
    }

    void run() {
        while (!stop_) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
            for (const auto& [client, upstream] : pairs_) fds.insert(fds.end(), {{client, POLLIN, 0}, {upstream, POLLIN, 0}});
            if (::poll(fds.data(), fds.size(), -1) < 0) continue;
            if (fds[0].revents) {
                char drain[64];
                [[maybe_unused]] const auto n = ::read(wake_[0], drain, sizeof drain);
                std::lock_guard lock(mutex_);
                for (const auto& [client, upstream] : pairs_) ::send(client, injected_.data(), injected_.size(), MSG_NOSIGNAL);
                injected_.clear();
            }
            if (fds[1].revents) accept();
            for (std::size_t i = 2; i + 1 < fds.size(); i += 2)
                if ((fds[i].revents && !pass(fds[i].fd, fds[i + 1].fd)) || (fds[i + 1].revents && !pass(fds[i + 1].fd, fds[i].fd))) {
                    ::close(fds[i].fd), ::close(fds[i + 1].fd);
                    pairs_.erase(fds[i].fd);
                }
        }
    }

    void accept() {
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        const int upstream = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        std::lock_guard lock(mutex_);
        const sockaddr_un address = addressOf(target_);
        if (::connect(upstream, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(upstream), ::close(client);
            return;
        }
        pairs_[client] = upstream;
        ++connections_;
    }

    std::string path_, target_, injected_;
    int listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::map<int, int> pairs_;  // client to upstream; the relay's thread only
    std::thread thread_;
};

} // namespace corv::test
