// One settings blob: the first byte picks the object, the rest is its blob.

#include "SettingsRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corv::fuzz;
    if (size == 0) return 0;
    const char* key = kBlobKeys[data[0] % std::size(kBlobKeys)];
    importAndRoundTrip(fileWithBlob(key, corv::Bytes(data + 1, data + size)));
    return 0;
}
