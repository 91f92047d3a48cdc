#include "ui/tabs/keyboard/LogiBlocks.h"

#include "logitech/LogiKeybs.h"
#include "model/ActionTable.h"
#include "model/KeyWords.h"
#include "model/LogiControlNames.h"
#include "model/LogiKeysOpt.h"
#include "recorders/Highlights.h"
#include "ui/tabs/keyboard/KeySlots.h"

namespace corv::ui::keyboard {

namespace {

void editRecord(int optIdx, const std::function<void(LogiKeyOpt&)>& edit) {
    if (!logiRecord(optIdx)) return;
    LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& k) { edit(k[static_cast<std::size_t>(optIdx)]); });
}

} // namespace

const LogiKeyOpt* logiRecord(int optIdx) {
    const auto& k = LogiKeysOpt::shared().k.get();
    return optIdx >= 0 && static_cast<std::size_t>(optIdx) < k.size() ? &k[static_cast<std::size_t>(optIdx)] : nullptr;
}

bool logiSectionShown() {
    for (const auto& e : logitech::LogiKeybsUI::shared().k.get())
        if (e.valid) return true;
    return false;
}

std::vector<LogiBlock> listLogiBlocks() {
    std::vector<LogiBlock> out;
    const auto& list = logitech::LogiKeybsUI::shared().k.get();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto& e = list[i];
        const LogiKeyOpt* rec = e.valid ? logiRecord(e.optIndex) : nullptr;
        if (!rec || rec->id1b04List.empty()) continue;
        LogiBlock b;
        b.slot = static_cast<int>(i);
        b.optIdx = e.optIndex;
        b.product = e.name.product;
        b.battery = e.battery;
        b.showBattery = e.battery >= 1;
        for (const auto& [cid, flags] : rec->id1b04List)
            if (!rec->key.count(cid)) b.addEnabled = true;
        for (const auto& [cid, m] : rec->key) b.controls.push_back(cid);
        out.push_back(std::move(b));
    }
    return out;
}

void highlightQuirkKey(int optIdx, std::uint16_t cid) {
    auto& key = recorders::KeyHighlighted::shared();
    recorders::KeyHilited h = key.h.get();
    h.key.reset();
    key.h.set(h);
    recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
    recorders::LogiKeybHighlighted::shared().h.set(recorders::CidHilited{optIdx, cid});
}

void addQuirkKeyBinding(int optIdx) {
    const LogiKeyOpt* rec = logiRecord(optIdx);
    if (!rec) return;
    std::optional<std::uint16_t> next;
    for (const auto& [cid, flags] : rec->id1b04List)
        if (!rec->key.count(cid)) {
            next = cid;
            break;
        }
    if (!next) return;
    editRecord(optIdx, [&](LogiKeyOpt& r) { r.key[*next] = {{0, BindAction::makeDefault()}}; });
    highlightQuirkKey(optIdx, *next);
}

bool quirkHighlighted(int optIdx, std::uint16_t cid) {
    const recorders::CidHilited h = recorders::LogiKeybHighlighted::shared().h.get();
    return h.cid == cid && h.optIdx == optIdx;
}

std::string controlDisplayText(std::uint16_t cid) {
    if (auto name = logiControlName(cid)) return std::string(shownKeyName(*name));
    return "Key " + std::to_string(cid);
}

std::vector<ControlItem> controlMenuItems(int optIdx) {
    std::vector<ControlItem> out;
    const LogiKeyOpt* rec = logiRecord(optIdx);
    if (!rec) return out;
    for (const auto& [cid, flags] : rec->id1b04List)
        if (!rec->key.count(cid)) out.push_back({cid, controlDisplayText(cid), (flags & 0x04) != 0});
    return out;
}

void chooseMenuControl(int optIdx, std::uint16_t from, std::uint16_t to) {
    const LogiKeyOpt* rec = logiRecord(optIdx);
    if (!rec || from == to) return;
    auto m = rec->key.find(from);
    const std::optional<std::map<std::uint64_t, BindAction>> moved =
        m == rec->key.end() ? std::nullopt : std::optional(m->second);
    editRecord(optIdx, [&](LogiKeyOpt& r) {
        if (moved)
            r.key[to] = *moved;
        else
            r.key.erase(to);
    });
    editRecord(optIdx, [&](LogiKeyOpt& r) { r.key.erase(from); });
    auto& hi = recorders::LogiKeybHighlighted::shared();
    recorders::CidHilited h = hi.h.get();
    h.cid = to;
    hi.h.set(h);
}

void deleteQuirkBinding(int optIdx, std::uint16_t cid) {
    if (quirkHighlighted(optIdx, cid)) {
        auto& hi = recorders::LogiKeybHighlighted::shared();
        recorders::CidHilited h = hi.h.get();
        h.cid.reset();
        hi.h.set(h);
    }
    editRecord(optIdx, [&](LogiKeyOpt& r) { r.key.erase(cid); });
}

bool quirkEditorShown(int optIdx, std::uint16_t cid) {
    if (!quirkHighlighted(optIdx, cid)) return false;
    const std::optional<BindAction> b = readSlot(KeySlotRef::control(optIdx, cid));
    return b && !b->isHotkey && b->actionSel == ActionId::Url;
}

} // namespace corv::ui::keyboard
