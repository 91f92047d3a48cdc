#include "model/Haptic.h"

#include "model/Shared.h"

namespace corv {

Haptic& Haptic::shared() { return Shared<Haptic>::instance(); }

void Haptic::encode(plist::KeyedEncoder& e) const {
    e.encode("mEnable", mEnable.get());
    e.encode("sEnable", sEnable.get());
    e.encode("mPara", mPara.get());
    e.encode("sPara", sPara.get());
}

std::shared_ptr<Haptic> Haptic::decodeObject(const plist::KeyedDecoder& d) {
    const auto m = d.decode<bool>("mEnable");
    const auto s = d.decode<bool>("sEnable");
    const auto mp = d.decode<Buzz>("mPara");
    const auto sp = d.decode<Buzz>("sPara");
    auto h = std::make_shared<Haptic>();
    h->mEnable.set(m);
    h->sEnable.set(s);
    h->mPara.set(mp);
    h->sPara.set(sp);
    return h;
}

} // namespace corv
