// The help window: the help document in a read-only text that fills a window of its own,
// beside the main window until the user closes it.

#include <string>
#include <string_view>

#include "app/commands.h"
#include "app/help_document.h"

namespace vd {

namespace {

constexpr Color kHelpBackground = 0x8FDFDF;  // red 223, green 223, blue 143
constexpr Color kHelpTextColor = 0x802A29;   // red 41, green 42, blue 128

// The text control separates lines by '\n' alone; a CR would show as a glyph of its own.
std::string withLineFeeds(std::string_view document) {
    std::string text;
    text.reserve(document.size());
    for (char c : document)
        if (c != '\r') text += c;
    return text;
}

// Half the desktop as it is on the first opening; later openings reuse that size even when
// the desktop has changed meanwhile.
void measureHelpWindow(AppState& s) {
    const gui::Desktop& desktop = s.gui->desktop();
    s.helpWidth = desktop.screenWidth() / 2;
    s.helpHeight = desktop.screenHeight() / 2;
}

gui::FontChoice helpFontChoice() {
    gui::FontChoice font;
    font.name = "Courier New";
    font.points = 12;
    font.style = gui::FontStyle::Bold;
    return font;
}

}  // namespace

void showHelp(AppState& s) {
    gui::Gui& g = *s.gui;
    if (!s.helpFont) {
        measureHelpWindow(s);
        s.helpFont = helpFontChoice();
    }
    if (g.windowExists(WIN_HELP)) {
        g.activateWindow(WIN_HELP);
        return;
    }
    const gui::Size size{s.helpWidth, s.helpHeight};
    if (!g.openWindowCentred(WIN_HELP, size, "VD Help", gui::WindowStyle::Main)) return;
    // Esc closes it, as the close box does.
    g.setDialogKeys(WIN_HELP, {});
    g.addReadOnlyText(WIN_HELP, GAD_HELP_TEXT, {0, 0, size.width, size.height},
                      withLineFeeds(helpDocument()));
    g.setTextStyle(GAD_HELP_TEXT, *s.helpFont, kHelpTextColor, kHelpBackground);
}

void fitHelpText(AppState& s) {
    gui::Gui& g = *s.gui;
    if (!g.windowExists(WIN_HELP) || !g.controlExists(GAD_HELP_TEXT)) return;
    const gui::Rect inner = g.innerRect(WIN_HELP);
    const gui::Rect text = g.controlRect(GAD_HELP_TEXT);
    if (text.width != inner.width || text.height != inner.height)
        g.setControlRect(GAD_HELP_TEXT, {0, 0, inner.width, inner.height});
}

}  // namespace vd
