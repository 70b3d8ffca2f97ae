#include "platform/gui/seams.h"

#include <algorithm>

namespace vd::gui {

namespace {
template <class T>
bool takeFront(std::deque<T>& queue, T& answer) {
    if (queue.empty()) return false;
    answer = std::move(queue.front());
    queue.pop_front();
    return true;
}
}  // namespace

FileChoice ScriptedRequesters::openFile(const std::string& title, const std::string& folder,
                                        const std::string& filters) {
    asked.push_back("open: " + title);
    lastFolder = folder;
    lastFilters = filters;
    FileChoice answer;
    if (!takeFront(files, answer)) ++unexpected;
    return answer;
}

FileChoice ScriptedRequesters::saveFile(const std::string& title, const std::string& defaultName,
                                        const std::string& filters) {
    asked.push_back("save: " + title);
    lastDefaultName = defaultName;
    lastFilters = filters;
    FileChoice answer;
    if (!takeFront(files, answer)) ++unexpected;
    return answer;
}

std::optional<Color> ScriptedRequesters::chooseColor(Color initial) {
    asked.push_back("color");
    lastInitialColor = initial;
    std::optional<Color> answer;
    if (!takeFront(colors, answer)) ++unexpected;
    return answer;
}

std::optional<FontChoice> ScriptedRequesters::chooseFont(const FontChoice& /*initial*/) {
    asked.push_back("font");
    std::optional<FontChoice> answer;
    if (!takeFront(fonts, answer)) ++unexpected;
    return answer;
}

bool ScriptedRequesters::askYesNo(const std::string& title, const std::string& text,
                                  YesNoDefault preselected) {
    asked.push_back("question: " + title + ": " + text);
    this->preselected.push_back(preselected);
    bool answer = false;
    if (!takeFront(answers, answer)) ++unexpected;
    return answer;
}

void ScriptedRequesters::showError(const std::string& title, const std::string& text) {
    asked.push_back("error: " + title + ": " + text);
}

void ManualClock::advanceTo(std::int64_t ms) {
    while (!actions_.empty() && actions_.begin()->first <= ms) {
        auto first = actions_.begin();
        now_ = std::max(now_, first->first);
        auto action = std::move(first->second);
        actions_.erase(first);
        action();
    }
    now_ = std::max(now_, ms);
}

void ManualClock::schedule(std::int64_t delayMs, std::function<void()> action) {
    actions_.emplace(now_ + delayMs, std::move(action));
}

std::optional<std::int64_t> ManualClock::nextScheduled() const {
    if (actions_.empty()) return std::nullopt;
    return actions_.begin()->first;
}

}  // namespace vd::gui
