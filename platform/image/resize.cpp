#include "platform/image/resize.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vd {

namespace {

// How one axis maps onto the source: destination index i takes the source indices
// first[i] .. first[i] + count[i] - 1 with the integer weights stored from offset[i]. The
// weights of every destination index add up to `total`, so a uniform picture stays uniform
// exactly and the only rounding is the final division.
struct AxisWeights {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset;
    std::vector<std::uint32_t> weights;
    std::uint32_t total = 1;

    void add(int destination, int sourceIndex, std::uint32_t weight) {
        if (count[destination] == 0) first[destination] = sourceIndex;
        ++count[destination];
        weights.push_back(weight);
    }
};

AxisWeights emptyAxis(int destinationSize) {
    AxisWeights axis;
    axis.first.assign(destinationSize, 0);
    axis.count.assign(destinationSize, 0);
    axis.offset.assign(destinationSize, 0);
    return axis;
}

// Shrinking (or keeping the size): destination pixel i covers the source interval
// [i * src / dst, (i + 1) * src / dst). Measured in units of 1 / dst source pixels, every
// overlap is an integer and the overlaps of one destination pixel add up to src.
AxisWeights areaWeights(int sourceSize, int destinationSize) {
    AxisWeights axis = emptyAxis(destinationSize);
    axis.total = static_cast<std::uint32_t>(sourceSize);
    const std::int64_t src = sourceSize, dst = destinationSize;
    for (int i = 0; i < destinationSize; ++i) {
        axis.offset[i] = static_cast<int>(axis.weights.size());
        const std::int64_t lo = i * src, hi = (i + 1) * src;
        for (std::int64_t j = lo / dst; j * dst < hi; ++j) {
            const std::int64_t overlap = std::min(hi, (j + 1) * dst) - std::max(lo, j * dst);
            axis.add(i, static_cast<int>(j), static_cast<std::uint32_t>(overlap));
        }
    }
    return axis;
}

// Enlarging: the centre of destination pixel i lies at source position
// ((2i + 1) * src - dst) / (2 * dst); it mixes the two source pixels around it in
// proportion to the distance. Positions before the first or past the last pixel centre
// take the edge pixel.
AxisWeights bilinearWeights(int sourceSize, int destinationSize) {
    AxisWeights axis = emptyAxis(destinationSize);
    const std::int64_t src = sourceSize, dst = destinationSize, denominator = 2 * dst;
    axis.total = static_cast<std::uint32_t>(denominator);
    for (int i = 0; i < destinationSize; ++i) {
        axis.offset[i] = static_cast<int>(axis.weights.size());
        const std::int64_t numerator = (2 * i + 1) * src - dst;
        const std::int64_t j = numerator <= 0 ? 0 : numerator / denominator;
        const std::int64_t fraction = numerator <= 0 ? 0 : numerator % denominator;
        if (j >= src - 1 || fraction == 0) {
            axis.add(i, static_cast<int>(std::min(j, src - 1)), axis.total);
        } else {
            axis.add(i, static_cast<int>(j), static_cast<std::uint32_t>(denominator - fraction));
            axis.add(i, static_cast<int>(j + 1), static_cast<std::uint32_t>(fraction));
        }
    }
    return axis;
}

AxisWeights axisWeights(int sourceSize, int destinationSize) {
    return destinationSize > sourceSize ? bilinearWeights(sourceSize, destinationSize)
                                        : areaWeights(sourceSize, destinationSize);
}

// Adds `weight` times every channel of a source row to the per-channel sums.
void accumulateRow(const Color* row, int width, std::uint32_t weight, std::uint32_t* sums) {
    for (int x = 0; x < width; ++x) {
        const Color p = row[x];
        std::uint32_t* s = sums + 4 * static_cast<std::size_t>(x);
        s[0] += weight * (p & 0xFFu);
        s[1] += weight * ((p >> 8) & 0xFFu);
        s[2] += weight * ((p >> 16) & 0xFFu);
        s[3] += weight * (p >> 24);
    }
}

// Turns the vertically mixed sums of one row into a destination row.
void resampleRow(const std::uint32_t* sums, const AxisWeights& horizontal,
                 std::uint64_t verticalTotal, Color* out, int width) {
    const std::uint64_t total = verticalTotal * horizontal.total;
    const std::uint64_t half = total / 2;
    for (int x = 0; x < width; ++x) {
        std::uint64_t acc[4] = {0, 0, 0, 0};
        const std::uint32_t* w = horizontal.weights.data() + horizontal.offset[x];
        const std::uint32_t* s = sums + 4 * static_cast<std::size_t>(horizontal.first[x]);
        for (int k = 0; k < horizontal.count[x]; ++k, s += 4) {
            for (int c = 0; c < 4; ++c)
                acc[c] += static_cast<std::uint64_t>(w[k]) * s[c];
        }
        Color p = 0;
        for (int c = 0; c < 4; ++c)
            p |= static_cast<Color>((acc[c] + half) / total) << (8 * c);
        out[x] = p;
    }
}

}  // namespace

Image resizeSmooth(const Image& source, int width, int height) {
    // At its own size every weight is whole: the resample is the picture itself.
    if (!source.empty() && width == source.width() && height == source.height()) return source;
    Image result(width, height, source.depth());
    if (source.empty()) return result;
    const AxisWeights horizontal = axisWeights(source.width(), width);
    const AxisWeights vertical = axisWeights(source.height(), height);
    std::vector<std::uint32_t> sums(4 * static_cast<std::size_t>(source.width()));
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const std::uint32_t* w = vertical.weights.data() + vertical.offset[y];
        for (int k = 0; k < vertical.count[y]; ++k) {
            accumulateRow(source.row(vertical.first[y] + k), source.width(), w[k], sums.data());
        }
        resampleRow(sums.data(), horizontal, vertical.total, result.row(y), width);
    }
    return result;
}

}  // namespace vd
