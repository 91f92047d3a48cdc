#include "model/MainStatusItem.h"

#include "model/Shared.h"

namespace corv {

MainStatusItem& MainStatusItem::shared() { return Shared<MainStatusItem>::instance(); }

} // namespace corv
