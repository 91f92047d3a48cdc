#include "ui/tabs/keyboard/Substitution.h"

#include "engine/KeyboardServices.h"
#include "engine/ModKeyPressed.h"
#include "model/HidKeyTable.h"
#include "model/KeyWords.h"
#include "model/KeySubOpt.h"
#include "platform/HidEventSystem.h"
#include "platform/Platform.h"
#include "recorders/Highlights.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace corv::ui::keyboard {

namespace {

const KeySub* entryAt(std::size_t entry) {
    const auto& all = KeySubOpt::shared().keySub.get();
    return entry < all.size() ? &all[entry] : nullptr;
}

bool pairValid(const KeySub& k, std::size_t idx) {
    return idx < k.subItemsSrc.size() && idx < k.subItemsDst.size() && idx < k.subBidir.size();
}

// Edits a copy of the entry and writes it back whole; false when the pair is
// gone.
bool editPair(const PairRef& p, const std::function<void(KeySub&)>& edit) {
    const KeySub* cur = entryAt(p.entry);
    if (!cur || !pairValid(*cur, p.idx)) return false;
    KeySub k = *cur;
    edit(k);
    k.rebuildOccupiedKeys();
    KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& all) { all[p.entry] = k; });
    return true;
}

void apply(std::size_t entry) {
    if (const KeySub* k = entryAt(entry)) engine::applyKeySubMapping(KeySub(*k));
}

bool occupied(const KeySub& k, std::size_t row) {
    return std::find(k.mapItemOccupied.begin(), k.mapItemOccupied.end(), static_cast<std::int64_t>(row)) !=
           k.mapItemOccupied.end();
}

bool pressedHere(const KeySub& k, std::uint64_t code) {
    for (const engine::PressedKey& p : engine::ModKeyPressed::shared().v.get())
        if (p.code == code && p.keyboard == k.name) return true;
    return false;
}

bool pairHighlighted(const KeySub& k, std::size_t idx) {
    const auto& hi = recorders::PhyKeyHighlighted::shared();
    return pairValid(k, idx) && hi.usage.get() == k.subItemsSrc[idx] && hi.name.get() == k.name &&
           hi.reportDescSum.get() == k.reportDescSum;
}

} // namespace

std::vector<SubBlock> substitutionBlocks() {
    std::vector<SubBlock> out;
    const auto& services = engine::KeyData::shared().k.get();
    for (std::size_t i = 0; i < services.size(); ++i)
        if (auto e = engine::keySubIndexOf(services[i])) out.push_back({i, *e});
    return out;
}

void setModKeySubstitutionEnabled(bool on) {
    const auto services = engine::KeyData::shared().k.get();
    for (const engine::KeySubData& s : services) {
        if (on)
            engine::applyModifierMapping(s.service);
        else
            platform::hidEventSystem().setProperty(s.service, engine::kUserKeyMappingKey, platform::HidPropertyArray{});
    }
}

void addSubstitutionPair(std::size_t entry) {
    const KeySub* cur = entryAt(entry);
    if (!cur) return;
    std::optional<std::uint64_t> code;
    for (std::size_t r = 0; r < kHidKeyRowCount && !code; ++r)
        if (!occupied(*cur, r) && hidKeyTable()[r].code != 0) code = hidKeyTable()[r].code;
    if (!code) return;
    const auto step = [&](const std::function<void(KeySub&)>& edit) {
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& all) {
            edit(all[entry]);
            all[entry].rebuildOccupiedKeys();
        });
    };
    step([&](KeySub& k) { k.subItemsDst.push_back(*code); });
    step([&](KeySub& k) { k.subBidir.push_back(false); });
    step([&](KeySub& k) { k.subItemsSrc.push_back(*code); });
    apply(entry);
}

std::string hidKeyLabel(std::uint64_t code) {
    if (auto row = findHidKeyRow(code)) return std::string(shownKeyName(hidKeyTable()[*row].label));
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code & 0xFFFF));
    return text;
}

bool pairFieldHighlighted(const KeySub& k, std::size_t idx, bool src) {
    return pairHighlighted(k, idx) && recorders::PhyKeyHighlighted::shared().src.get() == src;
}

