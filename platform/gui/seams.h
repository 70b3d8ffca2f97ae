#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/color.h"

namespace vd::gui {

// What a file requester returns: the chosen path (empty when cancelled) and the index of the
// filter in use when it closed.
struct FileChoice {
    std::string path;
    int filterIndex = 0;
};

enum class FontStyle { Normal, Bold, Italic, BoldItalic };

constexpr bool isBold(FontStyle style) {
    return style == FontStyle::Bold || style == FontStyle::BoldItalic;
}
constexpr bool isItalic(FontStyle style) {
    return style == FontStyle::Italic || style == FontStyle::BoldItalic;
}
constexpr FontStyle fontStyle(bool bold, bool italic) {
    if (bold) return italic ? FontStyle::BoldItalic : FontStyle::Bold;
    return italic ? FontStyle::Italic : FontStyle::Normal;
}

struct FontChoice {
    std::string name = "Arial";
    int points = 10;
    FontStyle style = FontStyle::Normal;
    bool underline = false;
    bool strikeOut = false;
    // The text colour a font requester offers and returns with the font.
    Color color = 0;
};

// Which answer of a Yes/No question Return and a hasty click take: No where the question
// guards against losing something, Yes where it confirms what the user has just asked for.
enum class YesNoDefault { No, Yes };

// The questions a person answers: file, colour and font requesters and the Yes/No box.
// Filter patterns are pairs "description|patterns|description|patterns", patterns separated
// by ';' (for example "image *.png|*.png|image *.*|*.*").
class Requesters {
  public:
    virtual ~Requesters() = default;
    virtual FileChoice openFile(const std::string& title, const std::string& folder,
                                const std::string& filters) = 0;
    virtual FileChoice saveFile(const std::string& title, const std::string& defaultName,
                                const std::string& filters) = 0;
    // The chosen colour, or nothing when cancelled.
    virtual std::optional<Color> chooseColor(Color initial) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;
    // True for Yes.
    virtual bool askYesNo(const std::string& title, const std::string& text,
                          YesNoDefault preselected) = 0;
    // A message the person confirms with OK: something they asked for went wrong.
    virtual void showError(const std::string& title, const std::string& text) = 0;
};

// The millisecond clock behind waits with a time-out and window timers.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
    // A manual clock moves only when told: a wait that has nothing to do jumps it to the next
    // deadline instead of sleeping.
    virtual bool isManual() const { return false; }
    virtual void advanceTo(std::int64_t /*ms*/) {}
};

// The desktop the program runs on.
class Desktop {
  public:
    virtual ~Desktop() = default;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    virtual std::string homeFolder() const = 0;
    // The user's pictures folder, or the home folder where there is none.
    virtual std::string picturesFolder() const = 0;
};

// ---- Implementations for tests and tools: no person needed. ----

// Answers queued by a test, taken in order. A question with no answer queued is answered
// "cancel" / "No" and counted in `unexpected`, so a test can check that nothing was asked
// that it did not expect.
class ScriptedRequesters : public Requesters {
  public:
    std::deque<FileChoice> files;
    std::deque<std::optional<Color>> colors;
    std::deque<std::optional<FontChoice>> fonts;
    std::deque<bool> answers;
    // Every question asked, as "kind: title", in order.
    std::vector<std::string> asked;
    int unexpected = 0;

    FileChoice openFile(const std::string& title, const std::string& folder,
                        const std::string& filters) override;
    FileChoice saveFile(const std::string& title, const std::string& defaultName,
                        const std::string& filters) override;
    std::optional<Color> chooseColor(Color initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    bool askYesNo(const std::string& title, const std::string& text,
                  YesNoDefault preselected) override;
    // The answer each Yes/No question had preselected, in order.
    std::vector<YesNoDefault> preselected;
    // Recorded in `asked` as "error: title: text"; needs no answer.
    void showError(const std::string& title, const std::string& text) override;

    // What the last file requester was offered, for checks.
    std::string lastFolder, lastDefaultName, lastFilters;
    // The colour the last colour requester started from.
    Color lastInitialColor = 0;
};

// Time that moves only when told. Actions scheduled on it run when it reaches their time,
// which lets a test script a gesture: move the pointer at +100 ms, release at +200 ms.
class ManualClock : public Clock {
  public:
    std::int64_t nowMs() const override { return now_; }
    bool isManual() const override { return true; }
    void advanceTo(std::int64_t ms) override;
    void advanceBy(std::int64_t ms) { advanceTo(now_ + ms); }
    // Runs `action` once the clock has moved `delayMs` past now.
    void schedule(std::int64_t delayMs, std::function<void()> action);
    // The time of the next scheduled action, if any: a wait may jump there.
    std::optional<std::int64_t> nextScheduled() const;

  private:
    std::int64_t now_ = 1'000'000;
    std::multimap<std::int64_t, std::function<void()>> actions_;
};

class FixedDesktop : public Desktop {
  public:
    FixedDesktop(int width, int height, std::string home, std::string pictures)
        : width_(width), height_(height), home_(std::move(home)), pictures_(std::move(pictures)) {}
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    std::string homeFolder() const override { return home_; }
    std::string picturesFolder() const override { return pictures_; }

  private:
    int width_, height_;
    std::string home_, pictures_;
};

}  // namespace vd::gui
