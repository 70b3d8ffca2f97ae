#include "quantize/kmeans/lloyd.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "quantize/kmeans/chunks.h"

namespace vd::kmeans {

namespace {

constexpr float kFar = std::numeric_limits<float>::max();

float distanceBetween(const Centre& a, const Centre& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The distances from `c` to `count` centres given channel by channel, four at a time: the
// same floats as distanceBetween, since the operations and their order are the same. A whole
// row of the spacing table at once, instead of each pair once and stored twice, keeps the
// stores in order.
void distancesFrom(const Centre& c, const float* xs, const float* ys, const float* zs,
                   std::size_t count, float* out) {
    const __m128 x = _mm_set1_ps(c.x), y = _mm_set1_ps(c.y), z = _mm_set1_ps(c.z);
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 dx = _mm_sub_ps(x, _mm_loadu_ps(xs + i));
        const __m128 dy = _mm_sub_ps(y, _mm_loadu_ps(ys + i));
        const __m128 dz = _mm_sub_ps(z, _mm_loadu_ps(zs + i));
        const __m128 squared =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
        _mm_storeu_ps(out + i, _mm_sqrt_ps(squared));
    }
    for (; i < count; ++i) out[i] = distanceBetween(c, Centre{xs[i], ys[i], zs[i]});
}

bool before(const Lloyd::Neighbour& a, const Lloyd::Neighbour& b) {
    return a.distance < b.distance || (a.distance == b.distance && a.centre < b.centre);
}

// Insertion sort: centres move little from one step to the next, so each list is nearly in
// order already and this takes about one pass.
void restoreOrder(Lloyd::Neighbour* first, Lloyd::Neighbour* last) {
    for (Lloyd::Neighbour* at = first + 1; at < last; ++at) {
        const Lloyd::Neighbour moving = *at;
        Lloyd::Neighbour* to = at;
        while (to > first && before(moving, to[-1])) {
            *to = to[-1];
            --to;
        }
        *to = moving;
    }
}

}  // namespace

// Weighted sums of one cluster's points.
struct Lloyd::ClusterSums {
    double weight = 0, x = 0, y = 0, z = 0, squares = 0;

