// The help window (one window, its size, place, text and style, restoring and following
// resizes) and the help document (its form, and that it covers every menu entry, shortcut
// and quantization method the program has).

#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QPalette>
#include <QPlainTextEdit>
#include <QWidget>

#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/help_document.h"
#include "platform/gui/qt_access.h"
#include "quantize/quantize.h"
#include "tests/app/app_fixture.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

using HelpWindow = AppWindowTest;

std::string lfLines(std::string_view document) {
    std::string text(document);
    std::erase(text, '\r');
    return text;
}

TEST_F(HelpWindow, OpensOnceHalfTheDesktopInSizeCentredOnIt) {
    showHelp(s);
    EXPECT_EQ(gui.title(WIN_HELP), "VD Help");
    const gui::Rect inner = gui.innerRect(WIN_HELP);
    EXPECT_EQ(inner.width, 960);
    EXPECT_EQ(inner.height, 540);
    EXPECT_EQ(gui.controlRect(GAD_HELP_TEXT), (gui::Rect{0, 0, 960, 540}));
    const gui::Point outer = gui.outerPosition(WIN_HELP);
    const gui::Size frame = gui.frameExtra(WIN_HELP);
    EXPECT_NEAR(outer.x + (inner.width + frame.width) / 2, 960, 1);
    EXPECT_NEAR(outer.y + (inner.height + frame.height) / 2, 540, 1);

    gui.setInnerSize(WIN_HELP, {700, 400});
    showHelp(s);
    EXPECT_EQ(gui.innerRect(WIN_HELP).width, 700) << "the open window is not built again";
}

TEST_F(HelpWindow, ShowingItAgainRestoresAMinimisedOrMaximisedWindow) {
    showHelp(s);
    gui::windowWidget(gui, WIN_HELP)->showMinimized();
    ASSERT_TRUE(gui.isMinimized(WIN_HELP));
    showHelp(s);
    EXPECT_FALSE(gui.isMinimized(WIN_HELP));

    gui::windowWidget(gui, WIN_HELP)->showMaximized();
    ASSERT_TRUE(gui.isMaximized(WIN_HELP));
    showHelp(s);
    EXPECT_FALSE(gui.isMaximized(WIN_HELP));
}

TEST_F(HelpWindow, ShowsTheDocumentReadOnlyInItsColoursAndFont) {
    showHelp(s);
    const std::string document = lfLines(helpDocument());
    EXPECT_EQ(gui.text(GAD_HELP_TEXT), document);
    typeText(gui, GAD_HELP_TEXT, "typed");
    EXPECT_EQ(gui.text(GAD_HELP_TEXT), document) << "the text cannot be edited";

    auto* box = qobject_cast<QPlainTextEdit*>(gui::widgetOf(gui, GAD_HELP_TEXT));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(223, 223, 143));
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(41, 42, 128));
    const QFont font = box->font();
    EXPECT_EQ(font.family().toStdString(), "Courier New");
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(QFontInfo(font).fixedPitch()) << "a Courier-like font answers the name";
}

TEST_F(HelpWindow, TheTextFollowsTheWindowsSize) {
    showHelp(s);
    for (gui::Size size : {gui::Size{700, 420}, gui::Size{1200, 800}}) {
        gui.setInnerSize(WIN_HELP, size);
        fitHelpText(s);
        EXPECT_EQ(gui.controlRect(GAD_HELP_TEXT), (gui::Rect{0, 0, size.width, size.height}));
    }
}

TEST_F(HelpWindow, ReopensAtItsFirstSizeAfterClosingWhateverTheDesktop) {
    showHelp(s);
    gui.setInnerSize(WIN_HELP, {500, 300});
    pressCloseBox(gui, WIN_HELP);
    runLoop();
    ASSERT_FALSE(gui.windowExists(WIN_HELP));

    desktop = gui::FixedDesktop{1280, 720, "/tmp", "/tmp"};
    showHelp(s);
    EXPECT_EQ(gui.innerRect(WIN_HELP).width, 960);
    EXPECT_EQ(gui.innerRect(WIN_HELP).height, 540);
    EXPECT_EQ(gui.text(GAD_HELP_TEXT), lfLines(helpDocument()));
}

// ---- The document.

// A menu label without its accelerator column.
std::string labelOf(const gui::MenuEntry& entry) {
    return entry.label.substr(0, entry.label.find('\t'));
}

std::string upperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string keyName(const KeyShortcut& shortcut) {
    static const std::map<int, std::string> kNamedKeys = {
        {gui::KEY_RETURN, "Return"}, {gui::KEY_LEFT, "Left arrow"}, {gui::KEY_RIGHT, "Right arrow"},
        {gui::KEY_UP, "Up arrow"},   {gui::KEY_DOWN, "Down arrow"}, {gui::KEY_F1, "F1"}};
    if (shortcut.modifiers == gui::MOD_CTRL && shortcut.key >= 'A' && shortcut.key <= 'Z')
        return std::string("Ctrl+") + static_cast<char>(shortcut.key);
    const auto named = kNamedKeys.find(shortcut.key);
    return named != kNamedKeys.end() && shortcut.modifiers == 0 ? named->second : "unnamed key";
}

const gui::MenuEntry* entryOfItem(const std::vector<gui::MenuEntry>& entries, int item) {
    for (const gui::MenuEntry& entry : entries) {
        if (const gui::MenuEntry* found = entryOfItem(entry.submenu, item)) return found;
        if (!entry.separator && entry.submenu.empty() && entry.item == item) return &entry;
    }
    return nullptr;
}

