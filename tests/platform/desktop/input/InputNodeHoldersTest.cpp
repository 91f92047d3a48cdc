// The holders of a node among real processes: copies of sleep under the names
// of a display server and of a remapper, with a file standing in for the node.

#include "platform/desktop/input/InputNodeHolders.h"

#include "support/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace corv::desktop {
namespace {

class Holder {
public:
    Holder(const QTemporaryDir& dir, const QString& command, const QString& node) {
        const QString program = dir.filePath(command);
        if (!QFile::exists(program)) std::filesystem::copy_file("/bin/sleep", program.toStdString());
        test::endWithThisProcess(process);
        process.setStandardInputFile(node);
        process.start(program, {"60"});
        started = process.waitForStarted(10000);
    }
    ~Holder() {
        process.kill();
        process.waitForFinished(5000);
    }
    std::int32_t pid() const { return static_cast<std::int32_t>(process.processId()); }

    QProcess process;
    bool started = false;
};

TEST(InputNodeHolders, TheSeatsOwnProcessesAreLeftOut) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString node = dir.filePath("event7");
    QFile(node).open(QIODevice::WriteOnly);
    const std::string path = QDir(node).canonicalPath().toStdString();

    // Nobody has it open: the holder is unknown.
    EXPECT_EQ(inputNodeHolders(path).listed(), std::vector<std::int32_t>{-1});

    // The display server opens it first, with the lowest pid.
    Holder server(dir, "Xwayland", node);
    ASSERT_TRUE(server.started);
    Holder logind(dir, "systemd-logind", node);
    ASSERT_TRUE(logind.started);
    auto holders = inputNodeHolders(path);
    EXPECT_TRUE(holders.infrastructure);
    EXPECT_TRUE(holders.listed().empty());

    Holder remapper(dir, "remapd", node);
    ASSERT_TRUE(remapper.started);
    Holder other(dir, "keymapper", node);
    ASSERT_TRUE(other.started);
    EXPECT_EQ(inputNodeHolders(path).listed(), (std::vector<std::int32_t>{remapper.pid(), other.pid()}));
    EXPECT_EQ(inputNodeHolders(path + "-other").listed(), std::vector<std::int32_t>{-1});
}

} // namespace
} // namespace corv::desktop
