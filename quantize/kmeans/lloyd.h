#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "quantize/kmeans/box_split.h"
#include "quantize/kmeans/color_points.h"

namespace vd::kmeans {

// Lloyd's k-means on weighted colour points: each step gives every point its nearest centre,
// then moves every centre to the weighted mean of its points. Neither half can raise the
// squared error, so the error falls with every step until it settles.
//
// Most points keep their centre from one step to the next, and the bounds of Hamerly's
// method prove it without measuring: an upper bound on the distance to the own centre, a
// lower bound on the distance to any other, both moved by how far the centres moved. A
// point whose bounds cross visits the other centres nearest first from its own, and stops
// where the triangle inequality rules out the rest.
//
// Sums are taken in double over fixed chunks of points and added in chunk order, so the
// result is the same bytes on every run and on any number of threads.
class Lloyd {
  public:
    // Starts from `start`; when it holds fewer than `count` centres, the rest are placed on
    // the points worst served by those it has. Every point is then assigned. The points are
    // measured on up to `threads` threads.
    Lloyd(const ColorPoints& points, std::vector<Centre> start, int count, int threads = 1);

    // One step: means of the current clusters, then the new assignment. Returns the squared
    // error of the current assignment measured from the moved centres.
    double step();

    // Steps until one lowers the error by less than `leastGain`, or `maxSteps`.
    double settle(double leastGain, int maxSteps);

    const std::vector<Centre>& centres() const { return centres_; }
    // The squared error of the assignment about the current centres.
    double error() const;

    struct Cluster {
        double weight = 0, error = 0;
    };
    // Pixels and squared error of each cluster.
    std::vector<Cluster> clusters() const;
    // Moves centre `moved` onto the point of cluster `cluster` that it serves worst and lets
    // the points choose again; the first step of a relocation.
    void moveCentreIntoCluster(std::size_t moved, std::size_t cluster);
    // The centre nearest to centre `centre`.
    std::size_t nearestOtherCentre(std::size_t centre) const;

    // Everything a step changes, to go back to when a relocation does not pay.
    struct State {
        std::vector<Centre> centres;
        std::vector<std::uint16_t> assigned;
        std::vector<float> upper, lower;
    };
    State save() const { return {centres_, assigned_, upper_, lower_}; }
    void restore(State state);

    // Another centre and its distance, in a centre's list of the others.
    struct Neighbour {
        float distance;
        std::uint16_t centre;
    };

  private:
    struct ClusterSums;
    // Points go to threads in chunks of this many; sums are taken per chunk.
    static constexpr std::size_t kChunkPoints = 8192;
    // Centres go to threads in chunks of this many for the table of distances between them.
    static constexpr std::size_t kChunkCentres = 32;
    std::size_t chunkCount() const;
    void forEachPointChunk(const std::function<void(std::size_t, std::size_t, std::size_t)>& work);
    std::vector<ClusterSums> clusterSums();
    float distanceTo(std::size_t point, const Centre& c) const;
    void assignAll();
    void assignWithBounds();
    void scanFrom(std::size_t point, std::size_t near);
    void reseedEmpty(const std::vector<double>& weights);
    void addMissingCentres(int count);
    void moveCentre(std::size_t moved, Centre to);
    // The point farthest (weighted squared distance) from its centre, among those of
    // `cluster`, or among all when it is kAnyCluster.
    static constexpr std::size_t kAnyCluster = ~std::size_t{0};
    std::size_t worstServedPoint(std::size_t cluster = kAnyCluster) const;
    void refreshCentreSpacing();
    void orderNeighbours(std::size_t j, bool fresh);

    const ColorPoints& points_;
    int threads_;
    std::vector<Centre> centres_;
    std::vector<std::uint16_t> assigned_;
    std::vector<float> upper_, lower_;
    std::vector<float> halfSpacing_;     // half the distance from each centre to its nearest
    std::vector<float> spacing_;         // distances between centres, k x k
    std::vector<Neighbour> neighbours_;  // for each centre, the others by distance
};

}  // namespace vd::kmeans
