#pragma once
// The "Progress" window: one bar, top-left of the screen, no close button. The operations that use it
// block the event loop, so the bar paints itself at once whenever it visibly changes.

#include <QProgressBar>
#include <QWidget>

#include "audio/Feedback.h"

class CProgressWindow final : public QWidget, public tressel::ProgressSink {
    Q_OBJECT
public:
    CProgressWindow();
    void SetRange(int low, int high) override;
    void Show() override;
    void SetPosition(int position) override;

    QProgressBar* Bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
};
