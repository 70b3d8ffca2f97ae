#include "quantize/kmeans/mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#include <emmintrin.h>

#include "quantize/color_set.h"
#include "quantize/kmeans/chunks.h"
#include "quantize/nearest_grid.h"

namespace vd::kmeans {

namespace {

// The share of the carried error that is diffused, by how far the palette is from the
// picture. A close palette (a typical error near 3 levels: 256 colours of a photograph)
// leaves little banding to hide, and noise there costs more than it hides; a coarse one
// (5 levels and more: 64 colours and fewer) gains more from diffusion. Measured on
// photographs at 16 to 256 colours, in PSNR, colour difference and PSNR after a blur.
float strengthFor(float typicalError) {
    return std::clamp(0.65f + 0.1f * (typicalError - 3.0f), 0.65f, 0.75f);
}
// Carried error per channel, in typical errors.
constexpr float kErrorLimit = 6.0f;
// Busyness (the largest colour step to a neighbour) where diffusion starts to weaken, the
// span over which it falls, and how weak it may get, in typical errors.
constexpr float kBusyStart = 5.0f;
constexpr float kBusySpan = 15.0f;
constexpr float kBusyFloor = 0.3f;
// Bands of rows mapped each on its own, so that two cores can share the work.
constexpr int kBands = 2;

int stepBetween(Color a, Color b) {
    return std::abs(redOf(a) - redOf(b)) + std::abs(greenOf(a) - greenOf(b)) +
           std::abs(blueOf(a) - blueOf(b));
}

// Strengths in 1/256, by busyness 0..765 (the largest colour step to a neighbour): full in
// smooth areas, falling off where the picture is busy.
constexpr int kMostStep = 765;
std::vector<int> strengthTable(float typicalError) {
    const float start = kBusyStart * typicalError;
    const float span = std::max(kBusySpan * typicalError, 1.0f);
    std::vector<int> table(kMostStep + 1);
    const float strength = strengthFor(typicalError);
    for (int step = 0; step <= kMostStep; ++step) {
        const float calm =
            std::clamp(1.0f - (static_cast<float>(step) - start) / span, kBusyFloor, 1.0f);
        table[step] = static_cast<int>(256.0f * strength * calm + 0.5f);
    }
    return table;
}

// The diffusion strength (in 1/256) for every pixel of a row, from the steps to its four
// neighbours. Each step between two pixels is measured once: `down` holds the steps from
// row y to row y + 1, kept for the next row as the steps up.
class Busyness {
  public:
    Busyness(const Image& source, const std::vector<int>& table)
        : source_(source),
          table_(table),
          across_(source.width()),
          up_(source.width(), 0),
          down_(source.width(), 0) {}

    void strengthsOfRow(int y, std::vector<int>& out) {
        const int w = source_.width();
        const Color* row = source_.row(y);
        if (y == lastRow_ + 1) {
            std::swap(up_, down_);
        } else {
            stepsBetween(y - 1, y, up_);
        }
        stepsBetween(y, y + 1, down_);
        lastRow_ = y;
        for (int x = 0; x + 1 < w; ++x)
            across_[x] = stepBetween(row[x], row[x + 1]);
        for (int x = 0; x < w; ++x) {
            int most = std::max(up_[x], down_[x]);
            if (x > 0) most = std::max(most, across_[x - 1]);
            if (x + 1 < w) most = std::max(most, across_[x]);
            out[x] = table_[most];
        }
    }

  private:
    // Steps between two rows; none where one of them is off the picture.
    void stepsBetween(int first, int second, std::vector<int>& steps) const {
        if (first < 0 || second >= source_.height()) {
            std::fill(steps.begin(), steps.end(), 0);
            return;
        }
        const Color* a = source_.row(first);
        const Color* b = source_.row(second);
        for (int x = 0; x < source_.width(); ++x)
            steps[x] = stepBetween(a[x], b[x]);
    }

