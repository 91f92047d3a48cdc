// Saves on a disk that takes only a few bytes: a child process writes under a
// small file-size limit (SIGXFSZ ignored, so each write fails with EFBIG).

#include "platform/desktop/DesktopFileSystem.h"
#include "platform/desktop/DesktopUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

// Runs `body` in a child limited to `limit` bytes per file; its result is the
// child's exit status (0 true, 1 false).
bool underFileSizeLimit(rlim_t limit, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_NE(WEXITSTATUS(status), 2);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

    // Under the limit the same write goes through.
    EXPECT_TRUE(underFileSizeLimit(1 << 20, [&] {
        return DesktopFileSystem().writeFile(path.toStdString(), Bytes(300, 1));
    }));
    EXPECT_EQ(contents(path).size(), 300);
}

} // namespace
} // namespace corv::desktop
