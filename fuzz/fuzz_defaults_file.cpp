// The defaults file: read, written back (after a copy when it did not read
// whole) and read again; its five blobs go through the settings import.

#include "SettingsRoundTrip.h"
#include "platform/desktop/shell/DesktopUserDefaults.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corv;
    // A folder of this process's own, removed at exit.
    static const struct Folder {
        QString path = QDir::tempPath() + QStringLiteral("/corv-fuzz-defaults-") + QString::number(getpid());
        ~Folder() { QDir(path).removeRecursively(); }
    } folder;
    static const QString path = folder.path + QStringLiteral("/defaults.plist");
    QDir().mkpath(folder.path);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    plist::Node file = plist::newDict();
    plist::dictSet(file, settings_keys::kFileVersion, plist::makeData(Bytes{'1'}));
    {
        desktop::DesktopUserDefaults d(path);
        for (const char* key : fuzz::kBlobKeys)
            if (auto blob = d.data(key)) plist::dictSet(file, key, plist::makeData(*blob));
        d.setInteger(settings_keys::kVersion, 261207);
        if (!d.synchronize()) std::abort();
    }
    if (desktop::DesktopUserDefaults(path).integer(settings_keys::kVersion) != 261207) std::abort();
    fuzz::importAndRoundTrip(plist::toBinary(file));
    return 0;
}
