#include "quantize/kmeans/box_split.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vd::kmeans {

namespace {

constexpr int kSide = 33;  // 32 cells a side and a zero plane below them

// Cumulative moments: each entry sums the cells at or below it on all three axes.
struct Moments {
    std::vector<double> weight, x, y, z, squares;

    Moments()
        : weight(kSide * kSide * kSide),
          x(weight.size()),
          y(weight.size()),
          z(weight.size()),
          squares(weight.size()) {}

    static int at(int r, int g, int b) { return (r * kSide + g) * kSide + b; }
};

int gridOf(float scaled, float scale) {
    return std::clamp(static_cast<int>(scaled / scale) >> 3, 0, 31) + 1;
}

Moments momentsOf(const ColorPoints& points) {
    Moments m;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int at =
            Moments::at(gridOf(points.x[i], points.scale[0]), gridOf(points.y[i], points.scale[1]),
                        gridOf(points.z[i], points.scale[2]));
        const double w = points.weight[i];
        const double px = points.x[i], py = points.y[i], pz = points.z[i];
        m.weight[at] += w;
        m.x[at] += w * px;
        m.y[at] += w * py;
        m.z[at] += w * pz;
        m.squares[at] += w * (px * px + py * py + pz * pz);
    }
    // Running sums along blue, then green, then red.
    for (std::vector<double>* table : {&m.weight, &m.x, &m.y, &m.z, &m.squares}) {
        std::vector<double>& t = *table;
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    t[Moments::at(r, g, b)] += t[Moments::at(r, g, b - 1)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    t[Moments::at(r, g, b)] += t[Moments::at(r, g - 1, b)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    t[Moments::at(r, g, b)] += t[Moments::at(r - 1, g, b)];
    }
    return m;
}

// Lower bounds exclusive, upper bounds inclusive, in grid units.
struct Box {
    std::array<int, 3> low{0, 0, 0}, high{32, 32, 32};
    int volume() const { return (high[0] - low[0]) * (high[1] - low[1]) * (high[2] - low[2]); }
};

// The sum of a table over a box, by inclusion and exclusion of its eight corners.
double sumOver(const Box& box, const std::vector<double>& t) {
    const auto& [r0, g0, b0] = box.low;
    const auto& [r1, g1, b1] = box.high;
    return t[Moments::at(r1, g1, b1)] - t[Moments::at(r1, g1, b0)] - t[Moments::at(r1, g0, b1)] +
           t[Moments::at(r1, g0, b0)] - t[Moments::at(r0, g1, b1)] + t[Moments::at(r0, g1, b0)] +
           t[Moments::at(r0, g0, b1)] - t[Moments::at(r0, g0, b0)];
}

struct BoxSums {
    double weight = 0, x = 0, y = 0, z = 0;

    BoxSums(const Box& box, const Moments& m)
        : weight(sumOver(box, m.weight)),
          x(sumOver(box, m.x)),
          y(sumOver(box, m.y)),
          z(sumOver(box, m.z)) {}
    BoxSums(double w, double sx, double sy, double sz) : weight(w), x(sx), y(sy), z(sz) {}
    // Sum of squares of the mean times the weight: the larger, the less error is left.
    double explained() const { return weight > 0 ? (x * x + y * y + z * z) / weight : 0; }
};

// Squared error of the box's colours about their mean.
double errorOf(const Box& box, const Moments& m) {
    return sumOver(box, m.squares) - BoxSums(box, m).explained();
}

struct Cut {
    int axis = -1, position = 0;
    double explained = 0;
};

// The best place to cut `box` across `axis`: the lower part keeps positions up to `position`.
Cut bestCutOn(const Box& box, int axis, const Moments& m, const BoxSums& whole) {
    Cut best;
    for (int position = box.low[axis] + 1; position < box.high[axis]; ++position) {
        Box lower = box;
        lower.high[axis] = position;
        const BoxSums part(lower, m);
        if (part.weight <= 0 || part.weight >= whole.weight) continue;
        const BoxSums rest(whole.weight - part.weight, whole.x - part.x, whole.y - part.y,
                           whole.z - part.z);
        const double explained = part.explained() + rest.explained();
        if (explained > best.explained) best = {axis, position, explained};
    }
    return best;
}

// Cuts `box` in two where that leaves the least error; false when it cannot be cut.
bool cutBox(Box& box, Box& other, const Moments& m) {
    const BoxSums whole(box, m);
    Cut best;
    for (int axis = 0; axis < 3; ++axis) {
        const Cut cut = bestCutOn(box, axis, m, whole);
        if (cut.axis >= 0 && cut.explained > best.explained) best = cut;
    }
    if (best.axis < 0) return false;
    other = box;
    box.high[best.axis] = best.position;
    other.low[best.axis] = best.position;
    return true;
}

}  // namespace

std::vector<Centre> splitBoxes(const ColorPoints& points, int count) {
    if (points.size() == 0 || count <= 0) return {};
    const Moments m = momentsOf(points);
    std::vector<Box> boxes(1);
    std::vector<double> error(1, errorOf(boxes[0], m));
    while (static_cast<int>(boxes.size()) < count) {
        // Of equal errors the earliest box is cut, so the result does not depend on chance.
        const auto widest = std::max_element(error.begin(), error.end()) - error.begin();
        if (error[widest] <= 0) break;
        Box other;
        if (!cutBox(boxes[widest], other, m)) {
            error[widest] = 0;
            continue;
        }
        boxes.push_back(other);
        error.push_back(0);
        for (std::size_t i : {static_cast<std::size_t>(widest), boxes.size() - 1})
            error[i] = boxes[i].volume() > 1 ? errorOf(boxes[i], m) : 0;
    }
    std::vector<Centre> centres;
    for (const Box& box : boxes) {
        const BoxSums sums(box, m);
        if (sums.weight <= 0) continue;
        centres.push_back({static_cast<float>(sums.x / sums.weight),
                           static_cast<float>(sums.y / sums.weight),
                           static_cast<float>(sums.z / sums.weight)});
    }
    return centres;
}

}  // namespace vd::kmeans