    const Image& source_;
    const std::vector<int>& table_;
    std::vector<int> across_, up_, down_;
    int lastRow_ = -2;
};

// The palette's colours, to tell at once whether a pixel is one of them.
ColorSet paletteSet(std::span<const std::uint32_t> sorted) {
    ColorSet set(sorted.size());
    for (std::uint32_t entry : sorted)
        set.insert(entry & kRgbMask);
    return set;
}

// Errors carried into a pixel in 16-bit lanes (red, green, blue, a spare zero), in 1/256 of a
// level: errors are kept in sixteenths, and the Floyd-Steinberg weights are sixteenths too.
// The error limit keeps every sum within 16 bits: at most 16 x 1920.
constexpr int kMostLimit = 1920;
struct alignas(8) Carried {
    std::int16_t lane[4] = {0, 0, 0, 0};
};

inline __m128i load(const Carried& c) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.lane));
}
inline void store(Carried& c, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(c.lane), v);
}
inline void add(Carried& c, __m128i v) {
    store(c, _mm_adds_epi16(load(c), v));
}

// A colour's channels in the low four 16-bit lanes, the fourth zero.
inline __m128i lanesOf(Color c) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c & kRgbMask)),
                             _mm_setzero_si128());
}

struct Settings {
    std::int16_t limit;  // carried error per channel, in sixteenths
    std::vector<int> strengths;
};

std::size_t rowPixels(const Image& image, int first, int end) {
    return static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(end - first);
}

// Rows [first, end) of the picture, diffusing the error only within them, a pixel at a time
// so that two bands can take turns.
class BandDither {
  public:
    BandDither(const Image& source, Image& target, NearestGrid& grid, const ColorSet& palette,
               const Settings& settings, int first, int end)
        : source_(source),
          target_(target),
          grid_(grid),
          palette_(palette),
          limit_(settings.limit),
          busyness_(source, settings.strengths),
          y_(first),
          end_(end),
          thisRow_(source.width() + 2),
          nextRow_(source.width() + 2),
          strength_(source.width()) {}

    bool hasRow() const { return y_ < end_; }

    void startRow() {
        in_ = source_.row(y_);
        out_ = target_.row(y_);
        busyness_.strengthsOfRow(y_, strength_);
        dir_ = (y_ % 2 == 0) ? 1 : -1;  // serpentine
        std::fill(nextRow_.begin(), nextRow_.end(), Carried{});
    }

    // The i-th pixel of the row in the row's direction.
    [[gnu::always_inline]] void pixel(int i) {
        const int w = source_.width();
        const int x = dir_ > 0 ? i : w - 1 - i;
        const Color c = in_[x] & kRgbMask;
        if (palette_.contains(c)) {
            out_[x] = in_[x];  // a palette colour: kept, and the error stops here
            return;
        }
        const __m128i zero = _mm_setzero_si128();
        // want = 16 c + carried x strength, in sixteenths: (carried x 16 k) >> 16, with k in
        // 1/256, is carried x k / 4096.
        const __m128i k = _mm_set1_epi16(static_cast<std::int16_t>(16 * strength_[x]));
        __m128i want = _mm_adds_epi16(_mm_slli_epi16(lanesOf(c), 4),
                                      _mm_mulhi_epi16(load(thisRow_[x + 1]), k));
        want = _mm_min_epi16(_mm_max_epi16(want, zero), _mm_set1_epi16(16 * 255));
        const __m128i rounded = _mm_srli_epi16(_mm_add_epi16(want, _mm_set1_epi16(8)), 4);
        const Color chosen =
            grid_.nearest(static_cast<Color>(_mm_cvtsi128_si32(_mm_packus_epi16(rounded, zero))));
        out_[x] = keepAlpha(in_[x], chosen);
        __m128i error = _mm_sub_epi16(want, _mm_slli_epi16(lanesOf(chosen), 4));
        error =
            _mm_min_epi16(_mm_max_epi16(error, _mm_set1_epi16(static_cast<std::int16_t>(-limit_))),
                          _mm_set1_epi16(limit_));
        add(thisRow_[x + 1 + dir_], _mm_mullo_epi16(error, _mm_set1_epi16(7)));
        add(nextRow_[x + 1 - dir_], _mm_mullo_epi16(error, _mm_set1_epi16(3)));
        add(nextRow_[x + 1], _mm_mullo_epi16(error, _mm_set1_epi16(5)));
        add(nextRow_[x + 1 + dir_], error);
    }

