#pragma once

// The seams answered by a person and the real machine: Qt's requesters, the steady clock and
// the desktop the program runs on.

#include "platform/gui/seams.h"

class QFileDialog;

namespace vd::gui {

class QtRequesters : public Requesters {
  public:
    FileChoice openFile(const std::string& title, const std::string& folder,
                        const std::string& filters) override;
    FileChoice saveFile(const std::string& title, const std::string& defaultName,
                        const std::string& filters) override;
    std::optional<Color> chooseColor(Color initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    bool askYesNo(const std::string& title, const std::string& text,
                  YesNoDefault preselected) override;
    void showError(const std::string& title, const std::string& text) override;
};

// Milliseconds of a steady clock.
class SystemClock : public Clock {
  public:
    std::int64_t nowMs() const override;
};

class QtDesktop : public Desktop {
  public:
    int screenWidth() const override;
    int screenHeight() const override;
    std::string homeFolder() const override;
    std::string picturesFolder() const override;
};

// Qt's name filters ("desc (pat pat)") of a "desc|pat;pat|desc|pat" pattern string.
std::vector<std::string> qtNameFilters(const std::string& filters);
// Gives a file requester those filters, the first one chosen, each shown by its description.
void applyFileFilters(QFileDialog& dialog, const std::string& filters);
// The index of the filter in use, 0 when the requester reports none of them.
int selectedFilterIndex(const QFileDialog& dialog);

}  // namespace vd::gui
