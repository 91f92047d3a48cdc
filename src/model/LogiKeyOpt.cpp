#include "model/LogiKeyOpt.h"

namespace corv {

void LogiPlatform::encode(plist::KeyedEncoder& e) const {
    e.encode("index", index);
    e.encode("desc", desc);
    e.encode("osMask", osMask);
}

LogiPlatform LogiPlatform::decode(const plist::KeyedDecoder& d) {
    LogiPlatform p;
    p.index = d.decode<std::uint8_t>("index");
    p.desc = d.decode<std::uint8_t>("desc");
    p.osMask = d.decode<std::uint8_t>("osMask");
    return p;
}

void LogiKeyOpt::encode(plist::KeyedEncoder& e) const {
    e.encode("name", name);
    e.encode("platformList", platformList);
    e.encode("id1b04List", id1b04List);
    e.encode("key", key);
    e.encode("rpRateList", rpRateList);
    e.encode("rpRate", rpRate);
    e.encode("backLightOptions", backLightOptions);
    e.encode("backLight", backLight);
    e.encode("fnInversion", fnInversion);
    e.encode("featureMap", featureMap);
    e.encode("featureCompleted", featureCompleted);
}

LogiKeyOpt LogiKeyOpt::decode(const plist::KeyedDecoder& d) {
    LogiKeyOpt o;
    o.name = d.decode<DeviceName>("name");
    o.platformList = d.decode<std::vector<LogiPlatform>>("platformList");
    o.id1b04List = d.decode<std::map<std::uint16_t, std::uint8_t>>("id1b04List");
    o.key = d.decode<LogiKeyBindings>("key");
    o.rpRateList = d.decode<std::uint64_t>("rpRateList");
    o.rpRate = d.decode<std::uint64_t>("rpRate");
    o.backLightOptions = d.decode<std::uint64_t>("backLightOptions");
    o.backLight = d.decode<std::uint64_t>("backLight");
    o.fnInversion = d.decode<bool>("fnInversion");
    o.featureMap = d.decode<std::map<std::int64_t, std::uint8_t>>("featureMap");
    o.featureCompleted = d.decode<bool>("featureCompleted");
    return o;
}

} // namespace corv
