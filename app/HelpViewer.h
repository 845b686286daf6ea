#pragma once
// The help window: shows the page of a context topic from the help pages built into the program.

#include <QString>
#include <memory>

#include "app/Help.h"

class QTextBrowser;

namespace tressel {

class HelpViewer final : public HelpService {
public:
    HelpViewer();
    ~HelpViewer() override;
    void ShowTopic(int topic) override;
    void Quit() override;

    // The page of a topic ("qrc:/help/main.html" for 1); the main page for unknown topics.
    static QString PageForTopic(int topic);
    QTextBrowser* Window() const { return m_window.get(); }
    int CurrentTopic() const { return m_topic; }

private:
    std::unique_ptr<QTextBrowser> m_window;
    int m_topic = 0;
};

}  // namespace tressel
