#include "quantize/kmeans/color_points.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "quantize/count_colors.h"

namespace vd::kmeans {

namespace {

// Cells of 4 x 4 x 4 values: 64 per channel.
constexpr int kCellBits = 6;
constexpr std::size_t kCells = std::size_t{1} << (3 * kCellBits);

std::uint32_t cellOf(Color c) {
    return ((c >> 2) & 0x3F) | ((c >> 4) & 0xFC0) | ((c >> 6) & 0x3F000);
}

// Pixel count and the sums of the two low bits of each channel, per cell. The sums stay
// within 32 bits: a cell holds at most 10^8 pixels (the picture limit), each adding 3.
struct CellSums {
    std::uint32_t count, red, green, blue;
};

// Beyond this many pixels the cell sums take every `stride`-th pixel of every `stride`-th
// row: a photograph's cells fill just as well from a quarter of its pixels, and the table
// of sums is too big for the cache, so every pixel costs a miss.
constexpr std::size_t kMostSampledPixels = std::size_t{3} << 20;

int strideFor(const Image& image) {
    int stride = 1;
    while (image.pixelCount() / (static_cast<std::size_t>(stride) * stride) > kMostSampledPixels)
        ++stride;
    return stride;
}

std::vector<CellSums> cellSumsOf(const Image& image, int stride) {
    std::vector<CellSums> cells(kCells, CellSums{0, 0, 0, 0});
    for (int y = 0; y < image.height(); y += stride) {
        const Color* row = image.row(y);
        for (int x = 0; x < image.width(); x += stride) {
            const Color c = row[x];
            CellSums& cell = cells[cellOf(c)];
            ++cell.count;
            cell.red += c & 3;
            cell.green += (c >> 8) & 3;
            cell.blue += (c >> 16) & 3;
        }
    }
    return cells;
}

void addPoint(ColorPoints& points, float r, float g, float b, std::uint32_t weight) {
    points.x.push_back(r * points.scale[0]);
    points.y.push_back(g * points.scale[1]);
    points.z.push_back(b * points.scale[2]);
    points.weight.push_back(pointWeight(weight));
}

int cellRed(std::size_t cell) {
    return static_cast<int>(cell & 0x3F) << 2;
}
int cellGreen(std::size_t cell) {
    return static_cast<int>((cell >> 6) & 0x3F) << 2;
}
int cellBlue(std::size_t cell) {
    return static_cast<int>((cell >> 12) & 0x3F) << 2;
}

void addCellMeans(const std::vector<CellSums>& cells, ColorPoints& points) {
    for (std::size_t cell = 0; cell < kCells; ++cell) {
        const CellSums& s = cells[cell];
        if (s.count == 0) continue;
        const float n = static_cast<float>(s.count);
        addPoint(points, static_cast<float>(cellRed(cell)) + static_cast<float>(s.red) / n,
                 static_cast<float>(cellGreen(cell)) + static_cast<float>(s.green) / n,
                 static_cast<float>(cellBlue(cell)) + static_cast<float>(s.blue) / n, s.count);
    }
}

using ColorCount = std::pair<Color, std::uint32_t>;

// Every distinct colour with its pixel count, in ascending order; nothing when there are more
// than `most`. The pixels are first grouped by their colour's upper 12 bits (a counting sort
// that keeps only the lower 12 bits, two bytes a pixel), then each group is counted in a
// table of 4,096 that stays in the first-level cache: two passes that stream, where one table
// over all the colours misses the cache on nearly every new colour.
constexpr int kLowBits = 12;
constexpr std::size_t kGroups = std::size_t{1} << (24 - kLowBits);
constexpr Color kLowMask = (Color{1} << kLowBits) - 1;

std::optional<std::vector<ColorCount>> countGrouped(const Image& image, std::size_t most) {
    std::vector<std::uint32_t> start(kGroups + 1, 0);
    for (const Color c : image.pixels())
        ++start[((c & kRgbMask) >> kLowBits) + 1];
    for (std::size_t g = 0; g < kGroups; ++g)
        start[g + 1] += start[g];
    const auto lows = std::make_unique_for_overwrite<std::uint16_t[]>(image.pixelCount());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (const Color c : image.pixels())
        lows[next[(c & kRgbMask) >> kLowBits]++] = static_cast<std::uint16_t>(c & kLowMask);

    std::vector<ColorCount> colors;
    std::vector<std::uint32_t> counts(std::size_t{1} << kLowBits, 0);
    std::vector<std::uint16_t> seen;
    for (std::size_t g = 0; g < kGroups; ++g) {
        seen.clear();
        for (std::uint32_t i = start[g]; i < start[g + 1]; ++i)
            if (counts[lows[i]]++ == 0) seen.push_back(lows[i]);
        std::sort(seen.begin(), seen.end());
        for (const std::uint16_t low : seen) {
            colors.emplace_back(static_cast<Color>(g << kLowBits | low), counts[low]);
            counts[low] = 0;
        }
        if (colors.size() > most) return std::nullopt;
    }
    return colors;
}

// Every distinct colour with its pixel count, in one scan through an open-addressing table
// that doubles as it fills; nothing when there are more than `most`. The table grows with
// the colours rather than covering colour space, so a small picture touches little memory.
class ColorCounter {
  public:
    bool countAll(const Image& image, std::size_t most) {
        Color last = kEmpty;
        std::size_t lastSlot = 0;
        for (int y = 0; y < image.height(); ++y) {
            const Color* row = image.row(y);
            for (int x = 0; x < image.width(); ++x) {
                const Color c = row[x] & kRgbMask;
                if (c != last) {
                    last = c;
                    lastSlot = slotFor(c);
                    if (used_ > most) return false;
                }
                ++counts_[lastSlot];
            }
        }
        return true;
    }

