#pragma once

// HID devices on Linux: hidraw nodes found and followed through udev.

#include "platform/HidDevices.h"
#include "platform/RunLoop.h"
#include "platform/desktop/hid/HidrawInfo.h"
#include "platform/desktop/hid/HidrawNode.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace corv::desktop {

// One hidraw node. Its properties come from udev and the report descriptor;
// input reports reach the handler on the main run loop.
class DesktopHidDevice final : public platform::HidDevice, public std::enable_shared_from_this<DesktopHidDevice> {
public:
    using OpenFailed = std::function<void(const std::string& devnode, int error)>;
    // The open node failed to read or write.
    using NodeFailed = std::function<void(const std::shared_ptr<DesktopHidDevice>& device)>;

    DesktopHidDevice(platform::RunLoop& loop, HidrawInfo info, OpenFailed openFailed = {}, NodeFailed nodeFailed = {});
    ~DesktopHidDevice() override;

    std::optional<platform::HidValue> property(const std::string& key) const override;
    std::vector<platform::HidUsagePair> usagePairs() const override;
    void setInputReportHandler(InputReportHandler handler) override { handler_ = std::move(handler); }
    bool open() override;
    void close() override { node_.close(); }
    // The report is queued for the device's thread: true when it is queued;
    // `refused` runs when the kernel then refuses it.
    bool setOutputReport(std::uint32_t reportId, const std::uint8_t* report, std::size_t length,
                         OutputRefused refused = {}) override;
    // hidraw hands over whole reports only: the values are the keys the
    // device's input nodes report (deliverKeyValue()).
    void setInputValueHandler(InputValueHandler handler) override;
    // Counts this device while it has a value handler.
    void countValueHandlerIn(std::shared_ptr<std::atomic<int>> count);
    // Main thread: hands the value to the value handler.
    void deliverValue(const platform::HidInputValue& value);

    const HidrawInfo& info() const { return info_; }
    bool isOpen() const { return node_.isOpen(); }

private:
    void deliver(const std::vector<std::uint8_t>& report);

    HidrawInfo info_;
    OpenFailed openFailed_;
    NodeFailed nodeFailed_;
    InputReportHandler handler_;
    InputValueHandler valueHandler_;
    std::shared_ptr<std::atomic<int>> valueHandlers_;
    HidrawNode node_;
};

// The machine's hidraw devices. udev is first asked when a manager opens; a
// machine without access to /dev/hidraw* reports no device and says so once in
// the log. A node that fails while open is reported removed, and found again
// a second later when udev still lists it.
class DesktopHidDevices final : public platform::HidDevices {
public:
    using Log = std::function<void(const std::string& line)>;

    // The log defaults to stderr.
    explicit DesktopHidDevices(platform::RunLoop& loop, Log log = {});
    ~DesktopHidDevices() override;
    DesktopHidDevices(const DesktopHidDevices&) = delete;
    DesktopHidDevices& operator=(const DesktopHidDevices&) = delete;

    std::unique_ptr<platform::HidManager> createManager() override;
    // Main thread: a key value read from an input node of the HID device at
    // that sysfs path, for its hidraw nodes attached now.
    void deliverKeyValue(const std::string& hidSyspath, const platform::HidInputValue& value);
    // How many of its devices have a value handler now (any thread may read it).
    std::shared_ptr<const std::atomic<int>> valueHandlers() const;

    struct Hub;

private:
    std::shared_ptr<Hub> hub_;
};

} // namespace corv::desktop
