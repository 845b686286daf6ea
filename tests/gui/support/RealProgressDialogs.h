#pragma once
// The scripted dialogs, except that progress goes to the real "Progress" window; every position set
// notes whether that window was on screen at the time. Install it before the main window is made: the
// window's commands report to the dialogs of its start.

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgressWindow.h"
#include "app/QtUserDialogs.h"
#include "tests/gui/support/ScriptedUserDialogs.h"

namespace tressel::testing {

class RealProgressDialogs final : public UserDialogs {
public:
    explicit RealProgressDialogs(ScriptedUserDialogs& scripted) : m_scripted(scripted) { SetAppDialogs(this); }
    ~RealProgressDialogs() override { SetAppDialogs(&m_scripted); }

    void ShowMessage(std::string_view text, MessageIcon icon) override { m_scripted.ShowMessage(text, icon); }
    std::optional<std::string> ChooseFileToOpen(const FileChoiceRequest& request) override {
        return m_scripted.ChooseFileToOpen(request);
    }
    std::optional<std::string> ChooseFileToSave(const FileChoiceRequest& request) override {
        return m_scripted.ChooseFileToSave(request);
    }
    SaveChangesAnswer AskToSaveChanges(const std::string& name) override { return m_scripted.AskToSaveChanges(name); }
    std::unique_ptr<ProgressSink> CreateProgress() override {
        return std::make_unique<WatchedSink>(m_qt.CreateProgress(), positionsOnScreen);
    }

    std::vector<int> positionsOnScreen;

private:
    class WatchedSink final : public ProgressSink {
    public:
        WatchedSink(std::unique_ptr<ProgressSink> inner, std::vector<int>& seen) : m_inner(std::move(inner)), m_seen(seen) {}
        void SetRange(int low, int high) override { m_inner->SetRange(low, high); }
        void Show() override { m_inner->Show(); }
        bool CancelRequested() const override { return m_inner->CancelRequested(); }
        void SetLabel(std::string_view label) override { m_inner->SetLabel(label); }
        void SetPosition(int position) override {
            m_inner->SetPosition(position);
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<CProgressWindow*>(widget);
                if (window && window->isVisible() && window->windowTitle() == "Progress") {
                    m_seen.push_back(window->Bar()->value());
                }
            }
        }

    private:
        std::unique_ptr<ProgressSink> m_inner;
        std::vector<int>& m_seen;
    };

    ScriptedUserDialogs& m_scripted;
    QtUserDialogs m_qt;
};

// The progress window on screen, if any.
inline CProgressWindow* VisibleProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<CProgressWindow*>(widget);
        if (window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace tressel::testing
