#include "logitech/PairingInfo.h"

#include "model/Shared.h"

namespace corv::logitech {

PairingInfo& PairingInfo::shared() { return Shared<PairingInfo>::instance(); }

} // namespace corv::logitech
