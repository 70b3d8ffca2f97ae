#include "platform/image/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace vd {

namespace {

// A 24-bit image has no alpha to read or write, so there all-channels drawing behaves like
// the default mode and the alpha bytes stay at 255.
DrawMode effectiveMode(DrawMode mode, const Image& image) {
    return mode == DrawMode::AllChannels && !image.hasAlpha() ? DrawMode::Default : mode;
}

// `c` over `old` with weight a/255, rounded to nearest; the pixel keeps its alpha.
Color blendOver(Color old, Color c, int a) {
    const int keep = 255 - a;
    auto mix = [&](int shift) {
        const int s = static_cast<int>((c >> shift) & 0xFFu);
        const int d = static_cast<int>((old >> shift) & 0xFFu);
        return static_cast<Color>((s * a + d * keep + 127) / 255) << shift;
    };
    return (old & kAlphaMask) | mix(0) | mix(8) | mix(16);
}

// Draws `c` over `count` pixels from `p` in the given mode. The mode is chosen once per
// span so the loops themselves stay simple.
void paintSpan(Color* p, int count, DrawMode mode, Color c) {
    switch (mode) {
        case DrawMode::Default:
            for (int i = 0; i < count; ++i)
                p[i] = keepAlpha(p[i], c);
            break;
        case DrawMode::AllChannels:
            std::fill(p, p + count, c);
            break;
        case DrawMode::Xor:
            for (int i = 0; i < count; ++i)
                p[i] ^= c & kRgbMask;
            break;
        case DrawMode::AlphaBlend: {
            const int a = alphaOf(c);
            for (int i = 0; i < count; ++i)
                p[i] = blendOver(p[i], c, a);
            break;
        }
    }
}

// The part of the span [x0, x1] (inclusive) that lies inside 0 .. width - 1.
bool clipSpan(std::int64_t& x0, std::int64_t& x1, int width) {
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, width - 1);
    return x0 <= x1;
}

// Largest s with s * s <= v, for v >= 0.
std::int64_t integerSquareRoot(std::int64_t v) {
    auto s = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
    while (s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// The pixels that one flood fill may reach: neither the outline colour nor the fill colour
// (as the current mode reads them), and not painted yet. Painting is tracked separately
// because XOR and blended fills do not leave the fill colour behind.
class FillRegion {
  public:
    FillRegion(const Image& image, bool allChannels, Color outline, Color fill)
        : image_(image),
          mask_(allChannels ? 0xFFFFFFFFu : kRgbMask),
          outline_(outline & mask_),
          fill_(fill & mask_),
          painted_(image.pixelCount(), false) {}

    bool contains(int x, int y) const {
        const Color c = image_.at(x, y) & mask_;
        return c != outline_ && c != fill_ && !painted_[index(x, y)];
    }
    void markPainted(int x0, int x1, int y) {
        std::fill(painted_.begin() + static_cast<std::ptrdiff_t>(index(x0, y)),
                  painted_.begin() + static_cast<std::ptrdiff_t>(index(x1, y)) + 1, true);
    }

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * image_.width() + x;
    }

    const Image& image_;
    Color mask_;
    Color outline_;
    Color fill_;
    std::vector<bool> painted_;
};

}  // namespace

Color DrawTarget::readPixel(int x, int y) const {
    if (!image_.contains(x, y)) return 0;
    const Color p = std::as_const(image_).at(x, y);  // reading must not copy a shared buffer
    return effectiveMode(mode_, image_) == DrawMode::AllChannels ? p : p & kRgbMask;
}

void DrawTarget::writePixel(int x, int y, Color c) {
    if (!image_.contains(x, y)) return;
    paintSpan(&image_.at(x, y), 1, effectiveMode(mode_, image_), c);
}

