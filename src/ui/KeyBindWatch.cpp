#include "ui/KeyBindWatch.h"

#include "model/Shared.h"
#include "recorders/KeyBind.h"

namespace corv::ui {

void KeyBindWatch::follow() {
    const std::shared_ptr<recorders::KeyBind> current = Shared<recorders::KeyBind>::pointer();
    if (watched_.lock() == current) return;
    subs_.clear();
    watched_ = current;
    if (!current) return;
    auto changed = [this](const auto&) { changed_(); };
    subs_.push_back(current->raw.subscribe(changed));
    subs_.push_back(current->key.subscribe(changed));
    subs_.push_back(current->keyDownCount.subscribe(changed));
    subs_.push_back(current->modAllUp.subscribe(changed));
}

void KeyBindWatch::stop() {
    subs_.clear();
    watched_.reset();
}

} // namespace corv::ui
