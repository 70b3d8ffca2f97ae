#include "app/state.h"

#include <new>

#include "quantize/flat_palettes.h"
#include "quantize/neuquant.h"
#include "quantize/quantize.h"

namespace vd {

static_assert(sizeof(NeuQuantWorkArea) == kNeuQuantAreaBytes);
static_assert(kNeuQuantAreaBytes + kNeuQuantAlignment <= kNeuQuantBlockBytes);

namespace {

// Rounds the block's start up past the next 64 KiB boundary; the block is big enough that the
// area always fits behind it.
NeuQuantWorkArea* placeWorkArea(std::byte* block) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    return new (reinterpret_cast<void*>(alignedWorkAreaAddress(start))) NeuQuantWorkArea{};
}

}  // namespace

void initializeState(AppState& state) {
    gui::Gui* gui = state.gui;
    state = AppState{};
    state.gui = gui;

    state.censusColors.assign(1, 0);
    state.addTextText = "Enter text here.";
    state.addTextFontName = "Arial";
    state.addTextFontStyle = "Normal";
    state.textTable.reserve(512);
    state.fixedPalette16 = fixedPalette(QuantizeMethod::Fixed16);
    state.fixedPalette24 = fixedPalette(QuantizeMethod::Fixed24);
    state.fixedPalette32 = fixedPalette(QuantizeMethod::Fixed32);
    state.neuQuantBlock = std::make_unique<std::byte[]>(kNeuQuantBlockBytes);
    state.neuQuantArea = placeWorkArea(state.neuQuantBlock.get());
    state.colorIndex.build(ColorIndex::defaultPalette());
    state.currentPalette.assign(1, 0);

    state.quitRequested = 0;
    state.imgReference = imageNumber(0);
    state.imgReferenceUndo = imageNumber(1);
    state.imgWork = imageNumber(2);
    state.imgWorkUndo = imageNumber(3);
    state.imageInView = state.imgReference;
}

}  // namespace vd
