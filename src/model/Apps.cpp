#include "model/Apps.h"

#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv {

Apps& Apps::shared() { return Shared<Apps>::instance(); }

void Apps::setDefaultGlobalEntry() {
    AnApp entry = AnApp::makeGlobalDefault(platform::files().currentDirectory());
    a.modify([&](AppEntries& apps) { apps.insert_or_assign(std::string(), std::move(entry)); });
}

void Apps::encode(plist::KeyedEncoder& e) const { e.encode("apps", a.get()); }

std::shared_ptr<Apps> Apps::decodeObject(const plist::KeyedDecoder& d) {
    if (!d.contains("apps")) throw plist::CodingError("missing key \"apps\"");
    plist_t dict = plist::dictItem(d.node(), "apps");
    if (!plist::isDict(dict)) throw plist::CodingError("\"apps\" is not a dictionary");
    AppEntries entries;
    bool globalDropped = false;
    for (auto& [id, node] : plist::dictEntries(dict)) {
        try {
            entries.insert_or_assign(id, plist::Codec<AnApp>::decode(node));
        } catch (const plist::CodingError&) {
            if (id.empty()) globalDropped = true;
        }
    }
    auto apps = std::make_shared<Apps>();
    apps->a.set(std::move(entries));
    // A global profile that could not be read is replaced by the default one.
    if (globalDropped) apps->setDefaultGlobalEntry();
    return apps;
}

} // namespace corv
