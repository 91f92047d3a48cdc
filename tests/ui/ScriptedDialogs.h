#pragma once

// Dialogs answered from queues, for the panel tests: installed while alive.
// Every call records its request and the dialog count seen inside it.

#include "model/UIState.h"
#include "ui/Dialogs.h"

#include <deque>
#include <functional>
#include <utility>
#include <optional>
#include <string>
#include <vector>

namespace corv::test {

class ScriptedDialogs final : public ui::Dialogs {
public:
    ScriptedDialogs() { ui::setDialogs(this); }
    ~ScriptedDialogs() override { ui::setDialogs(nullptr); }

    std::optional<std::string> runSavePanel(const ui::SavePanel& panel) override {
        saves.push_back(panel);
        return take(saveAnswers);
    }
    std::optional<std::string> runOpenPanel(const ui::OpenPanel& panel) override {
        opens.push_back(panel);
        return take(openAnswers);
    }
    int runAlert(const ui::AlertBox& alert) override {
        alerts.push_back(alert);
        if (alertAnswers.empty()) return note(-1);
        const int a = alertAnswers.front();
        alertAnswers.pop_front();
        return note(a);
    }

    // Unanswered calls cancel.
    std::deque<std::optional<std::string>> saveAnswers, openAnswers;
    std::deque<int> alertAnswers;
    std::vector<ui::SavePanel> saves;
    std::vector<ui::OpenPanel> opens;
    std::vector<ui::AlertBox> alerts;
    // UIState.dialogShowing inside each call, in order.
    std::vector<std::int64_t> countsSeen;
    // Runs inside the next call, e.g. a second press while the dialog shows.
    std::function<void()> during;

private:
    template <class T>
    T note(T answer) {
        countsSeen.push_back(UIState::shared().dialogShowing.get());
        if (auto f = std::exchange(during, nullptr)) f();
        return answer;
    }
    std::optional<std::string> take(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return note(std::optional<std::string>());
        auto a = q.front();
        q.pop_front();
        return note(a);
    }
};

} // namespace corv::test
