#include "quantize/adaptive.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace vd {

namespace {

// Below this many values a bucket is finished by insertion, cheaper than 2 x 256 counters.
constexpr std::size_t kSmallBucket = 48;

void insertionSort(std::span<std::uint32_t> values) {
    for (std::size_t i = 1; i < values.size(); ++i) {
        const std::uint32_t v = values[i];
        std::size_t j = i;
        for (; j > 0 && values[j - 1] > v; --j)
            values[j] = values[j - 1];
        values[j] = v;
    }
}

// Sorts values that share their top byte by their low two bytes: two stable counting passes
// (red, then green) through `spare`, which has room for all of them.
void sortLowBytes(std::span<std::uint32_t> values, std::span<std::uint32_t> spare) {
    if (values.size() < kSmallBucket) {
        insertionSort(values);
        return;
    }
    std::array<std::array<std::uint32_t, 256>, 2> count{};
    for (std::uint32_t v : values) {
        ++count[0][v & 0xFF];
        ++count[1][(v >> 8) & 0xFF];
    }
    std::array<std::uint32_t, 256> next{};
    for (int d = 1; d < 256; ++d)
        next[d] = next[d - 1] + count[0][d - 1];
    for (std::uint32_t v : values)
        spare[next[v & 0xFF]++] = v;
    next[0] = 0;
    for (int d = 1; d < 256; ++d)
        next[d] = next[d - 1] + count[1][d - 1];
    for (std::uint32_t v : spare.first(values.size()))
        values[next[(v >> 8) & 0xFF]++] = v;
}

}  // namespace

// The pixels are dealt straight from the image into buckets by blue (the top byte of the
// value), then each bucket is sorted by green and red.
void sortedColorValues(const Image& reference, std::span<std::uint32_t> samples) {
    if (samples.size() < reference.pixelCount()) {
        throw std::invalid_argument("the sample list needs one entry per pixel");
    }
    std::array<std::size_t, 256> count{};
    for (Color c : reference.pixels())
        ++count[blueOf(c)];
    std::array<std::size_t, 256> next{};
    std::size_t largest = count[0];
    for (int d = 1; d < 256; ++d) {
        next[d] = next[d - 1] + count[d - 1];
        largest = std::max(largest, count[d]);
    }
    // Rows are contiguous, so the buffer order is the scan order y outer, x inner.
    for (Color c : reference.pixels())
        samples[next[blueOf(c)]++] = c & kRgbMask;
    std::vector<std::uint32_t> spare(largest);
    for (int d = 0; d < 256; ++d) {
        sortLowBytes(samples.subspan(next[d] - count[d], count[d]), spare);
    }
}

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
        while (sorted[pos] == prev && pos < n - 1)
            ++pos;
        step = (n - pos) / (limit - i);
        pos = std::max<std::int64_t>(pos + step - 1, 0);
        prev = sorted[pos];
        palette[i] = prev;
    }
    return palette;
}

Palette chooseAdaptivePalette(const Image& reference, int limit, std::span<std::uint32_t> scratch) {
    if (limit < 1) throw std::invalid_argument("a palette needs at least one colour");
    if (reference.empty()) return {};
    const std::span<std::uint32_t> samples =
        scratch.first(std::min(scratch.size(), reference.pixelCount()));
    sortedColorValues(reference, samples);
    return sampleSortedColors(samples, limit);
}

Palette chooseAdaptivePalette(const Image& reference, int limit) {
    std::vector<std::uint32_t> samples(reference.pixelCount());
    return chooseAdaptivePalette(reference, limit, samples);
}

}  // namespace vd
