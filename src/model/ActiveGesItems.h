#pragma once

// The gesture items in progress, by gesture key. Main thread only.

#include "model/GesItem.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace corv {

class ActiveGesItems {
public:
    // The keys the taps use.
    static constexpr std::int64_t kTranslation = 4;
    static constexpr std::int64_t kRotation = 5;
    static constexpr std::int64_t kTwoFingerSwipe = 6;
    static constexpr std::int64_t kZoom = 8;
    static constexpr std::int64_t kDockSwipe = 30;
    static constexpr std::int64_t kForceClick = 32;

    static ActiveGesItems& shared();

    // The item under the key, or null.
    std::shared_ptr<GesItem> find(std::int64_t key) const;
    bool contains(std::int64_t key) const { return items_.count(key) != 0; }
    // Puts the item under the key, replacing any there.
    void put(std::int64_t key, std::shared_ptr<GesItem> item);
    // Takes the item out; null when there was none.
    std::shared_ptr<GesItem> remove(std::int64_t key);
    void clear() { items_.clear(); }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    const std::map<std::int64_t, std::shared_ptr<GesItem>>& items() const { return items_; }

private:
    std::map<std::int64_t, std::shared_ptr<GesItem>> items_;
};

} // namespace corv