void DrawTarget::line(int x1, int y1, int x2, int y2, Color c) {
    if (std::max(x1, x2) < 0 || std::max(y1, y2) < 0 || std::min(x1, x2) >= width() ||
        std::min(y1, y2) >= height()) {
        return;
    }
    const DrawMode mode = effectiveMode(mode_, image_);
    const std::int64_t dx = std::llabs(static_cast<std::int64_t>(x2) - x1);
    const std::int64_t dy = -std::llabs(static_cast<std::int64_t>(y2) - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    std::int64_t error = dx + dy;
    int x = x1, y = y1;
    // Every step moves to a new pixel, so each pixel is drawn once: XOR lines undo cleanly.
    for (;;) {
        if (image_.contains(x, y)) paintSpan(&image_.at(x, y), 1, mode, c);
        if (x == x2 && y == y2) break;
        const std::int64_t doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void DrawTarget::filledBox(int x, int y, int w, int h, Color c) {
    if (w <= 0 || h <= 0) return;
    std::int64_t x0 = x, x1 = static_cast<std::int64_t>(x) + w - 1;
    std::int64_t y0 = y, y1 = static_cast<std::int64_t>(y) + h - 1;
    if (!clipSpan(x0, x1, width()) || !clipSpan(y0, y1, height())) return;
    const DrawMode mode = effectiveMode(mode_, image_);
    for (auto row = y0; row <= y1; ++row) {
        paintSpan(image_.row(static_cast<int>(row)) + x0, static_cast<int>(x1 - x0 + 1), mode, c);
    }
}

void DrawTarget::filledCircle(int cx, int cy, int radius, Color c) {
    if (radius < 0) return;
    const DrawMode mode = effectiveMode(mode_, image_);
    const std::int64_t r = radius, rSquared = r * r;
    const std::int64_t top = std::max<std::int64_t>(cy - r, 0);
    const std::int64_t bottom = std::min<std::int64_t>(cy + r, height() - 1);
    for (std::int64_t y = top; y <= bottom; ++y) {
        const std::int64_t dy = y - cy;
        const std::int64_t half = integerSquareRoot(rSquared - dy * dy);
        std::int64_t x0 = cx - half, x1 = cx + half;
        if (!clipSpan(x0, x1, width())) continue;
        paintSpan(image_.row(static_cast<int>(y)) + x0, static_cast<int>(x1 - x0 + 1), mode, c);
    }
}

void DrawTarget::floodFill(int x, int y, Color outline, Color fill) {
    if (!image_.contains(x, y)) return;
    const DrawMode mode = effectiveMode(mode_, image_);
    FillRegion region(image_, mode == DrawMode::AllChannels, outline, fill);
    // Scanline fill with an explicit stack of seeds: a 4096 x 4096 area would overflow the
    // call stack of a recursive fill.
    std::vector<std::pair<int, int>> seeds{{x, y}};
    auto pushRunStarts = [&](int left, int right, int row) {
        if (row < 0 || row >= height()) return;
        bool inRun = false;
        for (int sx = left; sx <= right; ++sx) {
            const bool inside = region.contains(sx, row);
            if (inside && !inRun) seeds.emplace_back(sx, row);
            inRun = inside;
        }
    };
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (!region.contains(sx, sy)) continue;
        int left = sx, right = sx;
        while (left > 0 && region.contains(left - 1, sy))
            --left;
        while (right < width() - 1 && region.contains(right + 1, sy))
            ++right;
        paintSpan(image_.row(sy) + left, right - left + 1, mode, fill);
        region.markPainted(left, right, sy);
        pushRunStarts(left, right, sy - 1);
        pushRunStarts(left, right, sy + 1);
    }
}

namespace {

// The rows and columns where `source` placed at (x, y) overlaps `target`.
struct Overlap {
    int sourceX, sourceY, targetX, targetY, width, height;
    bool empty() const { return width <= 0 || height <= 0; }
};

Overlap overlapOf(const Image& source, const Image& target, int x, int y) {
    const std::int64_t x0 = std::max<std::int64_t>(x, 0), y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 =
        std::min<std::int64_t>(static_cast<std::int64_t>(x) + source.width(), target.width());
    const std::int64_t y1 =
        std::min<std::int64_t>(static_cast<std::int64_t>(y) + source.height(), target.height());
    return {static_cast<int>(x0 - x), static_cast<int>(y0 - y),  static_cast<int>(x0),
            static_cast<int>(y0),     static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

}  // namespace

void DrawTarget::drawImage(const Image& source, int x, int y) {
    const Overlap o = overlapOf(source, image_, x, y);
    if (o.empty()) return;
    // A 24-bit target keeps its alpha bytes at 255 whatever the source carries.
    const Color forced = image_.hasAlpha() ? 0 : kAlphaMask;
    for (int row = 0; row < o.height; ++row) {
        const Color* from = source.row(o.sourceY + row) + o.sourceX;
        Color* to = image_.row(o.targetY + row) + o.targetX;
        for (int i = 0; i < o.width; ++i)
            to[i] = from[i] | forced;
    }
}

void DrawTarget::drawImageBlended(const Image& source, int x, int y) {
    const Overlap o = overlapOf(source, image_, x, y);
    if (o.empty()) return;
    for (int row = 0; row < o.height; ++row) {
        const Color* from = source.row(o.sourceY + row) + o.sourceX;
        Color* to = image_.row(o.targetY + row) + o.targetX;
        if (!source.hasAlpha()) {
            // Opaque throughout: the colour bytes replace the target's, in a loop that
            // vectorises. This is every redraw of a 24-bit picture.
            for (int i = 0; i < o.width; ++i)
                to[i] = keepAlpha(to[i], from[i]);
            continue;
        }
        for (int i = 0; i < o.width; ++i) {
            const int a = alphaOf(from[i]);
            if (a == 255) {
                to[i] = keepAlpha(to[i], from[i]);
            } else if (a != 0) {
                to[i] = blendOver(to[i], from[i], a);
            }
        }
    }
}

}  // namespace vd
