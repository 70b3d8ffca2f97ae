#include "quantize/census_set.h"

#include <charconv>

namespace vd {

namespace {

constexpr std::size_t kColorCount = std::size_t{1} << 24;

// FNV-1a over the characters: cheap, and every digit moves the slot.
std::uint32_t hashText(const char* first, const char* last) {
    std::uint32_t hash = 2166136261u;
    for (const char* p = first; p != last; ++p) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

CensusSet::CensusSet() : slots_(kSlotCount) {}

int CensusSet::slotOfText(Color c) {
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, c & kRgbMask).ptr;
    return static_cast<int>(hashText(text, end) % kSlotCount);
}

bool CensusSet::seen(Color c) const {
    if (seen_.empty()) return false;
    return (seen_[c >> 6] >> (c & 63)) & 1u;
}

void CensusSet::markSeen(Color c, bool on) {
    // Allocated on the first insert: most programs never take a census.
    if (seen_.empty()) seen_.assign(kColorCount / 64, 0);
    const std::uint64_t bit = std::uint64_t{1} << (c & 63);
    if (on)
        seen_[c >> 6] |= bit;
    else
        seen_[c >> 6] &= ~bit;
}

void CensusSet::insert(Color c) {
    c &= kRgbMask;
    if (seen(c)) return;
    // Linear probing always finds a free slot: a census stops far below kSlotCount colours,
    // and a full table is refused rather than looping.
    if (size_ >= kSlotCount) return;
    int slot = slotOfText(c);
    while (slots_[static_cast<std::size_t>(slot)].used)
        slot = (slot + 1) % kSlotCount;
    slots_[static_cast<std::size_t>(slot)] = {c, true};
    markSeen(c, true);
    ++size_;
}

bool CensusSet::contains(Color c) const {
    return seen(c & kRgbMask);
}

Palette CensusSet::colors() const {
    Palette result;
    result.reserve(static_cast<std::size_t>(size_));
    for (const Slot& slot : slots_)
        if (slot.used) result.push_back(slot.color);
    return result;
}

void CensusSet::clear() {
    if (size_ == 0) return;
    for (Slot& slot : slots_) {
        if (slot.used) markSeen(slot.color, false);
        slot = {};
    }
    size_ = 0;
}

void takeCensus(const Image& image, CensusSet& set) {
    if (set.size() > kPaletteShownColors) return;
    const Color* pixel = image.pixels().data();
    const Color* const end = pixel + image.pixelCount();
    // Runs of one colour are the rule in a quantized picture: only a change of colour needs
    // a look at the set, and only a new colour can end the scan.
    Color last = 0xFFFFFFFFu;
    for (; pixel != end; ++pixel) {
        const Color c = *pixel & kRgbMask;
        if (c == last) continue;
        last = c;
        set.insert(c);
        if (set.size() > kPaletteShownColors) return;
    }
}

}  // namespace vd
