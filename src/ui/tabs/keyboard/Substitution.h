#pragma once

// Modifier-key substitution: the master switch, one block per listed
// keyboard service with a record, adding a pair, and a pair row's fields,
// menus, direction and delete. Every edit of a pair is written to the
// keyboard at once.

#include "model/KeySub.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::ui::keyboard {

struct SubBlock {
    std::size_t service = 0;  // index into KeyData.k
    std::size_t entry = 0;    // index into KeySubOpt.keySub
};
std::vector<SubBlock> substitutionBlocks();

// The switch changed (by click or not): on writes each service's own pairs,
// off an empty mapping to every listed service.
void setModKeySubstitutionEnabled(bool on);
// A one-way pair of the first free row onto itself.
void addSubstitutionPair(std::size_t entry);

struct PairRef {
    std::size_t entry = 0;
    std::size_t idx = 0;
};

// The label of the first row with the code, or "0x%02X" of its low 16 bits.
std::string hidKeyLabel(std::uint64_t code);

// The pair's field (source or destination) holds the highlight.
bool pairFieldHighlighted(const KeySub& k, std::size_t idx, bool src);

enum class PairTone { Primary, Dim };
// A field's colour while not highlighted, given the keys held now.
PairTone pairLabelTone(const KeySub& k, std::size_t idx, bool src);

struct PairMenuEntry {
    bool separator = false;
    std::string label;
    bool enabled = true;
    bool accent = false;
};
std::vector<PairMenuEntry> pairMenuEntries(const KeySub& k, std::size_t idx, bool src);
bool directionEnabled(const KeySub& k, std::size_t idx);

void highlightPairField(const PairRef& p, bool src);
void selectSourceKey(const PairRef& p, std::size_t row);
void selectDestinationKey(const PairRef& p, std::size_t row);
void toggleTwoWay(const PairRef& p);
void deletePair(const PairRef& p);

} // namespace corv::ui::keyboard
