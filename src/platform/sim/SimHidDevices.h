#pragma once

#include "platform/Bytes.h"
#include "platform/HidDevices.h"
#include "platform/RunLoop.h"
#include "platform/sim/SimJournal.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace corv::sim {

// A HID device as data: properties, usage pairs, the reports written to it and
// the input reports it sends. What it does with a write is either a script
// (request -> replies, in order) or the onWrite behaviour.
class SimHidDevice final : public platform::HidDevice, public std::enable_shared_from_this<SimHidDevice> {
public:
    explicit SimHidDevice(platform::RunLoop& loop) : loop_(loop) {}

    std::optional<platform::HidValue> property(const std::string& key) const override;
    std::vector<platform::HidUsagePair> usagePairs() const override { return usages; }
    void setInputReportHandler(InputReportHandler handler) override { handler_ = std::move(handler); }
    bool open() override;
    void close() override;
    bool setOutputReport(std::uint32_t reportId, const std::uint8_t* report, std::size_t length,
                         OutputRefused refused = {}) override;

    void setInputValueHandler(InputValueHandler handler) override { valueHandler_ = std::move(handler); }
    bool hasInputValueHandler() const { return static_cast<bool>(valueHandler_); }
    bool hasInputReportHandler() const { return static_cast<bool>(handler_); }
    // A key or other element changes: reaches the value handler on the run loop.
    void sendValue(std::uint32_t usagePage, std::uint32_t usage, std::int64_t value);

    // Sends an input report; it reaches the handler on the run loop after the
    // delay, when the device is open then.
    void sendInput(Bytes report, double delay = 0);

    // Adds a step to the script: the next write must be `request`, and is
    // answered by `replies`. A write that does not match is kept in
    // `unexpected` and answered by nothing.
    void expect(Bytes request, std::vector<Bytes> replies = {}, double replyDelay = 0);
    bool scriptFinished() const { return script_.empty(); }

    std::map<std::string, platform::HidValue> properties;
    std::vector<platform::HidUsagePair> usages;
    bool refuseWrites = false;
    bool refuseWritesLater = false;  // takes them, then refuses on a later turn
    bool failOpen = false;
    bool opened = false;
    int openCount = 0;
    int closeCount = 0;
    std::vector<Bytes> written;      // every accepted output report, in order
    std::vector<double> writeTimes;  // the run loop's clock at each write
    std::vector<Bytes> unexpected;   // writes the script did not expect
    std::function<void(const Bytes&)> onWrite;

private:
    struct Step {
        Bytes request;
        std::vector<Bytes> replies;
        double delay;
    };
    platform::RunLoop& loop_;
    InputReportHandler handler_;
    InputValueHandler valueHandler_;
    std::deque<Step> script_;
    bool scripted_ = false;
};

// The machine's HID devices and the managers that watch them.
class SimHidDevices final : public platform::HidDevices {
public:
    explicit SimHidDevices(platform::RunLoop& loop);
    ~SimHidDevices() override;

    std::unique_ptr<platform::HidManager> createManager() override;

    // A new, unattached device.
    std::shared_ptr<SimHidDevice> makeDevice(std::map<std::string, platform::HidValue> properties,
                                             std::vector<platform::HidUsagePair> usages = {});
    // Plugs a device in or out; open managers hear of it on the run loop.
    void attach(const std::shared_ptr<SimHidDevice>& device);
    void detach(const std::shared_ptr<SimHidDevice>& device);

    std::vector<std::shared_ptr<SimHidDevice>> attached;
    int managersCreated = 0;
    SimJournal* journal = nullptr;  // set by SimPlatform; managers note their opening
    int managersOpen() const;

    struct Hub;

private:
    platform::RunLoop& loop_;
    std::shared_ptr<Hub> hub_;
};

} // namespace corv::sim