    void endRow() {
        std::swap(thisRow_, nextRow_);
        ++y_;
    }

  private:
    const Image& source_;
    Image& target_;
    NearestGrid& grid_;
    const ColorSet& palette_;
    const std::int16_t limit_;
    Busyness busyness_;
    int y_, end_;
    // This row's and the next row's carried errors, with a spare pixel at each end so the
    // kernel never needs a bounds check.
    std::vector<Carried> thisRow_, nextRow_;
    std::vector<int> strength_;
    const Color* in_ = nullptr;
    Color* out_ = nullptr;
    int dir_ = 1;
};

// Rows [first, end) cut into two halves dithered side by side, a pixel of each in turn: each
// pixel waits for the one before it through the error it carries and the grid lookup, and
// two such chains keep the core busy where one leaves it waiting on memory.
void ditherRows(const Image& source, Image& target, NearestGrid& grid, const ColorSet& palette,
                const Settings& settings, int first, int end) {
    const int middle = first + (end - first + 1) / 2;
    BandDither upper(source, target, grid, palette, settings, first, middle);
    BandDither lower(source, target, grid, palette, settings, middle, end);
    const int w = source.width();
    while (upper.hasRow()) {
        upper.startRow();
        if (lower.hasRow()) {
            lower.startRow();
            for (int i = 0; i < w; ++i) {
                upper.pixel(i);
                lower.pixel(i);
            }
            lower.endRow();
        } else {
            for (int i = 0; i < w; ++i)
                upper.pixel(i);
        }
        upper.endRow();
    }
}

// Runs map(first, end, grid) for each band of rows. Bands on threads of their own each
// fill a grid of their own; on one thread they take turns with one grid, which then fills
// once. The grid gives the same answers either way.
using BandWork = std::function<void(int, int, NearestGrid&)>;
void forEachBand(const Image& source, const ColorIndex& index, int threads, const BandWork& map) {
    const int h = source.height();
    const int bands = std::min(kBands, h);
    auto bandFirst = [&](int band) { return band * h / bands; };
    if (threads == 1) {
        NearestGrid grid(index, source.pixelCount());
        for (int band = 0; band < bands; ++band)
            map(bandFirst(band), bandFirst(band + 1), grid);
        return;
    }
    forEachChunk(static_cast<std::size_t>(bands), threads, [&](std::size_t chunk) {
        const int band = static_cast<int>(chunk);
        NearestGrid grid(index, rowPixels(source, bandFirst(band), bandFirst(band + 1)));
        map(bandFirst(band), bandFirst(band + 1), grid);
    });
}

}  // namespace

void mapOnto(const Image& source, Image& target, const ColorIndex& index, int threads) {
    forEachBand(source, index, threads, [&](int first, int end, NearestGrid& grid) {
        mapRowsToNearest(source, target, grid, first, end);
    });
}

void ditherOnto(const Image& source, Image& target, const ColorIndex& index, float typicalError,
                int threads) {
    const Settings settings{
        static_cast<std::int16_t>(
            std::clamp(static_cast<int>(16 * kErrorLimit * typicalError + 0.5f), 16, kMostLimit)),
        strengthTable(typicalError)};
    const ColorSet palette = paletteSet(index.sortedPalette().subspan(1, index.colorCount()));
    forEachBand(source, index, threads, [&](int first, int end, NearestGrid& grid) {
        ditherRows(source, target, grid, palette, settings, first, end);
    });
}

}  // namespace vd::kmeans
