#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "quantize/census_set.h"
#include "platform/gui/ids.h"
#include "platform/gui/seams.h"
#include "platform/image/image_store.h"
#include "quantize/color_index.h"
#include "quantize/palette.h"

namespace vd {

struct NeuQuantWorkArea;
namespace gui {
class Gui;
}

// Fixed image numbers. 0 to 3 hold the two views and their undo copies; which is which is
// recorded in the view slots, so code reads the slots and never these four literals.
constexpr ImageNumber IMG_ORIGINAL{4};
constexpr ImageNumber IMG_REDO_ICON{5};
constexpr ImageNumber IMG_UNDO_ICON{6};
constexpr ImageNumber IMG_HISTOGRAM{7};
constexpr ImageNumber IMG_SCRATCH{8};
constexpr ImageNumber IMG_SELECTION{9};
constexpr ImageNumber IMG_PALETTE{10};

constexpr WindowNumber WIN_MAIN{0};
constexpr WindowNumber WIN_HISTOGRAM{1};
constexpr WindowNumber WIN_PALETTE{2};
constexpr WindowNumber WIN_CONTRAST{3};
constexpr WindowNumber WIN_RESIZE_CANVAS{4};
constexpr WindowNumber WIN_NEW_IMAGE{5};
constexpr WindowNumber WIN_ADD_TEXT{6};
constexpr WindowNumber WIN_HELP{7};
constexpr WindowNumber WIN_TWO_COLORS{8};
constexpr WindowNumber WIN_BRIGHTNESS{9};
constexpr WindowNumber WIN_RESIZE_IMAGE{10};

constexpr ControlNumber GAD_LIMIT{1};
constexpr ControlNumber GAD_CANVAS{2};
constexpr ControlNumber GAD_REDO{3};
constexpr ControlNumber GAD_DITHER{4};
constexpr ControlNumber GAD_SCROLL{5};
constexpr ControlNumber GAD_HISTOGRAM{7};
constexpr ControlNumber GAD_UNIQUE_COUNT{8};
constexpr ControlNumber GAD_UNDO{9};
constexpr ControlNumber GAD_METHOD{10};
constexpr ControlNumber GAD_VIEW_REFERENCE{11};
constexpr ControlNumber GAD_HIST_RED{12};
constexpr ControlNumber GAD_HIST_GREEN{13};
constexpr ControlNumber GAD_HIST_BLUE{14};
constexpr ControlNumber GAD_HIST_EXEX{15};
constexpr ControlNumber GAD_HIST_AVG{16};
constexpr ControlNumber GAD_PALETTE{17};
constexpr ControlNumber GAD_HELP_TEXT{18};
constexpr ControlNumber GAD_APPLY{19};
constexpr ControlNumber GAD_VIEW_WORK{20};

constexpr int STATUS_MAIN = 6;
constexpr int MENU_MAIN = 0;

// Menu items, shared by the pop-up menu and the keyboard shortcuts.
enum MenuItem : int {
    MENU_REVERT = 0,
    MENU_FLIP = 1,
    MENU_MIRROR = 2,
    MENU_NEGATIVE = 3,
    MENU_ROTATE_RIGHT = 4,
    MENU_CROP = 5,
    MENU_GRAY_SCALE = 6,
    MENU_ROTATE_180 = 7,
    MENU_TWO_COLORS = 8,
    MENU_ROTATE_LEFT = 9,
    MENU_SET_WORK_AS_REFERENCE = 10,
    MENU_LOAD_IMAGE = 11,
    MENU_SAVE_IMAGE = 12,
    MENU_COPY = 13,
    MENU_PASTE_FLOATING = 14,
    MENU_CONTRAST = 15,
    MENU_RETURN_KEY = 16,
    MENU_NEW_IMAGE = 17,
    MENU_ADD_TEXT = 18,
    MENU_BRIGHTNESS = 19,
    MENU_LEFT_KEY = 20,
    MENU_RIGHT_KEY = 21,
    MENU_UP_KEY = 22,
    MENU_DOWN_KEY = 23,
    MENU_HELP = 24,
    MENU_RESIZE_IMAGE = 25,
    MENU_RESIZE_CANVAS = 26,
    MENU_QUIT = 27,
    MENU_UNDO = 28,
    MENU_REDO = 29,
    MENU_PASTE_NEW_IMAGE = 30,
    MENU_ZOOM_IN = 31,
    MENU_ZOOM_OUT = 32,
    MENU_ZOOM_FIT = 33,
    MENU_ZOOM_ACTUAL = 34,
};

// Events the canvas posts for itself.
constexpr int EVT_CANVAS_LEFT_UP = 65536;
constexpr int EVT_CANVAS_LEFT_DOWN = 65537;
constexpr int EVT_CANVAS_MENU = 65538;

// Bits of undoFlags.
constexpr int UNDO_REFERENCE = 1;
constexpr int REDO_REFERENCE = 2;
constexpr int UNDO_WORK = 4;
constexpr int REDO_WORK = 8;

// The selection rectangle, in canvas pixels (which equal image pixels), bounds inclusive.
struct SelectionRecord {
    std::int32_t left = 0, right = 0, top = 0, bottom = 0;
    std::int32_t outlineDrawn = 0;
    std::int32_t active = 0;
    std::int32_t minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// The last histogram computed: pixel counts per level, each channel's largest count over the
// scaled levels, and the average levels.
struct HistogramRecord {
    std::array<std::int32_t, 256> redCounts{}, greenCounts{}, blueCounts{};
    std::int32_t redMaximum = 0, greenMaximum = 0, blueMaximum = 0;
    std::int32_t redAverage = 0, greenAverage = 0, blueAverage = 0;
};

// The NeuQuant network lives in a work area allocated once and aligned to 64 KiB, so that its
// neuron records start on a boundary every vector width divides.
constexpr std::size_t kNeuQuantBlockBytes = 72'832;
constexpr std::size_t kNeuQuantAlignment = 65'536;
constexpr std::size_t kNeuQuantAreaBytes = 7'296;

// The start of the work area inside a block at `address`: the next multiple of 64 KiB
// strictly above the block's start, always leaving room for the area within the block.
constexpr std::uintptr_t alignedWorkAreaAddress(std::uintptr_t address) {
    return (address & ~std::uintptr_t{kNeuQuantAlignment - 1}) + kNeuQuantAlignment;
}

// The rectangle being dragged on the canvas; the opposite corner of (x, y) is
// (x + width, y + height).
struct RubberBandRecord {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t drawnX = 0, drawnY = 0;
    std::int32_t handleDrawn = 0;
};

// All state of the running program. There is exactly one instance for the program; tests
// make a fresh one for each case.
struct AppState {
    ImageStore images;

