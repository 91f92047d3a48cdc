#pragma once

#include "platform/UserDefaults.h"

#include <QString>
#include <QStringList>

#include <map>

namespace corv::desktop {

// The program's defaults, kept as one dictionary in a binary property-list
// file. Read when created; written by synchronize() and, when changes are
// pending, on destruction.
class DesktopUserDefaults final : public platform::UserDefaults {
public:
    // The file in the user's configuration folder.
    DesktopUserDefaults();
    explicit DesktopUserDefaults(QString filePath);
    ~DesktopUserDefaults() override;
    DesktopUserDefaults(const DesktopUserDefaults&) = delete;
    DesktopUserDefaults& operator=(const DesktopUserDefaults&) = delete;

    std::optional<platform::DefaultsValue> value(const std::string& key) const override;
    void set(const std::string& key, platform::DefaultsValue value) override;
    void remove(const std::string& key) override;
    bool synchronize() override;
    void keepCopyBeforeNextWrite() override;

    // $XDG_CONFIG_HOME/corvadine/defaults.plist
    static QString standardPath();
    const QString& filePath() const { return path_; }
    // The copies kept beside the file, oldest first: named by the time they
    // were made, "<file>.<yyyyMMdd-HHmmss-zzz>[-n].bak"; the last kMaxCopies stay.
    QStringList copyPaths() const;
    static constexpr int kMaxCopies = 5;

private:
    void load();
    bool write();
    bool keepCopy() const;

    QString path_;
    std::map<std::string, platform::DefaultsValue> values_;
    bool dirty_ = false;
    bool keepOldFile_ = false;  // the file on disk holds what was not loaded
};

} // namespace corv::desktop
