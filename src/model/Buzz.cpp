#include "model/Buzz.h"

namespace corv {

void Buzz::encode(plist::KeyedEncoder& e) const {
    e.encode("type", type);
    e.encode("flags", flags);
    e.encode("intensity", intensity);
    e.encode("arg4", arg4);
}

Buzz Buzz::decode(const plist::KeyedDecoder& d) {
    Buzz b;
    b.type = d.decode<std::int64_t>("type");
    b.flags = d.decode<std::uint32_t>("flags");
    b.intensity = d.decode<float>("intensity");
    b.arg4 = d.decode<float>("arg4");
    return b;
}

} // namespace corv
