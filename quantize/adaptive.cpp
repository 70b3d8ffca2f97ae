#include "quantize/adaptive.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace vd {

namespace {

// Below this many values a bucket is finished by insertion, cheaper than 256 counters.
constexpr std::size_t kSmallBucket = 48;

void insertionSort(std::span<std::uint32_t> values) {
    for (std::size_t i = 1; i < values.size(); ++i) {
        const std::uint32_t v = values[i];
        std::size_t j = i;
        for (; j > 0 && values[j - 1] > v; --j) values[j] = values[j - 1];
        values[j] = v;
    }
}

// Sorts by the byte at `shift` and then, within each bucket, by the lower bytes. The
// buckets are formed in place by cycling every value to the next free slot of its bucket.
void sortFromByte(std::span<std::uint32_t> values, int shift) {
    if (values.size() < kSmallBucket) {
        insertionSort(values);
        return;
    }
    auto digit = [shift](std::uint32_t v) { return (v >> shift) & 0xFF; };
    std::array<std::size_t, 256> count{};
    for (std::uint32_t v : values) ++count[digit(v)];

    std::array<std::size_t, 256> next{}, end{};
    std::size_t at = 0;
    for (int d = 0; d < 256; ++d) {
        next[d] = at;
        at += count[d];
        end[d] = at;
    }
    for (std::uint32_t d = 0; d < 256; ++d) {
        while (next[d] < end[d]) {
            std::uint32_t v = values[next[d]];
            for (std::uint32_t home = digit(v); home != d; home = digit(v)) {
                std::swap(v, values[next[home]++]);
            }
            values[next[d]++] = v;
        }
    }
    if (shift == 0) return;
    for (int d = 0; d < 256; ++d) {
        if (count[d] > 1) sortFromByte(values.subspan(end[d] - count[d], count[d]), shift - 8);
    }
}

}  // namespace

void radixSort24(std::span<std::uint32_t> values) { sortFromByte(values, 16); }

Palette sampleSortedColors(std::span<const std::uint32_t> sorted, int limit) {
    const std::int64_t n = static_cast<std::int64_t>(sorted.size());
    Palette palette(static_cast<std::size_t>(limit));
    std::int64_t step = n / limit;
    std::int64_t pos = 0;
    std::uint32_t prev = sorted[0] - 1;  // differs from the first value
    for (int i = 0; i < limit; ++i) {
        if (sorted[pos] != prev) {
            prev = sorted[pos];
            palette[i] = prev;
            pos += step;
            continue;
        }
        // The sample would repeat the colour just taken: skip its run and spread the samples
        // still to take evenly over what is left, landing one before each sample point.
        while (sorted[pos] == prev && pos < n - 1) ++pos;
        step = (n - pos) / (limit - i);
        pos = std::max<std::int64_t>(pos + step - 1, 0);
        prev = sorted[pos];
        palette[i] = prev;
    }
    return palette;
}

Palette chooseAdaptivePalette(const Image& reference, int limit,
                              std::span<std::uint32_t> scratch) {
    if (limit < 1) throw std::invalid_argument("a palette needs at least one colour");
    if (scratch.size() < reference.pixelCount()) {
        throw std::invalid_argument("the sample list needs one entry per pixel");
    }
    if (reference.empty()) return {};
    const std::span<std::uint32_t> samples = scratch.first(reference.pixelCount());
    // Rows are contiguous, so the scan order y outer, x inner is the buffer order.
    std::transform(reference.pixels().begin(), reference.pixels().end(), samples.begin(),
                   [](Color c) { return c & kRgbMask; });
    radixSort24(samples);
    return sampleSortedColors(samples, limit);
}

Palette chooseAdaptivePalette(const Image& reference, int limit) {
    std::vector<std::uint32_t> samples(reference.pixelCount());
    return chooseAdaptivePalette(reference, limit, samples);
}

}  // namespace vd
