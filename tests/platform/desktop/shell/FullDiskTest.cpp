// Saves that cannot reach the disk. A full disk: a child process writes under a
// small file-size limit (SIGXFSZ ignored, so each write fails with EFBIG). A
// read-only folder: a child without root's rights writes there.

#include "platform/desktop/shell/DesktopFileSystem.h"
#include "platform/desktop/shell/DesktopUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

// Runs `body` in a child once `prepare` has set it up; the result is the
// child's exit status (0 true, 1 false, 2 when `prepare` failed).
bool inChild(const std::function<bool()>& prepare, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!prepare()) _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_NE(WEXITSTATUS(status), 2);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs `body` in a child limited to `limit` bytes per file.
bool underFileSizeLimit(rlim_t limit, const std::function<bool()>& body) {
    return inChild(
        [limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit rl{limit, limit};
            return setrlimit(RLIMIT_FSIZE, &rl) == 0;
        },
        body);
}

// Runs `body` in a child that cannot write where its user may not: as root,
// the child becomes "nobody" (uid 65534) and `owned` is handed to it first.
bool withoutPrivileges(const QStringList& owned, const std::function<bool()>& body) {
    const bool root = geteuid() == 0;
    for (const QString& p : owned) {
        if (root) {
            EXPECT_EQ(chown(QFile::encodeName(p).constData(), 65534, 65534), 0) << p.toStdString();
        }
    }
    return inChild([root] { return !root || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0); },
                   body);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST(FullDisk, AFailedWriteIsReportedAndKeepsTheOldFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath("defaults.plist");
    {
        DesktopUserDefaults d(path);
        d.setInteger("version", 261207);
        d.setData("config", Bytes(64, 7));
        ASSERT_TRUE(d.synchronize());
    }
    const QByteArray before = contents(path);

    // Small enough to stay in the write buffer until the end, and larger than it.
    for (std::size_t size : {std::size_t{300}, std::size_t{200000}}) {
        const bool saved = underFileSizeLimit(200, [&] {
            DesktopUserDefaults d(path);
            d.setData("appitems", Bytes(size, 1));
            return d.synchronize();
        });
        EXPECT_FALSE(saved) << size;
        EXPECT_EQ(contents(path), before) << size;
        // No half-written temporary file is left beside it.
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"defaults.plist"}) << size;
    }

    // Saves that keep failing copy the unchanged file once: the older copies stay.
    for (int i = 0; i < DesktopUserDefaults::kMaxCopies - 1; ++i) {
        QFile f(path + QStringLiteral(".20200101-00000%1-000.bak").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(underFileSizeLimit(1000, [&] {
        DesktopUserDefaults d(path);
        d.keepCopyBeforeNextWrite();
        d.setData("appitems", Bytes(5000, 1));
        bool saved = false;
        for (int i = 0; i < 3; ++i) saved = d.synchronize() || saved;
        return saved;
    }));
    const QStringList copies = DesktopUserDefaults(path).copyPaths();
    ASSERT_EQ(copies.size(), DesktopUserDefaults::kMaxCopies);
    EXPECT_TRUE(copies[0].endsWith(".20200101-000000-000.bak"));
    EXPECT_EQ(contents(copies.last()), before);
    EXPECT_EQ(contents(path), before);
    for (const QString& c : copies) QFile::remove(c);

    // Under the limit the same write goes through.
    EXPECT_TRUE(underFileSizeLimit(1 << 20, [&] {
        return DesktopFileSystem().writeFile(path.toStdString(), Bytes(300, 1));
    }));
    EXPECT_EQ(contents(path).size(), 300);
}

// A folder that cannot be written: the save fails whether or not a copy is
// due, and the file stays as it was with nothing beside it.
TEST(ReadOnlyFolder, ASaveFailsAndKeepsTheFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.filePath("corvadine"), path = folder + "/defaults.plist";
    DesktopUserDefaults(path).setInteger("k", 1);
    for (const QByteArray& stored : {contents(path), QByteArray("bplist00 not a property list")}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(stored);
        f.close();
        ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
        EXPECT_FALSE(withoutPrivileges({tmp.path(), folder, path}, [&] {
            DesktopUserDefaults d(path);
            d.setInteger("k", 2);
            return d.synchronize();
        }));
        ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0755), 0);
        EXPECT_EQ(contents(path), stored);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"defaults.plist"});
    }
}

} // namespace
} // namespace corv::desktop