    // The squared error of the points about their own mean.
    double errorAboutMean() const {
        return weight > 0 ? std::max(0.0, squares - (x * x + y * y + z * z) / weight) : 0;
    }
};

Lloyd::Lloyd(const ColorPoints& points, std::vector<Centre> start, int count, int threads)
    : points_(points),
      threads_(threads),
      centres_(std::move(start)),
      assigned_(points.size(), 0),
      upper_(points.size(), 0),
      lower_(points.size(), 0) {
    if (centres_.size() > static_cast<std::size_t>(count)) centres_.resize(count);
    if (centres_.empty() && points.size() > 0)
        centres_.push_back({points.x[0], points.y[0], points.z[0]});
    assignAll();
    addMissingCentres(count);
}

float Lloyd::distanceTo(std::size_t point, const Centre& c) const {
    const float dx = points_.x[point] - c.x, dy = points_.y[point] - c.y,
                dz = points_.z[point] - c.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Each centre's row of distances and its list of the others are its own, so the centres are
// shared out among the threads in fixed chunks.
void Lloyd::refreshCentreSpacing() {
    const std::size_t k = centres_.size();
    spacing_.resize(k * k);
    std::vector<float> xs(k), ys(k), zs(k);
    for (std::size_t j = 0; j < k; ++j) {
        xs[j] = centres_[j].x;
        ys[j] = centres_[j].y;
        zs[j] = centres_[j].z;
    }
    const bool fresh = neighbours_.size() != k * (k - 1);
    neighbours_.resize(k * (k - 1));
    halfSpacing_.assign(k, kFar);
    const std::size_t chunks = (k + kChunkCentres - 1) / kChunkCentres;
    forEachChunk(chunks, threads_, [&](std::size_t chunk) {
        const std::size_t end = std::min(k, (chunk + 1) * kChunkCentres);
        for (std::size_t j = chunk * kChunkCentres; j < end; ++j) {
            distancesFrom(centres_[j], xs.data(), ys.data(), zs.data(), k, spacing_.data() + j * k);
            orderNeighbours(j, fresh);
        }
    });
}

// Centre j's list of the others, nearest first, from its row of the spacing table.
void Lloyd::orderNeighbours(std::size_t j, bool fresh) {
    const std::size_t k = centres_.size();
    Neighbour* order = neighbours_.data() + j * (k - 1);
    if (fresh) {
        std::size_t n = 0;
        for (std::size_t other = 0; other < k; ++other)
            if (other != j) order[n++].centre = static_cast<std::uint16_t>(other);
    }
    for (std::size_t n = 0; n + 1 < k; ++n)
        order[n].distance = spacing_[j * k + order[n].centre];
    if (fresh) {
        std::sort(order, order + (k - 1), before);
    } else {
        restoreOrder(order, order + (k - 1));
    }
    if (k > 1) halfSpacing_[j] = 0.5f * order[0].distance;
}

// Finds the point's nearest centre (the first of equals) and the distance to the next
// nearest, starting from the centre `near`, which should be close to it. Centres are visited
// in order of their distance from `near`: a centre c can be no nearer than
// |c - near| - |point - near|, so the walk stops once that passes the second-best distance.
void Lloyd::scanFrom(std::size_t point, std::size_t near) {
    const float toNear = distanceTo(point, centres_[near]);
    float best = toNear, second = kFar;
    std::size_t bestIndex = near;
    const std::size_t k = centres_.size();
    // data(), not [], since a lone centre has an empty list.
    const Neighbour* order = neighbours_.data() + near * (k - 1);
    std::size_t n = 0;
    for (; n + 1 < k; ++n) {
        if (order[n].distance - toNear >= second) break;
        const std::size_t j = order[n].centre;
        const float d = distanceTo(point, centres_[j]);
        if (d < best || (d == best && j < bestIndex)) {
            second = best;
            best = d;
            bestIndex = j;
        } else if (d < second) {
            second = d;
        }
    }
    if (n + 1 < k) second = std::min(second, order[n].distance - toNear);
    assigned_[point] = static_cast<std::uint16_t>(bestIndex);
    upper_[point] = best;
    lower_[point] = second;
}

std::size_t Lloyd::chunkCount() const {
    return (points_.size() + kChunkPoints - 1) / kChunkPoints;
}

void Lloyd::forEachPointChunk(
    const std::function<void(std::size_t, std::size_t, std::size_t)>& work) {
    forEachChunk(chunkCount(), threads_, [&](std::size_t chunk) {
        const std::size_t begin = chunk * kChunkPoints;
        work(chunk, begin, std::min(begin + kChunkPoints, points_.size()));
    });
}

// Each point's nearest centre is found on its own, so the points are shared out among the
// threads as they come; the result is the same whoever measures a point.
void Lloyd::assignAll() {
    refreshCentreSpacing();
    forEachPointChunk([this](std::size_t, std::size_t begin, std::size_t end) {
        std::size_t near = 0;
        for (std::size_t i = begin; i < end; ++i) {
            // Points come in colour order, so the last point's centre is a good start.
            scanFrom(i, near);
            near = assigned_[i];
        }
    });
}

void Lloyd::assignWithBounds() {
    refreshCentreSpacing();
    forEachPointChunk([this](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const float bound = std::max(halfSpacing_[assigned_[i]], lower_[i]);
            if (upper_[i] <= bound) continue;
            upper_[i] = distanceTo(i, centres_[assigned_[i]]);
            if (upper_[i] <= bound) continue;
            scanFrom(i, assigned_[i]);
        }
    });
}

// Sums per chunk of points, added up in chunk order: the same bytes on any thread count.
std::vector<Lloyd::ClusterSums> Lloyd::clusterSums() {
    const std::size_t k = centres_.size();
    std::vector<ClusterSums> partial(chunkCount() * k);
    forEachPointChunk([&](std::size_t chunk, std::size_t begin, std::size_t end) {
        ClusterSums* sums = &partial[chunk * k];
        for (std::size_t i = begin; i < end; ++i) {
            ClusterSums& s = sums[assigned_[i]];
            const double w = points_.weight[i];
            const double x = points_.x[i], y = points_.y[i], z = points_.z[i];
            s.weight += w;
            s.x += w * x;
            s.y += w * y;
            s.z += w * z;
            s.squares += w * (x * x + y * y + z * z);
        }
    });
    std::vector<ClusterSums> sums(k);
    for (std::size_t chunk = 0; chunk < chunkCount(); ++chunk) {
        for (std::size_t j = 0; j < k; ++j) {
            const ClusterSums& p = partial[chunk * k + j];
            ClusterSums& s = sums[j];
            s.weight += p.weight;
            s.x += p.x;
            s.y += p.y;
            s.z += p.z;
            s.squares += p.squares;
        }
    }
    return sums;
}

double Lloyd::step() {
    const std::vector<ClusterSums> sums = clusterSums();
    double error = 0;
    std::vector<float> moved(centres_.size(), 0);
    std::vector<double> weights(centres_.size());
    for (std::size_t j = 0; j < centres_.size(); ++j) {
        const ClusterSums& s = sums[j];
        weights[j] = s.weight;
        if (s.weight <= 0) continue;
        const Centre mean{static_cast<float>(s.x / s.weight), static_cast<float>(s.y / s.weight),
                          static_cast<float>(s.z / s.weight)};
        moved[j] = distanceBetween(centres_[j], mean);
        centres_[j] = mean;
        error += s.errorAboutMean();
    }
    // Every point's bounds follow the largest move of a centre that is not its own.
    std::size_t farthest = 0, nextFarthest = 0;
    for (std::size_t j = 0; j < moved.size(); ++j) {
        if (moved[j] > moved[farthest]) {
            nextFarthest = farthest;
            farthest = j;
        } else if (j != farthest && (nextFarthest == farthest || moved[j] > moved[nextFarthest])) {
            nextFarthest = j;
        }
    }
    forEachPointChunk([&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::size_t own = assigned_[i];
            upper_[i] += moved[own];
            lower_[i] -= own == farthest ? moved[nextFarthest] : moved[farthest];
        }
    });
    reseedEmpty(weights);
    assignWithBounds();
    return error;
}

