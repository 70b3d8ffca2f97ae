#pragma once

// The program's commands, by the module that owns them. Each takes the program state (which
// holds the windowing layer); none runs inside a Qt handler.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/state.h"
#include "platform/gui/gui.h"
#include "quantize/palette.h"

namespace vd {

// ---- Main window (app/main_window.cpp).
// 1 when the window and all its parts exist, 0 when the window could not be opened.
int buildMainWindow(AppState& s);
void methodChanged(AppState& s);
void limitChanged(AppState& s, int eventType);
void layoutScrollArea(AppState& s);
void fitWindowToImage(AppState& s, ImageNumber n);
// Where the palette window's outer top-left corner belongs: over the left column, just
// below the view buttons.
gui::Point palettePlace(const AppState& s);
void followMainWindow(AppState& s);
// The pop-up menu and the keyboard shortcuts buildMainWindow installs.
struct KeyShortcut {
    int key;
    int modifiers;
    int item;
};
std::vector<gui::MenuEntry> popupMenuEntries();
std::vector<KeyShortcut> mainShortcuts();
// The help window (app/help_window.cpp): opens it, or brings it back when it is open; and
// keeps its text filling the window.
void showHelp(AppState& s);
void fitHelpText(AppState& s);
// The button pictures and the start pattern (app/start_pattern.cpp).
void drawButtonPictures(AppState& s);
void createStartPattern(AppState& s);

// ---- Event loop (app/event_loop.cpp).
// 1 to be called again, 0 when the user confirmed quitting.
int processEvents(AppState& s);
// Runs the command of one event (the dispatch tables).
void dispatchEvent(AppState& s, const gui::Event& event);
void canvasCallback(AppState& s, const gui::Event& event);
void enterPressed(AppState& s);

// The busy cursor for as long as a command works on a big picture: from 4 megapixels (or a
// file of 1 MB) a command takes 150 ms or more on the machine the program is built on.
// Events that arrive meanwhile wait in the queue and are taken afterwards, in order.
constexpr std::size_t kBusyPixels = 4'000'000;
constexpr std::uintmax_t kBusyFileBytes = 1'000'000;
class BusyCursor {
  public:
    BusyCursor(gui::Gui& gui, bool longWork);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    gui::Gui* gui_;
};
// True when a command on image `n` calls for the busy cursor.
bool isBigPicture(const AppState& s, ImageNumber n);

// ---- Quantize action (app/quantize_action.cpp).
void applyQuantize(AppState& s);

// ---- Image operations on a view's image (app/image_commands.cpp): each does nothing when
// the image does not exist, saves undo first, and refreshes the palette where colours change.
void negativeCommand(AppState& s, ImageNumber n);
void grayScaleCommand(AppState& s, ImageNumber n);
void flipCommand(AppState& s, ImageNumber n);
void mirrorCommand(AppState& s, ImageNumber n);
void rotate180Command(AppState& s, ImageNumber n);
int rotateQuarterCommand(AppState& s, ImageNumber n, bool clockwise);
int cropCommand(AppState& s, ImageNumber n);

// ---- Adjustment and resize dialogs on the image in view (dialogs/). Each returns at once
// when there is no image in view or its window is already open.
void twoColorsDialog(AppState& s);
void brightnessDialog(AppState& s);
void contrastDialog(AppState& s);
void resizeImageDialog(AppState& s);
void resizeCanvasDialog(AppState& s);

// ---- Views, undo and redo (app/views.cpp).
void saveUndo(AppState& s, ImageNumber n);
// Image n takes the pixels of image `replacement`, which is freed. For a view's image this
// leaves what saveUndo followed by a copy would, but moves buffers instead of copying them.
void replaceWithUndo(AppState& s, ImageNumber n, ImageNumber replacement);
void updateUndoButtons(AppState& s, ImageNumber n);
void undo(AppState& s);
void redo(AppState& s);
void switchView(AppState& s, ControlNumber button);
void setWorkAsReference(AppState& s);
void pasteNewImage(AppState& s);
// What pasteNewImage does with the clipboard's picture, for a picture dropped from outside.
void pasteNewPicture(AppState& s, Image picture);

// ---- Canvas display and selection (canvas/display.cpp, canvas/selection.cpp).
void refreshDisplay(AppState& s);
// Shows the canvas at `scale`, keeping the selection outline crisp: drawn into the canvas
// pixels at 100 %, as the canvas's overlay at every other scale.
void rescaleCanvas(AppState& s, double scale, gui::ZoomAnchor anchor);
void setCanvasBounds(AppState& s, ControlNumber canvas);
void clearSelection(AppState& s);
void updateSelectionStatus(AppState& s);
void canvasPress(AppState& s, ControlNumber canvas);
// What the palette and histogram describe: with a selection active, its rectangle of the
// image in view (bounds inclusive) copied into IMG_SELECTION, otherwise the image in view.
// Nothing when the copy cannot be made.
std::optional<ImageNumber> selectionOrImageInView(AppState& s);
// The clipboard's picture over the image in view, following the pointer until it is placed
// or dropped (canvas/floating_section.cpp).
void pasteFloatingSection(AppState& s);

// ---- Zoom (canvas/zoom.cpp): steps from 6.25 % to 1600 %, fit, and the status field.
// The largest scale, at most 1, at which a picture fits the visible area.
double fitScale(int pictureWidth, int pictureHeight, gui::Size visible);
void zoomStep(AppState& s, bool in, gui::ZoomAnchor anchor);
void zoomToFit(AppState& s);
void zoomToActualSize(AppState& s);
void zoomByWheel(AppState& s, const gui::Event& event);
// Back to 100 % for a new picture or one of another size, where the window fits it again.
void resetZoom(AppState& s);
void showZoom(AppState& s);

// ---- Palette window and palette colour editing (panels/palette_window.cpp,
// panels/palette_edit.cpp).
void refreshPalette(AppState& s);
void showPalette(AppState& s, const Palette& palette);
// A click on the palette picture: `event` carries its type and position.
void editPaletteColor(AppState& s, const gui::Event& event);

// ---- Histogram window (panels/histogram_window.cpp).
// Fills s.HistogramData from image n and returns the average colour; nothing when there is
// no image n.
std::optional<Color> computeHistogram(AppState& s, ImageNumber n);
// Shows the histogram of image n; -1 closes the window.
void showHistogram(AppState& s, int n);
void refreshHistogram(AppState& s);

// ---- Copy (files/clipboard_copy.cpp): the selection, or the whole image in view, to the
// system clipboard.
void copySelectionToClipboard(AppState& s);

// ---- Image files (files/file_commands.cpp). Not to be confused with the codec entry
// points readImageFile and writeImageFile, which these commands use.
void loadImageFile(AppState& s);
// What loadImageFile does with the chosen path; files opened from outside the program (the
// command line, a drop) come this way too.
void loadImagePath(AppState& s, const std::string& path);
void saveImageFile(AppState& s);
void newImageDialog(AppState& s);
// Text typed in a chosen font and colours, put on the clipboard as a picture and pasted as a
// floating section (files/add_text_dialog.cpp).
void addTextDialog(AppState& s);
void revertImage(AppState& s);

// ---- Start-up and shutdown (app/startup.cpp).
// Steps 1 to 7 with the given windowing layer; returns the exit code (always 0). The first
// of `files` (named on the command line) is loaded as the open requester's file would be.
int startUp(gui::Gui& gui, const std::vector<std::string>& files = {});
void shutDown(AppState& s);

}  // namespace vd
