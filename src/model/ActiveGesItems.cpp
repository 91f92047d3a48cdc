#include "model/ActiveGesItems.h"

#include "model/Shared.h"

#include <utility>

namespace corv {

ActiveGesItems& ActiveGesItems::shared() { return Shared<ActiveGesItems>::instance(); }

std::shared_ptr<GesItem> ActiveGesItems::find(std::int64_t key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : it->second;
}

void ActiveGesItems::put(std::int64_t key, std::shared_ptr<GesItem> item) {
    items_.insert_or_assign(key, std::move(item));
}

std::shared_ptr<GesItem> ActiveGesItems::remove(std::int64_t key) {
    auto it = items_.find(key);
    if (it == items_.end()) return nullptr;
    auto item = std::move(it->second);
    items_.erase(it);
    return item;
}

} // namespace corv
