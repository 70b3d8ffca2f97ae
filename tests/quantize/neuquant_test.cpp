#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "quantize/neuquant.h"
#include "tests/quantize/neuquant_reference.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// The program reuses one heap-allocated area; so do the tests (it is too big to be careless
// with on a sanitizer's stack).
std::unique_ptr<NeuQuantWorkArea> freshArea() {
    auto area = std::make_unique<NeuQuantWorkArea>();
    initNetwork(*area);
    return area;
}

std::vector<NeuQuantSimd> availableSimd() {
    std::vector<NeuQuantSimd> levels{NeuQuantSimd::Sse2};
    if (neuQuantSimdAvailable(NeuQuantSimd::Avx2)) levels.push_back(NeuQuantSimd::Avx2);
    return levels;
}

const char* simdName(NeuQuantSimd simd) {
    return simd == NeuQuantSimd::Avx2 ? "AVX2" : "SSE2";
}

testing::AssertionResult sameTrainedState(const NeuQuantWorkArea& area,
                                          const reference::Network& net) {
    for (int i = 0; i < 256; ++i) {
        const NeuQuantNeuron& n = area.neurons[i];
        if (n.red != net.neuron[i][0] || n.green != net.neuron[i][1] ||
            n.blue != net.neuron[i][2]) {
            return testing::AssertionFailure()
                   << "neuron " << i << " is (" << n.red << ", " << n.green << ", " << n.blue
                   << "), expected (" << net.neuron[i][0] << ", " << net.neuron[i][1] << ", "
                   << net.neuron[i][2] << ")";
        }
        if (i < 32 && area.radPower[i] != net.radPower[i]) {
            return testing::AssertionFailure() << "radPower[" << i << "] = " << area.radPower[i]
                                               << ", expected " << net.radPower[i];
        }
        if (area.freq[i] != net.freq[i] || area.bias[i] != net.bias[i]) {
            return testing::AssertionFailure()
                   << "neuron " << i << " freq/bias " << area.freq[i] << "/" << area.bias[i]
                   << ", expected " << net.freq[i] << "/" << net.bias[i];
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult sameSortedNetwork(const NeuQuantWorkArea& area,
                                           const reference::Network& net) {
    for (int i = 0; i < 256; ++i) {
        const NeuQuantNeuron& n = area.neurons[i];
        if (n.red != net.neuron[i][0] || n.green != net.neuron[i][1] ||
            n.blue != net.neuron[i][2] || n.tag != net.neuron[i][3]) {
            return testing::AssertionFailure() << "sorted neuron " << i << " differs";
        }
        if (area.netIndex[i] != net.netIndex[i]) {
            return testing::AssertionFailure() << "netIndex[" << i << "] = " << area.netIndex[i]
                                               << ", expected " << net.netIndex[i];
        }
    }
    return testing::AssertionSuccess();
}

// Random pixels drawn from `levels` values per channel: few levels give many exact ties in
// the winner search and in the mapping.
Image randomImage(int width, int height, int levels, unsigned seed, int depth = 24) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(0, levels - 1);
    std::uniform_int_distribution<int> alpha(0, 255);
    auto channel = [&] { return levels == 256 ? level(rng) : level(rng) * 255 / (levels - 1); };
    Image image(width, height, depth);
    for (Color& p : image.pixels()) {
        const int r = channel(), g = channel(), b = channel();
        p = makeColor(r, g, b, depth == 32 ? alpha(rng) : 255);
    }
    return image;
}

// Trains, sorts and maps with the fast code and the reference, comparing every stage.
void expectMatchesReference(const Image& image, const std::string& name) {
    SCOPED_TRACE(name);
    reference::Network net{};
    reference::initNetwork(net);
    reference::learnNetwork(net, image);
    for (NeuQuantSimd simd : availableSimd()) {
        SCOPED_TRACE(simdName(simd));
        auto area = freshArea();
        learnNetwork(*area, image, simd);
        ASSERT_TRUE(sameTrainedState(*area, net));
    }
    auto area = freshArea();
    learnNetwork(*area, image);
    std::array<Color, 256> palette;
    Color expectedPalette[256];
    finishNetwork(*area, palette);
    reference::finishNetwork(net, expectedPalette);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(palette[i], expectedPalette[i]) << "entry " << i;
    buildNetIndex(*area);
    reference::buildNetIndex(net);
    ASSERT_TRUE(sameSortedNetwork(*area, net));

    for (bool dither : {false, true}) {
        const std::string mapped = name + (dither ? "-dither" : "-plain");
        reference::Network scratch{};
        const Image expected = reference::quantize(image, dither, scratch);
        for (NeuQuantSimd simd : availableSimd()) {
            Image work = image;
            mapToNetwork(work, dither, *area, palette, simd);
            EXPECT_TRUE(imagesEqual(work, expected, mapped + "-" + simdName(simd)));
        }
        Image work = image;
        quantizeNeuQuant(work, dither, *area);
        EXPECT_TRUE(imagesEqual(work, expected, mapped));
    }
}

TEST(NeuQuantWorkArea, HasTheFixedLayout) {
    EXPECT_EQ(sizeof(NeuQuantWorkArea), 7296u);
    EXPECT_EQ(alignof(NeuQuantWorkArea), 16u);
    EXPECT_EQ(offsetof(NeuQuantWorkArea, freq), 4096u);
    EXPECT_EQ(offsetof(NeuQuantWorkArea, bias), 5120u);
    EXPECT_EQ(offsetof(NeuQuantWorkArea, netIndex), 6144u);
    EXPECT_EQ(offsetof(NeuQuantWorkArea, radPower), 7168u);
}

// The program only promises 16-byte alignment; the wide vector code must not assume more.
TEST(NeuQuantWorkArea, TrainsAndMapsAtEverySixteenByteOffset) {
    const Image image = randomImage(90, 70, 256, 21);
    auto expectedArea = freshArea();
    learnNetwork(*expectedArea, image);
    alignas(64) static unsigned char storage[sizeof(NeuQuantWorkArea) + 64];
    for (int offset : {16, 32, 48}) {
        for (NeuQuantSimd simd : availableSimd()) {
            auto* area = new (storage + offset) NeuQuantWorkArea{};
            initNetwork(*area);
            learnNetwork(*area, image, simd);
            EXPECT_EQ(area->freq, expectedArea->freq) << offset << simdName(simd);
            EXPECT_EQ(area->bias, expectedArea->bias) << offset << simdName(simd);
            Image work = image;
            quantizeNeuQuant(work, true, *area);
        }
    }
}

TEST(NeuQuantSamplingPlan, ChoosesStrideSamplesAndDelta) {
    struct Case {
        std::int64_t pixels;
        int stride, samples, delta;
    };
    const Case cases[] = {
        {1, 1, 1, 0},
        {7, 1, 7, 0},  // at most 7 pixels: every pixel in order
        {8, 7, 8, 0},
        {14, 7, 14, 0},    // small: stride 7 even when 7 divides N
        {498, 7, 498, 4},  // small images still update with 100+ samples
        {499, 491, 49, 0},
        {500, 499, 50, 0},  // a multiple of 499 falls to 491
        {998, 491, 99, 0},
        {1000, 499, 100, 1},
        {245009, 487, 24500, 245},           // 499 * 491
        {119319383, 503, 11931938, 119319},  // 499 * 491 * 487
    };
    for (const Case& c : cases) {
        const NeuQuantSamplingPlan plan = neuQuantSamplingPlan(c.pixels);
        EXPECT_EQ(plan.stride, c.stride) << "N = " << c.pixels;
        EXPECT_EQ(plan.samples, c.samples) << "N = " << c.pixels;
        EXPECT_EQ(plan.delta, c.delta) << "N = " << c.pixels;
    }
}

// learnNetwork must equal trainSample on exactly these pixels, with alpha 1024 and rad 32
// throughout (fewer than 100 samples never change the schedule).
void expectTrainsOn(const Image& image, const std::vector<int>& visits) {
    auto learned = freshArea();
    learnNetwork(*learned, image);
    auto stepped = freshArea();
    setRadPower(*stepped, 1024, 32);
    for (int p : visits) {
        trainSample(*stepped, 1024, 32, image.pixels()[p] & kRgbMask);
    }
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(learned->neurons[i].red, stepped->neurons[i].red) << i;
        EXPECT_EQ(learned->neurons[i].green, stepped->neurons[i].green) << i;
        EXPECT_EQ(learned->neurons[i].blue, stepped->neurons[i].blue) << i;
        EXPECT_EQ(learned->freq[i], stepped->freq[i]) << i;
        EXPECT_EQ(learned->bias[i], stepped->bias[i]) << i;
    }
}

TEST(NeuQuantLearn, VisitsThePixelsOfTheSmallImageStrides) {
    expectTrainsOn(randomImage(7, 1, 256, 1), {0, 1, 2, 3, 4, 5, 6});
    // 14 pixels: stride 7 returns to the start, so only pixels 0 and 7, alternately.
    expectTrainsOn(randomImage(7, 2, 256, 2), {0, 7, 0, 7, 0, 7, 0, 7, 0, 7, 0, 7, 0, 7});
    expectTrainsOn(randomImage(3, 3, 256, 3), {0, 7, 5, 3, 1, 8, 6, 4, 2});
    // 499 pixels: stride 491 (that is, 8 back), 49 samples.
    std::vector<int> visits;
    for (int k = 0; k < 49; ++k)
        visits.push_back((k * 491) % 499);
    expectTrainsOn(randomImage(499, 1, 256, 4), visits);
}

TEST(NeuQuantLearn, SetRadPowerDividesOnceAfterTheProduct) {
    auto area = freshArea();
    setRadPower(*area, 1000, 5);
    // 1000 * (25 - m^2) * 256 / 25
    const int expected[] = {256000, 245760, 215040, 163840, 92160};
    for (int m = 0; m < 5; ++m)
        EXPECT_EQ(area->radPower[m], expected[m]) << m;
    // 993 * 840 * 256 / 841 = 253905.73...: truncated.
    setRadPower(*area, 993, 29);
    EXPECT_EQ(area->radPower[1], 253905);
}

// Neuron 10 set off the grey ramp so it alone is nearest to the sample (10, 10, 100), by a
// distance of 23 + 23 + 1001 = 1047 against at least 1456 for the others.
std::unique_ptr<NeuQuantWorkArea> areaWithPlantedWinner() {
    auto area = freshArea();
    area->neurons[10] = NeuQuantNeuron{160 + 23, 160 - 23, 1600 - 1001, 0};
    return area;
}

TEST(NeuQuantTrain, WinnerMoveRoundsNegativeProductsUpByOne) {
    for (NeuQuantSimd simd : availableSimd()) {
        SCOPED_TRACE(simdName(simd));
        auto area = areaWithPlantedWinner();
        trainSample(*area, 89, 0, makeColor(10, 10, 100), simd);
        // red: 89 * 23 = 2047, >> 10 gives 1.
        EXPECT_EQ(area->neurons[10].red, 182);
        // green: -2047: (-2046) >> 10 = -2 (truncation would give -1).
        EXPECT_EQ(area->neurons[10].green, 139);
        // blue: 89 * -1001 = -89089: (-89088) >> 10 = -87 (a plain shift would give -88).
        EXPECT_EQ(area->neurons[10].blue, 686);
        EXPECT_EQ(area->freq[10], 256 + 64);
        EXPECT_EQ(area->bias[10], -65536);
        EXPECT_EQ(area->freq[9], 256);
        EXPECT_EQ(area->bias[9], 0);
        // rad 0: the neighbours stay on the ramp.
        EXPECT_EQ(area->neurons[9].green, 144);
        EXPECT_EQ(area->neurons[11].green, 176);
    }
}

TEST(NeuQuantTrain, NeighbourMoveRoundsLikeTheWinnerWithShift18) {
    for (NeuQuantSimd simd : availableSimd()) {
        SCOPED_TRACE(simdName(simd));
        auto area = areaWithPlantedWinner();
        setRadPower(*area, 1000, 5);  // radPower[1] = 245760
        area->neurons[11].red = 160 - 23;
        trainSample(*area, 1024, 5, makeColor(10, 10, 100), simd);
        // 245760 * -23 = -5652480: (-5652479) >> 18 = -22 (truncation would give -21).
        EXPECT_EQ(area->neurons[11].red, 137 + 22);
        // neuron 9 green: 245760 * (144 - 160) = -15 * 2^18 exactly; the added 1 changes
        // nothing: (-3932159) >> 18 = -15.
        EXPECT_EQ(area->neurons[9].green, 144 + 15);
        // distance 5 from the winner is outside rad 5: untouched.
        EXPECT_EQ(area->neurons[15].red, 240);
        EXPECT_EQ(area->neurons[5].red, 80);

        // A product of -1 stays 0 (a plain shift would move by 1); -3 moves by 1 (truncation
        // would not).
        area = areaWithPlantedWinner();
        area->radPower[1] = 1;
        // Blue far off keeps neuron 11 from winning itself (distance 1504).
        area->neurons[11] = NeuQuantNeuron{160 - 1, 160 - 3, 1600 + 1500, 0};
        trainSample(*area, 1024, 2, makeColor(10, 10, 100), simd);
        EXPECT_EQ(area->neurons[11].red, 159);
        EXPECT_EQ(area->neurons[11].green, 158);
        EXPECT_EQ(area->neurons[11].blue, 3100);  // 1500 >> 18 = 0
    }
}

TEST(NeuQuantTrain, SingleStepsMatchTheReferenceAcrossTheNetwork) {
    // Winners at both ends and in the middle, every radius, and bias built up over steps.
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> channel(0, 255), radius(0, 32), alpha(1, 1024);
    for (NeuQuantSimd simd : availableSimd()) {
        SCOPED_TRACE(simdName(simd));
        auto area = freshArea();
        reference::Network net{};
        reference::initNetwork(net);
        for (int step = 0; step < 3000; ++step) {
            const int a = alpha(rng), rad = radius(rng);
            const Color c = makeColor(channel(rng), channel(rng), channel(rng));
            setRadPower(*area, a, rad);
            reference::computeRadPower(net, a, rad);
            trainSample(*area, a, rad, c, simd);
            reference::trainSample(net, a, rad, c);
            ASSERT_TRUE(sameTrainedState(*area, net)) << "step " << step;
        }
    }
}

TEST(NeuQuantIndex, SelectionSortIsNotStableAndIndexHalvesRuns) {
    auto area = freshArea();
    for (int i = 0; i < 256; ++i)
        area->neurons[i] = NeuQuantNeuron{0, 20 * 16, 0, 0};
    area->neurons[0].green = 9 * 16;
    area->neurons[1].green = 9 * 16;
    area->neurons[2].green = 1 * 16;
    std::array<Color, 256> palette;
    finishNetwork(*area, palette);
    EXPECT_EQ(palette[2], makeColor(0, 1, 0, 255));
    buildNetIndex(*area);
    // Neuron 2 swaps with neuron 0, which lands behind neuron 1 (a stable sort gives 2, 0, 1).
    EXPECT_EQ(area->neurons[0].tag, 2);
    EXPECT_EQ(area->neurons[1].tag, 1);
    EXPECT_EQ(area->neurons[2].tag, 0);
    EXPECT_EQ(area->neurons[3].tag, 3);
    EXPECT_EQ(area->neurons[255].tag, 255);
    // Greens 1 (position 0), 9 (1..2), 20 (3..255).
    EXPECT_EQ(area->netIndex[0], 0);
    EXPECT_EQ(area->netIndex[1], 0);  // (0 + 1) / 2
    for (int g = 2; g <= 8; ++g)
        EXPECT_EQ(area->netIndex[g], 1) << g;
    EXPECT_EQ(area->netIndex[9], 2);  // (1 + 3) / 2
    for (int g = 10; g <= 19; ++g)
        EXPECT_EQ(area->netIndex[g], 3) << g;
    EXPECT_EQ(area->netIndex[20], 129);  // (3 + 255) / 2
    for (int g = 21; g <= 255; ++g)
        EXPECT_EQ(area->netIndex[g], 255) << g;
}

TEST(NeuQuantSearch, UpwardCandidateWinsATieAndStartMovesOffZero) {
    auto area = freshArea();
    for (int i = 0; i < 256; ++i)
        area->neurons[i] = NeuQuantNeuron{255 * 16, 200 * 16, 0, 0};
    area->neurons[7] = NeuQuantNeuron{10 * 16, 50 * 16, 10 * 16, 0};   // A
    area->neurons[30] = NeuQuantNeuron{10 * 16, 60 * 16, 10 * 16, 0};  // B
    std::array<Color, 256> palette;
    finishNetwork(*area, palette);
    buildNetIndex(*area);
    // Sorted: A at 0, B at 1, the rest green 200. Green 55 starts at B (netIndex 1) going up
    // and at A going down; both are at distance 5 and the upward one is examined first.
    EXPECT_EQ(searchNetwork(*area, makeColor(10, 55, 10)), 30);
    // Green 20: netIndex is 0, so the walk starts up at 1 (B) and down at 0 (A).
    EXPECT_EQ(searchNetwork(*area, makeColor(10, 20, 10)), 7);
    // Far above every green: netIndex 255, the walk still reaches A and B.
    EXPECT_EQ(searchNetwork(*area, makeColor(10, 255, 10)), 30);
    // An exact match at the start position (netIndex[200] = (2 + 255) / 2) ends the search
    // there; the many equal neurons below it lose the tie.
    EXPECT_EQ(searchNetwork(*area, makeColor(255, 200, 0)), 128);
}

TEST(NeuQuantSearch, MappingMatchesTheReferenceSearchForManyColours) {
    const Image trainingImage = randomImage(61, 47, 6, 11);
    auto area = freshArea();
    learnNetwork(*area, trainingImage);
    std::array<Color, 256> palette;
    finishNetwork(*area, palette);
    buildNetIndex(*area);
    reference::Network net{};
    reference::initNetwork(net);
    reference::learnNetwork(net, trainingImage);
    Color expectedPalette[256];
    reference::finishNetwork(net, expectedPalette);
    reference::buildNetIndex(net);

    // A grid of colours in steps of 5, then random ones with random alpha bytes, which the
    // search must ignore.
    Image queries(52 * 52, 52 + 80, 32);
    std::mt19937 rng(5);
    for (int y = 0; y < queries.height(); ++y) {
        for (int x = 0; x < queries.width(); ++x) {
            queries.at(x, y) = y < 52 ? makeColor(5 * (x % 52), 5 * (x / 52), 5 * y, 255)
                                      : static_cast<Color>(rng());
        }
    }
    Image expected = queries;
    for (Color& c : expected.pixels()) {
        const int tag = reference::searchNetwork(net, c);
        ASSERT_EQ(searchNetwork(*area, c), tag) << std::hex << c;
        c = keepAlpha(c, expectedPalette[tag]);
    }
    for (NeuQuantSimd simd : availableSimd()) {
        Image work = queries;
        mapToNetwork(work, false, *area, palette, simd);
        EXPECT_TRUE(imagesEqual(work, expected, std::string("nq-search-") + simdName(simd)));
    }
}

TEST(NeuQuant, MatchesTheReferenceOnSmallRandomImages) {
    struct Case {
        int width, height, levels;
    };
    const Case cases[] = {{1, 1, 256}, {2, 3, 256},   {7, 1, 4},       {7, 2, 256},
                          {5, 5, 3},   {499, 1, 256}, {998, 1, 4},     {40, 25, 256},
                          {97, 61, 2}, {97, 61, 5},   {300, 200, 256}, {300, 200, 3}};
    unsigned seed = 100;
    for (const Case& c : cases) {
        const std::string name = "nq-" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                 "-" + std::to_string(c.levels);
        expectMatchesReference(randomImage(c.width, c.height, c.levels, ++seed), name);
    }
    expectMatchesReference(randomImage(123, 45, 256, 9, 32), "nq-alpha");
}

TEST(NeuQuant, MatchesTheReferenceOnAPhoto) {
    auto decoded = readImageFile((testdataDir() / "photos" / "kodim05.png").string());
    if (decoded) {
        expectMatchesReference(decoded.value().image, "nq-kodim05");
    } else {
        ADD_FAILURE() << "kodim05.png not loadable (" << decoded.error()
                      << "); comparing on random pixels of the same size instead";
        expectMatchesReference(randomImage(768, 512, 256, 12), "nq-768x512");
    }
}

TEST(NeuQuant, ReproducesAUniformImageExactly) {
    for (auto [w, h] : {std::pair{1, 1}, {13, 7}, {100, 100}}) {
        Image image(w, h, 32, makeColor(123, 45, 201));
        for (int x = 0; x < w; ++x)
            image.at(x, 0) = makeColor(123, 45, 201, x);  // alpha kept
        Image work = image;
        auto area = freshArea();
        quantizeNeuQuant(work, false, *area);
        EXPECT_TRUE(imagesEqual(work, image, "nq-uniform"));
    }
}

TEST(NeuQuant, ReproducesABlackAndWhiteImageExactly) {
    for (auto [w, h] : {std::pair{3, 2}, {64, 48}, {250, 230}}) {
        const Image image = randomImage(w, h, 2, 40 + w);
        Image binary = image;
        for (Color& p : binary.pixels())
            p = (redOf(p) ? 0xFFFFFFFFu : 0xFF000000u);
        Image work = binary;
        auto area = freshArea();
        quantizeNeuQuant(work, false, *area);
        EXPECT_TRUE(imagesEqual(work, binary, "nq-black-white"));
    }
}

}  // namespace
}  // namespace vd::test
