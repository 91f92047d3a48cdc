#pragma once

// A umockdev testbed: fake sysfs devices and /dev nodes for the code under
// test, which must run with umockdev's preload library. runningUnderUmockdev()
// runs the current test again in a child process that has it.

#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

// glib names a member `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace corv::test {

inline constexpr const char* kUmockdevPreload = "libumockdev-preload.so.0";

// True in the process that should run the test body. Otherwise runs this test
// in a child with the preload library, passes its outcome on and returns false.
inline bool runningUnderUmockdev() {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "libumockdev-preload")) return true;

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString old = env.value("LD_PRELOAD");
    env.insert("LD_PRELOAD", old.isEmpty() ? kUmockdevPreload : QString(kUmockdevPreload) + ":" + old);
#if defined(__SANITIZE_ADDRESS__)
    // The preload library comes before the sanitizer's runtime; that order is
    // sound here, since neither replaces the other's symbols.
    const QString asan = env.value("ASAN_OPTIONS");
    env.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ":") + "verify_asan_link_order=0");
#endif
    QProcess child;
    child.setProcessEnvironment(env);
    endWithThisProcess(child);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
    if (!child.waitForStarted(10000)) {
        ADD_FAILURE() << "cannot start the test again under umockdev";
        return false;
    }
    const bool finished = child.waitForFinished(120000);
    if (!finished) {
        child.kill();
        child.waitForFinished(10000);
    }
    const std::string output = child.readAll().toStdString();
    std::printf("---- under umockdev ----\n%s---- end ----\n", output.c_str());
    if (!finished) {
        ADD_FAILURE() << "the test under umockdev did not end within 120 s";
    } else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        ADD_FAILURE() << "the test failed under umockdev";
    } else if (output.find("[  SKIPPED ]") != std::string::npos) {
        [] { GTEST_SKIP() << "skipped under umockdev"; }();
    } else if (output.find("[  PASSED  ] 1 test") == std::string::npos) {
        ADD_FAILURE() << "the test did not run under umockdev";
    }
    return false;
}

// The testbed lives as long as this object; while it does, /sys and /dev
// are the testbed's for this process.
class Testbed {
public:
    Testbed() : bed_(umockdev_testbed_new()) {}
    ~Testbed() { g_object_unref(bed_); }
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    struct HidDevice {
        std::uint32_t bus = 3;
        std::uint32_t vendor = 0x046D;
        std::uint32_t product = 0;
        std::string name;
        std::vector<std::uint8_t> descriptor;
        std::string usbManufacturer;  // with either name, a USB device parent
        std::string usbProduct;
    };

    // The HID device of a hidraw node's sysfs path.
    static std::string hidOf(const std::string& hidrawPath) {
        return hidrawPath.substr(0, hidrawPath.rfind("/hidraw/"));
    }

    // Adds a HID device with one hidraw node; the node's sysfs path. With
    // `parentHid` (a HID device's sysfs path) it hangs below that device.
    std::string addHidraw(const HidDevice& d, const std::string& hidrawName, const std::string& parentHid = {}) {
        char id[32];
        std::snprintf(id, sizeof id, "%04X:%08X:%08X", d.bus, d.vendor, d.product);
        char hidName[32];
        std::snprintf(hidName, sizeof hidName, "%04X:%04X:%04X.%04X", d.bus, d.vendor, d.product, ++count_);
        const char* parent = parentHid.empty() ? nullptr : parentHid.c_str();
        gchar* usb = nullptr;
        if (!d.usbManufacturer.empty() || !d.usbProduct.empty()) {
            const std::string usbName = "usb-" + hidrawName;
            usb = umockdev_testbed_add_device(bed_, "usb", usbName.c_str(), nullptr, "manufacturer",
                                              d.usbManufacturer.c_str(), "product", d.usbProduct.c_str(), nullptr,
                                              "DEVTYPE", "usb_device", nullptr);
            parent = usb;
        }
        gchar* hid = umockdev_testbed_add_device(bed_, "hid", hidName, parent, nullptr, "HID_ID", id, "HID_NAME",
                                                 d.name.c_str(), nullptr);
        umockdev_testbed_set_attribute_binary(bed_, hid, "report_descriptor",
                                              const_cast<guint8*>(d.descriptor.data()),
                                              d.descriptor.size());
        const std::string path = std::string(hid) + "/hidraw/" + hidrawName;
        // The node without contents is a PTY whose other end the test holds.
        const std::string text = "P: " + path.substr(std::strlen("/sys")) + "\nN: " + hidrawName +
                                 "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + hidrawName + "\n";
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) {
            ADD_FAILURE() << "umockdev: " << (error ? error->message : "cannot add the hidraw node");
            if (error) g_error_free(error);
        }
        g_free(hid);
        g_free(usb);
        return path;
    }

    // Where the testbed keeps its dev/ and sys/.
    std::string root() const {
        gchar* dir = umockdev_testbed_get_root_dir(bed_);
        std::string out = dir;
        g_free(dir);
        return out;
    }
    // The test's end of a node's PTY.
    int deviceEnd(const std::string& devnode) { return umockdev_testbed_get_dev_fd(bed_, devnode.c_str()); }
    void uevent(const std::string& syspath, const char* action) {
        umockdev_testbed_uevent(bed_, syspath.c_str(), action);
    }
    void remove(const std::string& syspath) { umockdev_testbed_remove_device(bed_, syspath.c_str()); }
    UMockdevTestbed* handle() const { return bed_; }

private:
    UMockdevTestbed* bed_;
    int count_ = 0;
};

} // namespace corv::test
