#pragma once

// An open hidraw node: one thread reads its input reports and writes the
// queued output reports, so the main thread never waits on the device.

#include "platform/RunLoop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace corv::desktop {

class HidrawNode {
public:
    // Runs on the main run loop for every input report read.
    using ReportHandler = std::function<void(const std::vector<std::uint8_t>& report)>;

    explicit HidrawNode(platform::RunLoop& loop);
    ~HidrawNode();
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    // Runs on the main run loop when reading or writing the node failed
    // (EIO, the device gone) and its thread ended; not after close().
    using FailedHandler = std::function<void()>;

    // Opens the node and starts its thread; 0, or the errno of the failure.
    // Reopening an open node first closes it.
    int open(const std::string& devnode, ReportHandler onReport, FailedHandler onFailed = {});
    // Stops the thread and closes the node, without waiting for a write the
    // device has not taken yet (the node closes once it has); reports read but
    // not yet handed over are dropped.
    void close();
    bool isOpen() const { return io_ != nullptr; }
    // Runs on the main run loop when the kernel refuses a queued report.
    using Refused = std::function<void()>;
    // Queues one output report, first byte the report ID (0 when the device
    // uses none); false when the node is not open or has gone away. A report
    // the kernel refuses, or takes only in part, runs `refused`.
    bool write(std::vector<std::uint8_t> report, Refused refused = {});

private:
    struct Io;
    struct Delivery {
        ReportHandler handler;
        FailedHandler failed;
    };

    static void run(std::shared_ptr<Io> io, platform::RunLoop* loop, std::weak_ptr<Delivery> delivery);

    platform::RunLoop& loop_;
    std::shared_ptr<Io> io_;
    std::shared_ptr<Delivery> delivery_;
    std::thread thread_;
};

} // namespace corv::desktop
