#pragma once

// HID managers and the devices they match: properties, input reports and
// output reports.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corv::platform {

// Property keys of a HID device.
inline constexpr const char* kHidVendorIdKey = "VendorID";
inline constexpr const char* kHidProductIdKey = "ProductID";
inline constexpr const char* kHidPrimaryUsagePageKey = "PrimaryUsagePage";
inline constexpr const char* kHidPrimaryUsageKey = "PrimaryUsage";
inline constexpr const char* kHidTransportKey = "Transport";  // "USB", "Bluetooth", ...
inline constexpr const char* kHidManufacturerKey = "Manufacturer";
inline constexpr const char* kHidProductKey = "Product";
// Matching keys tested against every usage pair of the device.
inline constexpr const char* kHidDeviceUsagePageKey = "DeviceUsagePage";
inline constexpr const char* kHidDeviceUsageKey = "DeviceUsage";

using HidValue = std::variant<std::int64_t, std::string>;

struct HidUsagePair {
    std::uint32_t page = 0;
    std::uint32_t usage = 0;
    bool operator==(const HidUsagePair&) const = default;
};

// One matching dictionary: a device matches when every entry matches.
using HidMatching = std::map<std::string, HidValue>;

// One input value of a device element: its usage page and usage, and the
// value now.
struct HidInputValue {
    std::uint32_t usagePage = 0;
    std::uint32_t usage = 0;
    std::int64_t integerValue = 0;
};

class HidDevice;
// The same device is always the same object while it is attached, so devices
// compare by pointer.
using HidDeviceRef = std::shared_ptr<HidDevice>;

class HidDevice {
public:
    // Runs on the main thread for every input report. The report starts with
    // its report ID (when the device uses IDs).
    using InputReportHandler =
        std::function<void(const HidDeviceRef& sender, std::uint32_t reportId, const std::uint8_t* report,
                           std::size_t length)>;

    virtual ~HidDevice() = default;

    // A property by key; nothing when the device has none.
    virtual std::optional<HidValue> property(const std::string& key) const = 0;
    // Every (usage page, usage) pair of the device's top-level collections.
    virtual std::vector<HidUsagePair> usagePairs() const = 0;

    // Replaces the input-report handler; an empty one stops delivery.
    virtual void setInputReportHandler(InputReportHandler handler) = 0;
    // Opens the device with its reports delivered on the main run loop;
    // false when it cannot be opened.
    virtual bool open() = 0;
    // Stops delivery and closes the device.
    virtual void close() = 0;
    // Runs on the main thread when the device refuses a report it had taken
    // to write later.
    using OutputRefused = std::function<void()>;
    // Writes an output report (bytes start with the report ID); false when
    // the device refuses it now. A device that writes on a thread of its own
    // may refuse it later instead: then `refused` runs, and nothing else.
    virtual bool setOutputReport(std::uint32_t reportId, const std::uint8_t* report, std::size_t length,
                                 OutputRefused refused = {}) = 0;

    // Runs on the main thread for every input value of the device's elements.
    using InputValueHandler = std::function<void(const HidDeviceRef& sender, const HidInputValue& value)>;
    // Replaces the input-value handler; an empty one stops delivery.
    virtual void setInputValueHandler(InputValueHandler handler) = 0;

    // Conveniences over property().
    std::optional<std::int64_t> intProperty(const std::string& key) const;
    std::optional<std::string> stringProperty(const std::string& key) const;
};

// Whether the device matches the dictionary. An integer entry equals the
// property of that name; DeviceUsagePage and DeviceUsage must both hold for
// one usage pair; a string entry equals the string property.
bool hidDeviceMatches(const HidDevice& device, const HidMatching& matching);

class HidManager {
public:
    using DeviceHandler = std::function<void(const HidDeviceRef& device)>;
    virtual ~HidManager() = default;
    // The devices to report: those matching any dictionary; an empty list
    // matches every device.
    virtual void setDeviceMatching(std::vector<HidMatching> matching) = 0;
    // Both run on the main thread.
    virtual void setMatchedHandler(DeviceHandler handler) = 0;
    virtual void setRemovedHandler(DeviceHandler handler) = 0;
    // Starts reporting: every attached matching device, then arrivals and
    // removals, on the main run loop.
    virtual void open() = 0;
    // Stops reporting, and closes the devices it reported that no other open
    // manager reported too.
    virtual void close() = 0;
};

class HidDevices {
public:
    virtual ~HidDevices() = default;
    virtual std::unique_ptr<HidManager> createManager() = 0;
};

} // namespace corv::platform