double Lloyd::settle(double leastGain, int maxSteps) {
    double last = step();
    for (int n = 1; n < maxSteps; ++n) {
        const double now = step();
        const bool settled = last - now <= leastGain;
        last = now;
        if (settled) break;
    }
    return last;
}

double Lloyd::error() const {
    double sum = 0;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const double d = distanceTo(i, centres_[assigned_[i]]);
        sum += points_.weight[i] * d * d;
    }
    return sum;
}

std::vector<Lloyd::Cluster> Lloyd::clusters() const {
    std::vector<Cluster> result(centres_.size());
    for (std::size_t i = 0; i < points_.size(); ++i) {
        Cluster& c = result[assigned_[i]];
        const double d = distanceTo(i, centres_[assigned_[i]]);
        c.weight += points_.weight[i];
        c.error += points_.weight[i] * d * d;
    }
    return result;
}

std::size_t Lloyd::worstServedPoint(std::size_t cluster) const {
    std::size_t worst = 0;
    double worstError = -1;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (cluster != kAnyCluster && assigned_[i] != cluster) continue;
        const double d = distanceTo(i, centres_[assigned_[i]]);
        const double e = points_.weight[i] * d * d;
        if (e > worstError) {
            worstError = e;
            worst = i;
        }
    }
    return worst;
}

std::size_t Lloyd::nearestOtherCentre(std::size_t centre) const {
    std::size_t nearest = centre;
    float best = kFar;
    for (std::size_t j = 0; j < centres_.size(); ++j) {
        if (j == centre) continue;
        const float d = distanceBetween(centres_[centre], centres_[j]);
        if (d < best) {
            best = d;
            nearest = j;
        }
    }
    return nearest;
}

void Lloyd::moveCentreIntoCluster(std::size_t moved, std::size_t cluster) {
    const std::size_t worst = worstServedPoint(cluster);
    moveCentre(moved, {points_.x[worst], points_.y[worst], points_.z[worst]});
    assignWithBounds();
}

void Lloyd::restore(State state) {
    centres_ = std::move(state.centres);
    assigned_ = std::move(state.assigned);
    upper_ = std::move(state.upper);
    lower_ = std::move(state.lower);
    neighbours_.clear();  // sorted afresh for the centres as they were
}

void Lloyd::moveCentre(std::size_t moved, Centre to) {
    const float shift = distanceBetween(centres_[moved], to);
    centres_[moved] = to;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (assigned_[i] == moved) {
            upper_[i] += shift;
        } else {
            lower_[i] = std::min(lower_[i], distanceTo(i, to));
        }
    }
}

// A centre that lost all its points moves onto the point its cluster serves worst, and that
// point joins it, so the palette keeps its size.
void Lloyd::reseedEmpty(const std::vector<double>& weights) {
    for (std::size_t j = 0; j < centres_.size(); ++j) {
        if (weights[j] > 0) continue;
        const std::size_t worst = worstServedPoint();
        const float fromOwn = distanceTo(worst, centres_[assigned_[worst]]);
        if (fromOwn <= 0) return;  // every point sits on a centre already
        moveCentre(j, {points_.x[worst], points_.y[worst], points_.z[worst]});
        assigned_[worst] = static_cast<std::uint16_t>(j);
        lower_[worst] = std::min(lower_[worst], fromOwn);
        upper_[worst] = 0;
    }
}

void Lloyd::addMissingCentres(int count) {
    while (static_cast<int>(centres_.size()) < count) {
        const std::size_t worst = worstServedPoint();
        const Centre at{points_.x[worst], points_.y[worst], points_.z[worst]};
        if (distanceTo(worst, centres_[assigned_[worst]]) <= 0) break;
        const auto added = static_cast<std::uint16_t>(centres_.size());
        centres_.push_back(at);
        for (std::size_t i = 0; i < points_.size(); ++i) {
            const float d = distanceTo(i, at);
            if (d < upper_[i]) {
                lower_[i] = upper_[i];
                upper_[i] = d;
                assigned_[i] = added;
            } else {
                lower_[i] = std::min(lower_[i], d);
            }
        }
    }
}

}  // namespace vd::kmeans