    // The colours in ascending order with their counts.
    std::vector<ColorCount> sorted() const {
        std::vector<ColorCount> colors;
        colors.reserve(used_);
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] != kEmpty) colors.emplace_back(keys_[i], counts_[i]);
        std::sort(colors.begin(), colors.end());
        return colors;
    }

  private:
    static constexpr Color kEmpty = 0xFFFFFFFFu;  // never a colour without alpha

    std::size_t slotFor(Color c) {
        std::size_t at = (c * 2654435761u >> 7) & (keys_.size() - 1);
        while (keys_[at] != c) {
            if (keys_[at] == kEmpty) {
                if (2 * (used_ + 1) > keys_.size()) {
                    grow();
                    return slotFor(c);
                }
                keys_[at] = c;
                ++used_;
                return at;
            }
            at = (at + 1) & (keys_.size() - 1);
        }
        return at;
    }

    void grow() {
        std::vector<Color> keys(2 * keys_.size(), kEmpty);
        std::vector<std::uint32_t> counts(keys.size(), 0);
        std::swap(keys, keys_);
        std::swap(counts, counts_);
        used_ = 0;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == kEmpty) continue;
            counts_[slotFor(keys[i])] = counts[i];
        }
    }

    std::vector<Color> keys_ = std::vector<Color>(std::size_t{1} << 12, kEmpty);
    std::vector<std::uint32_t> counts_ = std::vector<std::uint32_t>(std::size_t{1} << 12, 0);
    std::size_t used_ = 0;
};

// Every distinct colour with its pixel count, in ascending order; nothing when there are more
// than `most`. A big photograph passes the limit early in its scan, and its bitmap count is
// the cheaper way to find that out; a big picture of few colours is counted without a
// second copy of its pixels.
std::optional<std::vector<ColorCount>> distinctColorCounts(const Image& image, std::size_t most) {
    if (image.pixelCount() <= kMostSampledPixels) return countGrouped(image, most);
    if (countColorsUpTo(image, static_cast<int>(most)) > static_cast<int>(most))
        return std::nullopt;
    ColorCounter counter;
    if (!counter.countAll(image, most)) return std::nullopt;
    return counter.sorted();
}

}  // namespace

float pointWeight(std::uint32_t pixels) {
    return std::pow(static_cast<float>(pixels), 1.1f);
}

ColorPoints colorPointsOf(const Image& image, ChannelWeights weights) {
    ColorPoints points;
    points.scale = {std::sqrt(weights.red), std::sqrt(weights.green), std::sqrt(weights.blue)};
    if (const auto colors = distinctColorCounts(image, kMostExactColors)) {
        for (const auto& [c, count] : *colors) {
            addPoint(points, static_cast<float>(redOf(c)), static_cast<float>(greenOf(c)),
                     static_cast<float>(blueOf(c)), count);
        }
        return points;
    }
    addCellMeans(cellSumsOf(image, strideFor(image)), points);
    return points;
}

Color colorOfPoint(const std::array<float, 3>& scale, float x, float y, float z) {
    auto channel = [](float scaled, float s) {
        return static_cast<int>(std::clamp(std::nearbyint(scaled / s), 0.0f, 255.0f));
    };
    return makeColor(channel(x, scale[0]), channel(y, scale[1]), channel(z, scale[2]));
}

}  // namespace vd::kmeans
