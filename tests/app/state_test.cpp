#include <gtest/gtest.h>

#include "app/state.h"
#include "quantize/neuquant.h"

namespace vd::test {
namespace {

TEST(AppState, StartsWithTheViewSlotsInOrderAndNothingToUndo) {
    AppState state;
    state.undoFlags = 5;
    state.imgReference = imageNumber(1);
    initializeState(state);
    EXPECT_EQ(state.imgReference, imageNumber(0));
    EXPECT_EQ(state.imgReferenceUndo, imageNumber(1));
    EXPECT_EQ(state.imgWork, imageNumber(2));
    EXPECT_EQ(state.imgWorkUndo, imageNumber(3));
    EXPECT_EQ(state.imageInView, state.imgReference);
    EXPECT_EQ(state.undoFlags, 0);
    EXPECT_EQ(state.quitRequested, 0);
    EXPECT_EQ(state.pickArmed, 0);
    EXPECT_EQ(state.Selection.active, 0);
    EXPECT_TRUE(state.firstLoad);
    EXPECT_EQ(state.addTextText, "Enter text here.");
    EXPECT_EQ(state.addTextFontName, "Arial");
    EXPECT_EQ(state.addTextFontStyle, "Normal");
    EXPECT_EQ(state.currentPalette.size(), 1u);
    EXPECT_EQ(state.fixedPalette16.size(), 16u);
    EXPECT_EQ(state.fixedPalette24.size(), 24u);
    EXPECT_EQ(state.fixedPalette32.size(), 32u);
    EXPECT_FALSE(state.images.exists(imageNumber(1)));
    EXPECT_FALSE(state.images.exists(imageNumber(3)));
}

TEST(AppState, SearchTableStartsFromTheDefaultPalette) {
    AppState state;
    initializeState(state);
    EXPECT_EQ(state.colorIndex.colorCount(), 16);
    // (85, 85, 255) is one of the sixteen default colours; (90, 80, 250) lies next to it.
    EXPECT_EQ(state.colorIndex.nearest(makeColor(90, 80, 250)) & kRgbMask, makeColor(85, 85, 255));
}

TEST(NeuQuantWorkArea, StartsPastTheNext64KiBBoundaryWhateverTheBlockAddress) {
    EXPECT_EQ(alignedWorkAreaAddress(0x10000), 0x20000u);  // already aligned: still moves on
    EXPECT_EQ(alignedWorkAreaAddress(0x10001), 0x20000u);
    EXPECT_EQ(alignedWorkAreaAddress(0x1FFFF), 0x20000u);
    for (std::uintptr_t start : {0x10000u, 0x10008u, 0x1FFF0u}) {
        const std::uintptr_t area = alignedWorkAreaAddress(start);
        EXPECT_LE(area + kNeuQuantAreaBytes, start + kNeuQuantBlockBytes);
    }

    AppState state;
    initializeState(state);
    const auto area = reinterpret_cast<std::uintptr_t>(state.neuQuantArea);
    const auto block = reinterpret_cast<std::uintptr_t>(state.neuQuantBlock.get());
    EXPECT_EQ(area % kNeuQuantAlignment, 0u);
    EXPECT_GT(area, block);
    EXPECT_LE(area + sizeof(NeuQuantWorkArea), block + kNeuQuantBlockBytes);
}

}  // namespace
}  // namespace vd::test
