#include "adjust/geometry.h"

#include <algorithm>
#include <cstdint>

namespace vd {

void flip(Image& image) {
    const int h = image.height();
    for (int y = 0; y < h / 2; ++y) {
        std::swap_ranges(image.row(y), image.row(y) + image.width(), image.row(h - 1 - y));
    }
}

void mirror(Image& image) {
    for (int y = 0; y < image.height(); ++y)
        std::reverse(image.row(y), image.row(y) + image.width());
}

void rotate180(Image& image) {
    // In a row-major buffer (X - x, Y - y) is the mirror index of (x, y), so the half turn is
    // the buffer reversed; the odd middle row and the odd centre pixel fall out of that.
    auto pixels = image.pixels();
    const std::size_t n = pixels.size();
    for (std::size_t i = 0; i < n / 2; ++i) {
        const Color a = pixels[i], b = pixels[n - 1 - i];
        pixels[i] = keepAlpha(a, b);
        pixels[n - 1 - i] = keepAlpha(b, a);
    }
}

namespace {

// Side of the blocks the square turn walks through: the four places of a cycle lie in four
// different blocks, and 4 blocks of 32 x 32 pixels stay in the first-level cache.
constexpr int kTurnBlock = 32;

struct SquareTurn {
    Image& square;
    int m;  // last index

    Color& at(int x, int y) { return square.at(x, y); }

    // Places a = (j, i), b = (i, m - j), c = (m - j, m - i), d = (m - i, j).
    void clockwiseCycle(int i, int j) {
        Color& a = at(j, i);
        Color& b = at(i, m - j);
        Color& c = at(m - j, m - i);
        Color& d = at(m - i, j);
        const Color oldA = a;
        a = b;
        b = c;
        c = d;
        d = oldA;
    }

    void counterClockwiseCycle(int i, int j) {
        Color& a = at(j, i);
        Color& b = at(i, m - j);
        Color& c = at(m - j, m - i);
        Color& d = at(m - i, j);
        const Color oldA = a;
        a = d;
        d = c;
        c = b;
        b = oldA;
    }
};

}  // namespace

void turnSquare(Image& square, bool clockwise) {
    const int s = square.width();
    // i covers the upper half of the rows, j the left half of the columns plus the middle
    // column of an odd square: each cycle of four is visited once, the centre never.
    const int iEnd = s / 2, jEnd = (s + 1) / 2;
    SquareTurn turn{square, s - 1};
    for (int i0 = 0; i0 < iEnd; i0 += kTurnBlock) {
        const int i1 = std::min(i0 + kTurnBlock, iEnd);
        for (int j0 = 0; j0 < jEnd; j0 += kTurnBlock) {
            const int j1 = std::min(j0 + kTurnBlock, jEnd);
            for (int i = i0; i < i1; ++i) {
                for (int j = j0; j < j1; ++j) {
                    if (clockwise) {
                        turn.clockwiseCycle(i, j);
                    } else {
                        turn.counterClockwiseCycle(i, j);
                    }
                }
            }
        }
    }
}

Image rotateQuarter(const Image& source, bool clockwise) {
    if (source.empty()) return Image();
    const int w = source.width(), h = source.height(), s = std::max(w, h);
    Image square(s, s, source.depth());
    for (int y = 0; y < h; ++y)
        std::copy(source.row(y), source.row(y) + w, square.row(y));
    turnSquare(square, clockwise);
    // The turned picture lies against the right edge (clockwise) or the bottom edge
    // (counter-clockwise) of the square.
    return clockwise ? cropImage(square, s - h, 0, h, w) : cropImage(square, 0, s - w, h, w);
}

Image cropToSelection(const Image& source, int left, int top, int right, int bottom) {
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(right, source.width() - 1), y1 = std::min(bottom, source.height() - 1);
    if (x0 > x1 || y0 > y1) return Image();
    return cropImage(source, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

}  // namespace vd
