#include "engine/MicStatusItem.h"

#include "model/Shared.h"

namespace corv::engine {

MicStatusItem& MicStatusItem::shared() { return Shared<MicStatusItem>::instance(); }

} // namespace corv::engine
