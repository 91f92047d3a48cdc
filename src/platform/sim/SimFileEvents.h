#pragma once

#include "platform/FileEvents.h"

#include <memory>
#include <vector>

namespace corv::sim {

// Streams as records; the test reports changed files with `change`.
class SimFileEvents final : public platform::FileEvents {
public:
    struct Record {
        std::vector<std::string> folders;
        double latency = 0;
        platform::FileEventCallback callback;
        bool started = false;
        bool alive = true;
    };

    std::unique_ptr<platform::FileEventStream> createStream(const std::vector<std::string>& folders, double latency,
                                                            platform::FileEventCallback callback) override {
        if (failCreate) return nullptr;
        streams.push_back(std::make_shared<Record>(Record{folders, latency, std::move(callback)}));
        return std::make_unique<Stream>(streams.back());
    }

    // One batch of changed files, to every running stream.
    void change(const std::vector<std::string>& paths) {
        auto all = streams;
        for (auto& s : all)
            if (s->alive && s->started && s->callback) s->callback(paths);
    }

    bool failCreate = false;
    std::vector<std::shared_ptr<Record>> streams;

private:
    class Stream final : public platform::FileEventStream {
    public:
        explicit Stream(std::shared_ptr<Record> r) : r_(std::move(r)) {}
        ~Stream() override { r_->alive = false; }
        void start() override { r_->started = true; }

    private:
        std::shared_ptr<Record> r_;
    };
};

} // namespace corv::sim
