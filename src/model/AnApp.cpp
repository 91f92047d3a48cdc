#include "model/AnApp.h"

namespace corv {

AnApp AnApp::makeGlobalDefault(const std::string& currentDirectory) {
    AnApp a;
    a.enabled = true;
    a.url = Url::fileFromPath("", currentDirectory);
    a.lct = a.rct = a.sct = true;
    a.gesLock = a.keyLock = false;
    return a;
}

void AnApp::encode(plist::KeyedEncoder& e) const {
    e.encode("enabled", enabled);
    e.encode("url", url);
    e.encode("ges", ges);
    e.encode("key", key);
    e.encode("lct", lct);
    e.encode("rct", rct);
    e.encode("sct", sct);
    e.encode("gesLock", gesLock);
    e.encode("keyLock", keyLock);
}

AnApp AnApp::decode(const plist::KeyedDecoder& d) {
    AnApp a;
    a.enabled = d.decode<bool>("enabled");
    a.url = d.decode<Url>("url");
    a.ges = d.decode<GestureBindings>("ges");
    a.key = d.decode<KeyBindings>("key");
    a.lct = d.decode<bool>("lct");
    a.rct = d.decode<bool>("rct");
    a.sct = d.decode<bool>("sct");
    a.gesLock = d.decode<bool>("gesLock");
    a.keyLock = d.decode<bool>("keyLock");
    return a;
}

} // namespace corv