class HelpDocument : public testing::Test {
  protected:
    std::vector<std::string> lines;

    void SetUp() override {
        const std::string text = lfLines(helpDocument());
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(text.substr(start, end - start));
    }

    // The first line at or after `from` that `matches`; lines.size() when there is none.
    template <class Predicate>
    std::size_t find(std::size_t from, Predicate matches) const {
        while (from < lines.size() && !matches(lines[from]))
            ++from;
        return from;
    }
    std::size_t lineEqualTo(std::size_t from, const std::string& wanted) const {
        return find(from, [&](const std::string& line) { return line == wanted; });
    }
    std::size_t lineHolding(std::size_t from, const std::string& wanted) const {
        return find(
            from, [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
    }

    // A line found moves the search past it; a miss is reported and leaves the search where
    // it was, so that one miss does not hide everything after it.
    void expectFound(std::size_t at, const std::string& what, std::size_t& from) const {
        if (at < lines.size())
            from = at + 1;
        else
            ADD_FAILURE() << what << " after line " << from;
    }

    // Walks the menu tree in order: submenus and top-level commands open a group under their
    // upper-case heading, commands are named in braces, and a top-level separator closes a
    // group with a line of underscores.
    std::size_t expectInOrder(const std::vector<gui::MenuEntry>& entries, std::size_t from,
                              bool topLevel) const {
        const auto underscores = [](const std::string& line) {
            return !line.empty() && line.find_first_not_of('_') == std::string::npos;
        };
        for (const gui::MenuEntry& entry : entries) {
            if (entry.separator) {
                if (topLevel) expectFound(find(from, underscores), "underscores", from);
                continue;
            }
            const std::string label = labelOf(entry);
            if (!entry.submenu.empty() || topLevel) {
                // Appended rather than "(" + ... + ")", which GCC 12 at -O2 misreads as an
                // overlapping copy (-Wrestrict).
                std::string heading = "(";
                heading += upperCase(label);
                heading += ")";
                expectFound(lineEqualTo(from, heading), heading, from);
            }
            if (entry.submenu.empty())
                expectFound(lineHolding(from, "{" + label + "}"), "{" + label + "}", from);
            else
                from = expectInOrder(entry.submenu, from, false);
        }
        return from;
    }
};

TEST_F(HelpDocument, IsPrintableAsciiWithCrLfLinesAndATrailingNul) {
    const std::string_view document = helpDocument();
    ASSERT_GT(document.size(), 8'000u);
    EXPECT_EQ(document.data()[document.size()], '\0');
    EXPECT_TRUE(document.ends_with("\r\n"));
    for (std::size_t i = 0; i < document.size(); ++i) {
        const char c = document[i];
        const bool crLf = c == '\r' && i + 1 < document.size() && document[i + 1] == '\n';
        const bool lfAfterCr = c == '\n' && i > 0 && document[i - 1] == '\r';
        ASSERT_TRUE(crLf || lfAfterCr || (c >= ' ' && c <= '~')) << "byte " << i;
    }
}

TEST_F(HelpDocument, OpensWithAFramedTitleThenTheSectionsInOrder) {
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].find_first_not_of(" _"), std::string::npos) << "top of the frame";
    std::size_t from = lineHolding(0, "Vandrell");
    ASSERT_LT(from, lines.size());
    EXPECT_TRUE(lines[from].starts_with('|') && lines[from].ends_with('|')) << lines[from];
    for (const char* section : {"COLOR QUANTIZATION:", "IMPORTANT CONCEPT:", "HISTOGRAM:",
                                "POP-UP MENU:", "KEYBOARD SHORTCUTS:"})
        expectFound(lineEqualTo(from, section), section, from);
}

TEST_F(HelpDocument, NamesEveryMenuEntryInTheMenusOrder) {
    const std::size_t end = expectInOrder(popupMenuEntries(), lineEqualTo(0, "POP-UP MENU:"), true);
    EXPECT_LT(end, lineEqualTo(0, "KEYBOARD SHORTCUTS:")) << "all within the menu section";
}

TEST_F(HelpDocument, ListsEveryShortcutWithTheEntryItRuns) {
    const std::size_t section = lineEqualTo(0, "KEYBOARD SHORTCUTS:");
    const std::vector<gui::MenuEntry> menu = popupMenuEntries();
    for (const KeyShortcut& shortcut : mainShortcuts()) {
        const std::string key = keyName(shortcut);
        const std::size_t at =
            find(section, [&](const std::string& line) { return line.starts_with(key + " "); });
        ASSERT_LT(at, lines.size()) << key;
        if (const gui::MenuEntry* entry = entryOfItem(menu, shortcut.item)) {
            EXPECT_NE(lines[at].find(labelOf(*entry)), std::string::npos) << lines[at];
        }
    }
}

TEST_F(HelpDocument, DescribesEveryQuantizationMethod) {
    const std::size_t from = lineEqualTo(0, "COLOR QUANTIZATION:");
    const std::size_t to = lineEqualTo(from, "IMPORTANT CONCEPT:");
    for (const MethodInfo& method : kMethods)
        EXPECT_LT(lineHolding(from, std::string(method.label)), to) << method.label;
}

}  // namespace
}  // namespace vd::test
