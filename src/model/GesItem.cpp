#include "model/GesItem.h"

namespace corv {

GesItem::GesItem() = default;
GesItem::~GesItem() = default;

} // namespace corv
