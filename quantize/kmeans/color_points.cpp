#include "quantize/kmeans/color_points.h"

#include <algorithm>
#include <cmath>

#include "quantize/count_colors.h"

namespace vd::kmeans {

namespace {

// Cells of 4 x 4 x 4 values: 64 per channel.
constexpr int kCellBits = 6;
constexpr std::size_t kCells = std::size_t{1} << (3 * kCellBits);

std::uint32_t cellOf(Color c) {
    return ((c >> 2) & 0x3F) | ((c >> 4) & 0xFC0) | ((c >> 6) & 0x3F000);
}
// The two low bits of each channel, as a place 0..63 inside the cell.
std::uint32_t placeInCell(Color c) {
    return (c & 3) | ((c >> 6) & 0xC) | ((c >> 12) & 0x30);
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

// A second scan counts every distinct colour inside the occupied cells.
void addExactColors(const Image& image, const std::vector<CellSums>& cells, ColorPoints& points) {
    std::vector<std::int32_t> slotOfCell(kCells, -1);
    std::int32_t slots = 0;
    for (std::size_t cell = 0; cell < kCells; ++cell) {
        if (cells[cell].count != 0) slotOfCell[cell] = slots++;
    }
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(slots) * 64, 0);
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const Color c = row[x];
            ++counts[static_cast<std::size_t>(slotOfCell[cellOf(c)]) * 64 + placeInCell(c)];
        }
    }
    for (std::size_t cell = 0; cell < kCells; ++cell) {
        if (slotOfCell[cell] < 0) continue;
        const std::uint32_t* inCell = &counts[static_cast<std::size_t>(slotOfCell[cell]) * 64];
        for (int place = 0; place < 64; ++place) {
            if (inCell[place] == 0) continue;
            addPoint(points, static_cast<float>(cellRed(cell) + (place & 3)),
                     static_cast<float>(cellGreen(cell) + ((place >> 2) & 3)),
                     static_cast<float>(cellBlue(cell) + ((place >> 4) & 3)), inCell[place]);
        }
    }
}

}  // namespace

float pointWeight(std::uint32_t pixels) {
    return std::pow(static_cast<float>(pixels), 1.1f);
}

ColorPoints colorPointsOf(const Image& image, ChannelWeights weights) {
    ColorPoints points;
    points.scale = {std::sqrt(weights.red), std::sqrt(weights.green), std::sqrt(weights.blue)};
    const int distinct = countColorsUpTo(image, kMostExactColors);
    const bool exact = distinct <= kMostExactColors;
    // Every pixel counts where every colour is a point, so that none is missed.
    const std::vector<CellSums> cells = cellSumsOf(image, exact ? 1 : strideFor(image));
    const auto room = static_cast<std::size_t>(
        exact ? distinct : std::count_if(cells.begin(), cells.end(), [](const CellSums& s) {
            return s.count != 0;
        }));
    points.x.reserve(room);
    points.y.reserve(room);
    points.z.reserve(room);
    points.weight.reserve(room);
    if (exact) {
        addExactColors(image, cells, points);
    } else {
        addCellMeans(cells, points);
    }
    return points;
}

Color colorOfPoint(const std::array<float, 3>& scale, float x, float y, float z) {
    auto channel = [](float scaled, float s) {
        return static_cast<int>(std::clamp(std::nearbyint(scaled / s), 0.0f, 255.0f));
    };
    return makeColor(channel(x, scale[0]), channel(y, scale[1]), channel(z, scale[2]));
}

}  // namespace vd::kmeans