PairTone pairLabelTone(const KeySub& k, std::size_t idx, bool src) {
    if (!pairValid(k, idx)) return PairTone::Primary;
    const std::uint64_t s = k.subItemsSrc[idx], d = k.subItemsDst[idx];
    if (s == d) return pressedHere(k, s) ? PairTone::Primary : PairTone::Dim;
    if (src) return k.subBidir[idx] && pressedHere(k, d) ? PairTone::Dim : PairTone::Primary;
    return pressedHere(k, s) ? PairTone::Dim : PairTone::Primary;
}

std::vector<PairMenuEntry> pairMenuEntries(const KeySub& k, std::size_t idx, bool src) {
    std::vector<PairMenuEntry> out;
    if (!pairValid(k, idx)) return out;
    const std::uint64_t own = src ? k.subItemsSrc[idx] : k.subItemsDst[idx];
    for (std::size_t r = 0; r < kHidKeyRowCount; ++r) {
        const HidKeyRow& row = hidKeyTable()[r];
        if (row.label == "-") {
            out.push_back({true, "-", false, false});
            continue;
        }
        const bool taken = occupied(k, r) && row.code != own && (src || k.subBidir[idx]);
        out.push_back({false, std::string(shownKeyName(row.label)), !taken, row.code == own});
    }
    return out;
}

bool directionEnabled(const KeySub& k, std::size_t idx) {
    if (!pairValid(k, idx) || k.subItemsSrc[idx] == k.subItemsDst[idx]) return false;
    if (k.subBidir[idx]) return true;
    for (std::int64_t r : k.mapItemOccupied)
        if (r >= 0 && static_cast<std::size_t>(r) < kHidKeyRowCount &&
            hidKeyTable()[static_cast<std::size_t>(r)].code == k.subItemsDst[idx])
            return false;
    return true;
}

void highlightPairField(const PairRef& p, bool src) {
    const KeySub* k = entryAt(p.entry);
    if (!k || !pairValid(*k, p.idx)) return;
    const KeySub copy = *k;
    auto& cid = recorders::LogiKeybHighlighted::shared();
    recorders::CidHilited c = cid.h.get();
    c.cid.reset();
    cid.h.set(c);
    auto& key = recorders::KeyHighlighted::shared();
    recorders::KeyHilited h = key.h.get();
    h.key.reset();
    key.h.set(h);
    auto& phy = recorders::PhyKeyHighlighted::shared();
    phy.usage.set(copy.subItemsSrc[p.idx]);
    phy.name.set(copy.name);
    phy.reportDescSum.set(copy.reportDescSum);
    phy.src.set(src);
}

void selectSourceKey(const PairRef& p, std::size_t row) {
    const KeySub* k = entryAt(p.entry);
    if (!k || !pairValid(*k, p.idx) || row >= kHidKeyRowCount) return;
    const std::uint64_t c = hidKeyTable()[row].code;
    if (c == k->subItemsSrc[p.idx]) return;
    editPair(p, [&](KeySub& e) { e.subItemsSrc[p.idx] = c; });
    auto& phy = recorders::PhyKeyHighlighted::shared();
    phy.usage.set(c);
    phy.src.set(false);
    apply(p.entry);
}

void selectDestinationKey(const PairRef& p, std::size_t row) {
    const KeySub* k = entryAt(p.entry);
    if (!k || !pairValid(*k, p.idx) || row >= kHidKeyRowCount) return;
    const std::uint64_t c = hidKeyTable()[row].code;
    if (c == k->subItemsDst[p.idx]) return;
    editPair(p, [&](KeySub& e) { e.subItemsDst[p.idx] = c; });
    recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
    apply(p.entry);
}

void toggleTwoWay(const PairRef& p) {
    if (editPair(p, [&](KeySub& e) { e.subBidir[p.idx] = !e.subBidir[p.idx]; })) apply(p.entry);
}

void deletePair(const PairRef& p) {
    const KeySub* k = entryAt(p.entry);
    if (!k || !pairValid(*k, p.idx)) return;
    if (pairHighlighted(*k, p.idx)) recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
    // Three writes, sources first, so that the other arrays are never the
    // shorter while the occupied rows are worked out.
    const auto at = static_cast<std::ptrdiff_t>(p.idx);
    const auto eraseFrom = [&](auto KeySub::*list) {
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& all) {
            auto& v = all[p.entry].*list;
            v.erase(v.begin() + at);
            all[p.entry].rebuildOccupiedKeys();
        });
    };
    eraseFrom(&KeySub::subItemsSrc);
    eraseFrom(&KeySub::subItemsDst);
    eraseFrom(&KeySub::subBidir);
    apply(p.entry);
}

} // namespace corv::ui::keyboard
