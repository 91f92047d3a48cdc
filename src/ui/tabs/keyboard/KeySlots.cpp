#include "ui/tabs/keyboard/KeySlots.h"

#include "model/LogiKeysOpt.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"

namespace corv::ui::keyboard {

KeySlotRef KeySlotRef::general(std::string appid, std::uint64_t key, std::uint64_t mod) {
    KeySlotRef s;
    s.appid = std::move(appid);
    s.key = key;
    s.mod = mod;
    return s;
}

KeySlotRef KeySlotRef::control(std::int64_t optIdx, std::uint16_t cid) {
    KeySlotRef s;
    s.logi = true;
    s.optIdx = optIdx;
    s.cid = cid;
    return s;
}

namespace {

const BindAction* controlSlot(const std::vector<LogiKeyOpt>& k, std::int64_t optIdx, std::uint16_t cid) {
    if (optIdx < 0 || static_cast<std::size_t>(optIdx) >= k.size()) return nullptr;
    const auto& keys = k[static_cast<std::size_t>(optIdx)].key;
    auto c = keys.find(cid);
    if (c == keys.end()) return nullptr;
    auto m = c->second.find(0);
    return m == c->second.end() ? nullptr : &m->second;
}

} // namespace

std::optional<BindAction> readSlot(const KeySlotRef& s) {
    if (s.logi) {
        const BindAction* b = controlSlot(LogiKeysOpt::shared().k.get(), s.optIdx, s.cid);
        return b ? std::optional<BindAction>(*b) : std::nullopt;
    }
    const AnApp* e = recorders::appEntry(s.appid);
    return e ? recorders::keyBindingAt(*e, s.key, s.mod) : std::nullopt;
}

bool editSlot(const KeySlotRef& s, const std::function<void(BindAction&)>& edit) {
    if (s.logi) {
        auto& opts = LogiKeysOpt::shared().k;
        if (!controlSlot(opts.get(), s.optIdx, s.cid)) return false;
        opts.modify([&](std::vector<LogiKeyOpt>& k) { edit(k[static_cast<std::size_t>(s.optIdx)].key[s.cid][0]); });
        return true;
    }
    bool done = false;
    recorders::editEntry(s.appid, [&](AnApp& e) {
        BindAction* b = recorders::keySlot(e, s.key, s.mod);
        if (!b) return false;
        edit(*b);
        return done = true;
    });
    return done;
}

bool removeKeySlot(KeyBindings& map, std::uint64_t k, std::uint64_t m) {
    auto level = map.find(k);
    if (level == map.end() || !level->second.erase(m)) return false;
    if (level->second.empty()) map.erase(level);
    return true;
}

void carryGlobalSlot(std::uint64_t k, std::uint64_t m, const std::optional<BindAction>& old) {
    if (!old) return;
    const AnApp* global = recorders::appEntry("");
    const std::optional<BindAction> now = global ? recorders::keyBindingAt(*global, k, m) : std::nullopt;
    for (const std::string& id : recorders::unlockedKeyApps(Apps::shared().a.get())) {
        recorders::editEntry(id, [&](AnApp& e) {
            if (!e.key.count(k) || !recorders::sameBinding(recorders::keyBindingAt(e, k, m), old)) return false;
            if (now) {
                e.key[k][m] = *now;
                return true;
            }
            return removeKeySlot(e.key, k, m);
        });
    }
}

} // namespace corv::ui::keyboard
