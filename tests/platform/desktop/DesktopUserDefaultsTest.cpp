#include "platform/desktop/DesktopUserDefaults.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using platform::DefaultsValue;

class DesktopUserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    QByteArray fileBytes() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir tmp;
    QString path = tmp.filePath("config/corvadine/defaults.plist");
};

TEST_F(DesktopUserDefaultsTest, ValuesRoundTripThroughTheFileWithTheirTypes) {
    {
        DesktopUserDefaults d(path);
        d.setInteger("int", -42);
        d.set("real", 2.0);
        d.set("flag", true);
        d.set("text", std::string("héllo"));
        d.setData("blob", Bytes{0, 1, 255});
        d.set("gone", std::string("x"));
        d.remove("gone");
        EXPECT_TRUE(d.synchronize());
    }
    DesktopUserDefaults d(path);
    EXPECT_EQ(d.value("int"), DefaultsValue(std::int64_t{-42}));
    EXPECT_EQ(d.value("real"), DefaultsValue(2.0));
    EXPECT_EQ(d.value("flag"), DefaultsValue(true));
    EXPECT_EQ(d.value("text"), DefaultsValue(std::string("héllo")));
    EXPECT_EQ(d.data("blob"), (Bytes{0, 1, 255}));
    EXPECT_FALSE(d.value("gone"));
}

TEST_F(DesktopUserDefaultsTest, PendingChangesAreWrittenOnDestruction) {
    EXPECT_FALSE(DesktopUserDefaults(path).value("k"));  // a missing file is empty
    EXPECT_FALSE(QFile::exists(path));                   // and reading does not create it
    DesktopUserDefaults(path).setInteger("k", 7);
    EXPECT_EQ(DesktopUserDefaults(path).integer("k"), 7);
}

TEST_F(DesktopUserDefaultsTest, OtherNodeKindsAreSkipped) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    plist::Node root = plist::newDict();
    plist::dictSet(root, "list", plist::newArray());
    plist::dictSet(root, "name", plist::makeString("n"));
    const Bytes bytes = plist::toBinary(root);
    writeFile(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    DesktopUserDefaults d(path);
    EXPECT_FALSE(d.value("list"));
    EXPECT_EQ(d.value("name"), DefaultsValue(std::string("n")));
}

TEST_F(DesktopUserDefaultsTest, CorruptFileIsKeptAndStartsEmpty) {
    DesktopUserDefaults(path).setInteger("k", 1);
    const QByteArray garbage("bplist00 this is not a property list");
    writeFile(garbage);
    {
        DesktopUserDefaults d(path);
        EXPECT_FALSE(d.value("k"));
        EXPECT_EQ(fileBytes(), garbage);
        d.setInteger("k", 2);
        EXPECT_TRUE(d.synchronize());
    }
    // Replaced only after a copy was kept.
    QFile backup(path + ".corrupt");
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), garbage);
    EXPECT_EQ(DesktopUserDefaults(path).integer("k"), 2);
}

TEST_F(DesktopUserDefaultsTest, SynchronizeReportsAFailedWrite) {
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DesktopUserDefaults d(tmp.filePath("file/corvadine/defaults.plist"));
    EXPECT_TRUE(d.synchronize());  // nothing to write
    d.setInteger("k", 1);
    EXPECT_FALSE(d.synchronize());
    EXPECT_FALSE(d.synchronize());  // still pending
}

TEST(DesktopUserDefaultsPath, LivesInTheConfigHome) {
    QTemporaryDir tmp;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    EXPECT_EQ(DesktopUserDefaults::standardPath(), tmp.path() + "/corvadine/defaults.plist");
    if (saved.isNull()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
} // namespace corv::desktop
