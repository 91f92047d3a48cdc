#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/apps/DesktopLoginItems.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

class DesktopLoginItemsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    QString entry(const QString& name) const { return QDir(dir).filePath(name); }
    QByteArray read(const QString& name) const {
        QFile f(entry(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile f(entry(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir tmp;
    QString dir = tmp.filePath("autostart");
    DesktopLoginItems items{dir};
    const std::string program = "/opt/corvadine/corvadine";
};

TEST_F(DesktopLoginItemsTest, AddContainsRemove) {
    EXPECT_FALSE(items.contains(program));  // no folder yet
    EXPECT_FALSE(items.remove(program));
    EXPECT_TRUE(items.add(program));
    EXPECT_EQ(read("corvadine.desktop"),
              "[Desktop Entry]\nType=Application\nName=Corvadine\nExec=/opt/corvadine/corvadine\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(items.contains(program));
    EXPECT_FALSE(items.contains("/opt/corvadine"));
    EXPECT_FALSE(items.add(program));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(items.remove(program));
    EXPECT_FALSE(items.contains(program));
    EXPECT_FALSE(items.remove(program));
}

TEST_F(DesktopLoginItemsTest, RemoveTakesEveryMatchingEntryAndLeavesOthers) {
    write("mine.desktop", "[Desktop Entry]\nName=Mine\nExec = /opt/corvadine/corvadine --hidden %U\n");
    write("other.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
    write("action.desktop", "[Desktop Entry]\nExec=/usr/bin/x\n[Desktop Action a]\nExec=/opt/corvadine/corvadine\n");
    write("notes.txt", "Exec=/opt/corvadine/corvadine\n");
    ASSERT_TRUE(items.add(program) == false);  // already there as mine.desktop
    write("corvadine.desktop", QByteArray::fromStdString(autostartEntryFor(program)));
    EXPECT_TRUE(items.remove(program));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name),
              (QStringList{"action.desktop", "notes.txt", "other.desktop"}));
}

TEST_F(DesktopLoginItemsTest, AddKeepsAnotherProgramsEntryOfTheSameName) {
    write("corvadine.desktop", "[Desktop Entry]\nExec=/old/place/corvadine\n");
    EXPECT_TRUE(items.add(program));
    EXPECT_TRUE(items.contains("/old/place/corvadine"));
    EXPECT_TRUE(items.contains(program));
    EXPECT_TRUE(QFile::exists(entry("corvadine-2.desktop")));
}

TEST_F(DesktopLoginItemsTest, DisabledEntriesAreNoLoginItems) {
    write("corvadine.desktop", "[Desktop Entry]\nExec=/opt/corvadine/corvadine\nHidden=true\n");
    write("gnome.desktop", "[Desktop Entry]\nExec=/opt/corvadine/corvadine\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(items.contains(program));
    EXPECT_FALSE(items.remove(program));
    // Turning it on writes an entry that does start the program.
    EXPECT_TRUE(items.add(program));
    EXPECT_TRUE(items.contains(program));
    EXPECT_EQ(read("corvadine-2.desktop"), QByteArray::fromStdString(autostartEntryFor(program)));
    EXPECT_TRUE(items.remove(program));
    EXPECT_FALSE(items.contains(program));
}

TEST_F(DesktopLoginItemsTest, AddFailsWhenTheFolderCannotBeMade) {
    write("blocker", "");
    DesktopLoginItems blocked(entry("blocker"));
    EXPECT_FALSE(blocked.add(program));
    EXPECT_FALSE(blocked.contains(program));
}

TEST(DesktopEntry, ExecQuotesAndEscapesAsTheFormatRequires) {
    EXPECT_EQ(execValueFor("/usr/bin/corvadine"), "/usr/bin/corvadine");
    EXPECT_EQ(execValueFor("/opt/my app/run"), "\"/opt/my app/run\"");
    EXPECT_EQ(execValueFor("/opt/100%/run"), "/opt/100%%/run");
    // Quoting escapes, and the file's own escaping doubles those backslashes:
    // a literal backslash takes four.
    EXPECT_EQ(execValueFor("/a\\b"), R"("/a\\\\b")");
    EXPECT_EQ(execValueFor("/a$\"`b"), R"("/a\\$\\"\\`b")");
}

TEST(DesktopEntry, ProgramsRoundTripThroughAnEntry) {
    for (const std::string program :
         {"/usr/bin/corvadine", "/opt/my app/run", "/x/it's", "/a\\b", "/a$\"`b", "/100% sure", "/tab\there", "/new\nline"}) {
        EXPECT_EQ(execProgramOf(autostartEntryFor(program)), program) << program;
    }
}

TEST(DesktopEntry, ExecProgramOfOtherEntries) {
    EXPECT_EQ(execProgramOf("[Desktop Entry]\r\nExec=\"/opt/a b/run\" --x %U\r\n"), "/opt/a b/run");
    EXPECT_EQ(execProgramOf("[Desktop Entry]\nExec=/bin/sh\\s-c\n"), "/bin/sh");
    EXPECT_EQ(execProgramOf("[Desktop Entry]\nExec=\"/unterminated\n"), std::nullopt);
    EXPECT_EQ(execProgramOf("[Desktop Entry]\nExec=\n"), std::nullopt);
    EXPECT_EQ(execProgramOf("[Other]\nExec=/bin/x\n"), std::nullopt);
    EXPECT_EQ(execProgramOf("[Desktop Entry]\n# Exec=/bin/x\nTryExec=/bin/y\n"), std::nullopt);
}

TEST(DesktopEntry, AutostartEnabledUnlessHiddenOrSwitchedOff) {
    EXPECT_TRUE(autostartEnabled(autostartEntryFor("/bin/x")));
    EXPECT_TRUE(autostartEnabled("[Desktop Entry]\nHidden=false\n[Other]\nHidden=true\n"));
    EXPECT_FALSE(autostartEnabled("[Desktop Entry]\nHidden = true\n"));
    EXPECT_FALSE(autostartEnabled("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n"));
}

} // namespace
} // namespace corv::desktop
