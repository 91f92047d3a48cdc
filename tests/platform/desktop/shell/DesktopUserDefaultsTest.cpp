#include "platform/desktop/shell/DesktopUserDefaults.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

using platform::DefaultsValue;

class DesktopUserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    static QByteArray contentsOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAt(const QString& file, const QByteArray& bytes = {}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
        f.write(bytes);
    }
    QByteArray fileBytes() const { return contentsOf(path); }
    void writeFile(const QByteArray& bytes) { writeAt(path, bytes); }

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

TEST_F(DesktopUserDefaultsTest, EachCorruptFileIsCopiedBeforeItIsReplaced) {
    DesktopUserDefaults(path).setInteger("k", 1);
    // Two corrupt files in a row: each start keeps its own copy.
    for (const QByteArray& garbage : {QByteArray("bplist00 this is not a property list"), QByteArray("<plist><dict>")}) {
        writeFile(garbage);
        DesktopUserDefaults d(path);
        EXPECT_FALSE(d.value("k"));
        EXPECT_EQ(fileBytes(), garbage);  // reading alone changes nothing
        d.setInteger("k", 2);
        EXPECT_TRUE(d.synchronize());
        ASSERT_FALSE(d.copyPaths().isEmpty());
        EXPECT_EQ(contentsOf(d.copyPaths().last()), garbage);
        EXPECT_EQ(DesktopUserDefaults(path).integer("k"), 2);
    }
    DesktopUserDefaults d(path);
    ASSERT_EQ(d.copyPaths().size(), 2);
    EXPECT_TRUE(d.copyPaths()[0].startsWith(path + "."));
    EXPECT_EQ(contentsOf(d.copyPaths()[0]), "bplist00 this is not a property list");

    // A file that loaded whole is replaced without a copy.
    d.setInteger("k", 3);
    EXPECT_TRUE(d.synchronize());
    EXPECT_EQ(d.copyPaths().size(), 2);
}

TEST_F(DesktopUserDefaultsTest, TheLastFiveCopiesStayAndNoneIsOverwritten) {
    DesktopUserDefaults d(path);
    for (int i = 0; i < 7; ++i) {
        d.setInteger("k", i);
        d.keepCopyBeforeNextWrite();
        ASSERT_TRUE(d.synchronize());  // copies made within one millisecond get their own names
    }
    const QStringList copies = d.copyPaths();
    ASSERT_EQ(copies.size(), DesktopUserDefaults::kMaxCopies);
    // The first write had nothing to copy; the oldest of six copies is gone.
    for (int i = 0; i < copies.size(); ++i) EXPECT_EQ(DesktopUserDefaults(copies[i]).integer("k"), i + 1) << i;

    // A copy that cannot be made stops the write: nothing unloaded is lost.
    ASSERT_TRUE(QFile::setPermissions(tmp.filePath("config/corvadine"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    d.setInteger("k", 99);
    d.keepCopyBeforeNextWrite();
    if (!QFileInfo(tmp.filePath("config/corvadine")).isWritable()) {
        EXPECT_FALSE(d.synchronize());
        EXPECT_EQ(DesktopUserDefaults(path).integer("k"), 6);
    }
    QFile::setPermissions(tmp.filePath("config/corvadine"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// After the clock was set back, older copies carry later names: the copy just
// made still stays, and the earliest-named other one goes.
TEST_F(DesktopUserDefaultsTest, TheCopyJustMadeStaysWhenOlderCopiesHaveLaterNames) {
    DesktopUserDefaults(path).setInteger("k", 1);
    const QByteArray stored = fileBytes();
    for (int i = 0; i < DesktopUserDefaults::kMaxCopies; ++i)
        ASSERT_NO_FATAL_FAILURE(writeAt(path + QStringLiteral(".29990101-00000%1-000.bak").arg(i), QByteArray::number(i)));
    DesktopUserDefaults d(path);
    d.setInteger("k", 2);
    d.keepCopyBeforeNextWrite();
    ASSERT_TRUE(d.synchronize());
    const QStringList copies = d.copyPaths();
    ASSERT_EQ(copies.size(), DesktopUserDefaults::kMaxCopies);
    EXPECT_EQ(contentsOf(copies[0]), stored);
    for (int i = 1; i < copies.size(); ++i) EXPECT_EQ(contentsOf(copies[i]), QByteArray::number(i)) << i;
}

// Only names the copies are made with count as copies: a user's own backup
// beside the file is neither listed nor pruned. Copies of one millisecond
// follow their number.
TEST_F(DesktopUserDefaultsTest, CopiesAreOnlyTheTimedNamesInTheOrderMade) {
    DesktopUserDefaults(path).setInteger("k", 1);
    const QString stem = path + QStringLiteral(".20260101-000000-000");
    QStringList ours{stem + ".bak"};
    for (int n = 1; n <= 10; ++n) ours << stem + QStringLiteral("-%1.bak").arg(n);
    const QStringList foreign{path + ".1.bak", path + ".mine.bak", path + ".20260101-000000-000-x.bak",
                              path + ".2026-000000-000.bak"};
    for (const QString& name : ours + foreign) ASSERT_NO_FATAL_FAILURE(writeAt(name));
    DesktopUserDefaults d(path);
    EXPECT_EQ(d.copyPaths(), ours);
    d.setInteger("k", 2);
    d.keepCopyBeforeNextWrite();
    ASSERT_TRUE(d.synchronize());
    EXPECT_EQ(d.copyPaths().size(), DesktopUserDefaults::kMaxCopies);
    EXPECT_EQ(d.copyPaths()[0], stem + "-7.bak");
    for (const QString& name : foreign) EXPECT_TRUE(QFile::exists(name)) << name.toStdString();
}

// A defaults file far larger than any real one is not read into memory.
TEST_F(DesktopUserDefaultsTest, AHugeFileIsNotReadWhole) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    writeFile("bplist00");
    ASSERT_TRUE(QFile::resize(path, qint64{1} << 30));  // sparse: takes no disk
    const pid_t pid = fork();
    if (pid == 0) _exit(DesktopUserDefaults(path).value("k") ? 1 : 0);
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_LT(usage.ru_maxrss, 512 * 1024);
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
