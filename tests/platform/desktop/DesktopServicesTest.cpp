#include "platform/desktop/DesktopPlatform.h"

#include "corv/version.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

TEST(DesktopFileSystem, ReadsAndWritesRegularFilesOnly) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    DesktopFileSystem fs;
    const std::string dir = tmp.path().toStdString();
    const std::string file = dir + "/f.bin";

    EXPECT_TRUE(fs.exists(dir));
    EXPECT_FALSE(fs.readFile(dir));
    EXPECT_FALSE(fs.exists(file));
    EXPECT_FALSE(fs.readFile(file));

    EXPECT_TRUE(fs.writeFile(file, Bytes{1, 2, 3}));
    EXPECT_TRUE(fs.writeFile(file, Bytes{4}));
    EXPECT_EQ(fs.readFile(file), Bytes{4});
    EXPECT_TRUE(fs.writeFile(file, {}));
    EXPECT_EQ(fs.readFile(file), Bytes{});
    EXPECT_FALSE(fs.writeFile(dir + "/missing/f.bin", Bytes{1}));
    EXPECT_EQ(fs.currentDirectory(), QDir::currentPath().toStdString());
}

TEST(DesktopAppControl, HideHidesTheProgramsOwnWindowsOnly) {
    QWidget a, b, c, other;
    markOwnWindow(a);
    markOwnWindow(b);
    markOwnWindow(c);
    a.show();
    b.show();
    other.show();  // a tray icon's window, for one
    DesktopAppControl().hide();
    EXPECT_FALSE(a.isVisible());
    EXPECT_FALSE(b.isVisible());
    EXPECT_FALSE(c.isVisible());
    EXPECT_TRUE(other.isVisible());
}

TEST(DesktopPlatform, InstallsItsServicesForItsLifetime) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString defaultsFile = tmp.filePath("defaults.plist");
    {
        DesktopPlatform p({defaultsFile, tmp.filePath("autostart")});
        ASSERT_TRUE(platform::installed());
        EXPECT_EQ(&platform::runLoop(), &p.runLoop);
        EXPECT_EQ(&platform::defaults(), &p.defaults);
        EXPECT_EQ(&platform::loginItems(), &p.loginItems);
        EXPECT_EQ(&platform::files(), &p.files);
        EXPECT_EQ(&platform::app(), &p.app);
        EXPECT_EQ(platform::bundle().shortVersion(), std::string(build::kShortVersion));
        EXPECT_FALSE(platform::bundle().arguments().empty());
        EXPECT_FALSE(platform::bundle().path().empty());
        platform::defaults().setInteger("k", 1);
    }
    EXPECT_FALSE(platform::installed());
    EXPECT_TRUE(QFile::exists(defaultsFile));
}

} // namespace
} // namespace corv::desktop
