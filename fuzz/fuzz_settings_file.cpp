// A settings file, as named on the command line or loaded from the settings tab.

#include "SettingsRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corv::fuzz::importAndRoundTrip(corv::Bytes(data, data + size));
    return 0;
}
