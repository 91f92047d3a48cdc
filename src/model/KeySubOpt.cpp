#include "model/KeySubOpt.h"

#include "model/Shared.h"
#include "model/TolerantDecoding.h"

namespace corv {

KeySubOpt& KeySubOpt::shared() { return Shared<KeySubOpt>::instance(); }

void KeySubOpt::encode(plist::KeyedEncoder& e) const {
    e.encode("subGlobalEn", subGlobalEn.get());
    e.encode("keyboards", keySub.get());
}

std::shared_ptr<KeySubOpt> KeySubOpt::decodeObject(const plist::KeyedDecoder& d) {
    const auto enabled = d.decode<bool>("subGlobalEn");
    auto keyboards = decodeEachDroppingFailures<KeySub>(d, "keyboards");
    auto o = std::make_shared<KeySubOpt>();
    o->subGlobalEn.set(enabled);
    o->keySub.set(std::move(keyboards));
    return o;
}

} // namespace corv
