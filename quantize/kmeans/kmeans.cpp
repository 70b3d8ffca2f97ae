#include "quantize/kmeans/kmeans.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_set>

#include "quantize/count_colors.h"
#include "quantize/distinct_colors.h"
#include "quantize/kmeans/box_split.h"
#include "quantize/kmeans/chunks.h"
#include "quantize/kmeans/lloyd.h"
#include "quantize/kmeans/mapping.h"

namespace vd {

namespace {

using kmeans::Centre;
using kmeans::ColorPoints;
using kmeans::Lloyd;

// A refinement ends at a step that lowers the mean squared error per pixel and channel by
// less than this, in levels squared. A fixed gain rather than a share of the error: with many
// colours the error is small and the steps cost more, and their last small shares change
// nothing a viewer could see; the relocations put that time to better use.
constexpr double kLeastGainPerChannel = 0.005;
constexpr int kMostSteps = 60;
// Relocations, tried one after the other while each pays: each moves a centre for every
// kColoursPerMove colours of the palette (at 256 colours four at once, where one at a time
// took as many steps for less), at most kMostMovedCentres in all, and may take
// kRelocationSteps steps to settle.
constexpr std::size_t kColoursPerMove = 64;
constexpr std::size_t kMostMovedCentres = 12;
constexpr int kRelocationSteps = 10;

double squaredDistance(const Centre& a, const Centre& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// What a cluster costs to give up: merged into its nearest neighbour, the error grows by
// Ward's W1 W2 / (W1 + W2) |c1 - c2|^2.
double mergeCost(const Lloyd& lloyd, const std::vector<Lloyd::Cluster>& clusters, std::size_t j,
                 std::size_t neighbour) {
    const double w1 = clusters[j].weight, w2 = clusters[neighbour].weight;
    return w1 + w2 > 0 ? w1 * w2 / (w1 + w2) *
                             squaredDistance(lloyd.centres()[j], lloyd.centres()[neighbour])
                       : 0;
}

// Up to `count` moves (cluster given up, cluster it moves into): the clusters with the most
// error take the centres of the cheapest to give up. None of those is given up, nor a cluster
// whose neighbour already takes the points of another given up.
std::vector<std::pair<std::size_t, std::size_t>> chooseMoves(
    const Lloyd& lloyd, const std::vector<Lloyd::Cluster>& clusters, std::size_t count) {
    const std::size_t k = clusters.size();
    std::vector<std::size_t> nearest(k), byError(k), byCost(k);
    std::vector<double> cost(k);
    for (std::size_t j = 0; j < k; ++j) {
        nearest[j] = lloyd.nearestOtherCentre(j);
        cost[j] = mergeCost(lloyd, clusters, j, nearest[j]);
    }
    std::iota(byError.begin(), byError.end(), 0);
    std::iota(byCost.begin(), byCost.end(), 0);
    std::stable_sort(byError.begin(), byError.end(), [&](std::size_t a, std::size_t b) {
        return clusters[a].error > clusters[b].error;
    });
    std::stable_sort(byCost.begin(), byCost.end(),
                     [&](std::size_t a, std::size_t b) { return cost[a] < cost[b]; });
    count = std::min(count, k / 2);
    std::vector<bool> taken(k, false);
    for (std::size_t i = 0; i < count; ++i)
        taken[byError[i]] = true;
    std::vector<std::pair<std::size_t, std::size_t>> moves;
    for (const std::size_t j : byCost) {
        if (moves.size() == count) break;
        if (taken[j]) continue;
        moves.emplace_back(j, byError[moves.size()]);
        taken[j] = taken[nearest[j]] = true;
    }
    return moves;
}

// Lloyd stops in a local minimum. Moving the least useful colours into the clusters with the
// most error and settling again often finds a better one; a move that does not pay is
// undone, and ends the search.
double relocate(Lloyd& lloyd, double error, double leastGain) {
    const std::size_t batch = std::max<std::size_t>(1, lloyd.centres().size() / kColoursPerMove);
    for (std::size_t moved = batch; moved <= kMostMovedCentres; moved += batch) {
        const auto moves = chooseMoves(lloyd, lloyd.clusters(), batch);
        if (moves.empty()) break;
        Lloyd::State before = lloyd.save();
        for (const auto& [spare, into] : moves)
            lloyd.moveCentreIntoCluster(spare, into);
        const double after = lloyd.settle(leastGain, kRelocationSteps);
        if (after >= error) {
            lloyd.restore(std::move(before));
            break;
        }
        error = after;
    }
    return error;
}

// Rounded centres, each colour once.
Palette paletteOf(const ColorPoints& points, const std::vector<Centre>& centres) {
    Palette palette;
    std::unordered_set<Color> seen;
    for (const Centre& c : centres) {
        const Color colour = kmeans::colorOfPoint(points.scale, c.x, c.y, c.z);
        if (seen.insert(colour).second) palette.push_back(colour);
    }
    return palette;
}

struct Choice {
    Palette palette;
    // The root mean square error per channel the palette leaves: the scale of the dither's
    // limits.
    float typicalError = 0;
};

// For a picture with more than `limit` colours.
Choice choose(const Image& image, int limit, int threads) {
    const ColorPoints points = kmeans::colorPointsOf(image);
    double weight = 0;
    for (float w : points.weight)
        weight += w;
    const kmeans::ChannelWeights channels;
    // Lloyd's error as a mean squared error per (weighted) pixel and channel.
    const double perChannel = 1 / (weight * (channels.red + channels.green + channels.blue));
    const double leastGain = kLeastGainPerChannel / perChannel;
    Lloyd lloyd(points, kmeans::splitBoxes(points, limit), limit,
                threads > 0 ? threads : kmeans::defaultThreads());
    const double error = relocate(lloyd, lloyd.settle(leastGain, kMostSteps), leastGain);
    return {paletteOf(points, lloyd.centres()), static_cast<float>(std::sqrt(error * perChannel))};
}

bool hasAtMost(const Image& image, int limit) {
    return countColorsUpTo(image, limit) <= limit;
}

}  // namespace

Palette chooseKmeansPalette(const Image& image, int limit, int threads) {
    if (hasAtMost(image, limit)) return distinctColors(image);
    return choose(image, limit, threads).palette;
}

Palette quantizeKmeans(const Image& reference, Image& work, int limit, bool dither,
                       ColorIndex& index, int threads) {
    if (hasAtMost(reference, limit)) {
        std::copy(reference.pixels().begin(), reference.pixels().end(), work.pixels().begin());
        return distinctColors(reference);
    }
    if (threads <= 0) threads = kmeans::defaultThreads();
    Choice choice = choose(reference, limit, threads);
    index.build(choice.palette);
    if (dither) {
        kmeans::ditherOnto(reference, work, index, choice.typicalError, threads);
    } else {
        kmeans::mapOnto(reference, work, index, threads);
    }
    return std::move(choice.palette);
}

}  // namespace vd