    // View slots: always the numbers 0, 1, 2 and 3 in some order.
    ImageNumber imgReference{0};
    ImageNumber imgReferenceUndo{1};
    ImageNumber imgWork{2};
    ImageNumber imgWorkUndo{3};
    ImageNumber imageInView{0};
    int undoFlags = 0;

    int quitRequested = 0;
    int pickArmed = 0;

    std::string loadedPath;
    // The status bar's file field says why a file could not be read, until the next redraw.
    bool statusNamesUnreadFile = false;
    std::string loadedTitle;
    bool firstLoad = true;
    int newImageWidth = 800;
    int newImageHeight = 600;
    Color newImageColor = 0xFFFFFF;
    // Colours picked in the adjustment dialogs, kept for the next opening (after Cancel too).
    Color TwoColorsColor1 = 0x000000;
    Color TwoColorsColor2 = 0xFFFFFF;
    Color CanvasBackgroundColor = 0x000000;

    SelectionRecord Selection;
    RubberBandRecord RubberBand;

    // The palette of the last quantization or whole-image census.
    Palette currentPalette;
    // The palette window's census: a set of colours and its result.
    CensusSet censusSet;
    Palette censusColors;

    HistogramRecord HistogramData;
    // The histogram window's graph picture and ratio line, numbered when the window opens.
    ControlNumber histogramGraph{-1};
    ControlNumber histogramRatio{-1};

    // Text insertion defaults and the text dialog's table.
    std::string addTextText;
    std::string addTextFontName;
    std::string addTextFontStyle;
    int addTextFontSize = 10;  // points
    bool addTextBold = false, addTextItalic = false;
    bool addTextUnderline = false, addTextStrikeOut = false;
    Color addTextFrontColor = 0x000000;
    Color addTextBackColor = 0xFFFFFF;
    bool addTextTransparent = false;
    std::unordered_map<std::string, int> textTable;

    Palette fixedPalette16, fixedPalette24, fixedPalette32;

    // The nearest-colour search table, built from the default palette at start-up.
    ColorIndex colorIndex;

    std::unique_ptr<std::byte[]> neuQuantBlock;
    NeuQuantWorkArea* neuQuantArea = nullptr;

    // The zoom was chosen to fit the picture into the window (the status bar says "Fit").
    bool zoomFitsView = false;

    // Where followMainWindow last put the palette window.
    int palettePlaceX = 0, palettePlaceY = 0;

    // The help window's inner size and font, fixed by its first opening for the whole run.
    int helpWidth = 0, helpHeight = 0;
    std::optional<gui::FontChoice> helpFont;

    // The windowing layer; set by start-up (or by a test) before any command runs.
    gui::Gui* gui = nullptr;
};

// Start-up steps 1, 3 and 4: zero the state, create its tables and set the view slots.
// The windowing layer and the main window come after it. `gui` is kept.
void initializeState(AppState& state);

}  // namespace vd
