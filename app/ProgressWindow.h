#pragma once
// The "Progress" window of one long command: its name, a bar, how far it is in per cent and about how long
// it still needs, and a Cancel button (Escape does the same). It opens centred over the main window of the
// window that was active when it was made. The command runs on another thread; the window only shows what it is told and
// answers whether the user asked to stop.

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include "audio/Feedback.h"

class CProgressWindow final : public QWidget, public tressel::ProgressSink {
    Q_OBJECT
public:
    CProgressWindow();
    void SetRange(int low, int high) override;
    void Show() override;
    void SetPosition(int position) override;
    bool CancelRequested() const override { return m_cancelRequested; }
    void SetLabel(std::string_view label) override;

    QProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }
    QString StatusText() const { return m_status->text(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The window manager's close stops the command, as Cancel does; the window goes when the command does.
    void closeEvent(QCloseEvent* event) override;

private:
    void RequestCancel();
    void RefreshStatus();
    int Percent() const;

    QLabel* m_name;
    QProgressBar* m_bar;
    QLabel* m_status;
    QPushButton* m_cancel;
    QWidget* m_anchor;  // the window to centre over; null: the screen
    QElapsedTimer m_running;
    QElapsedTimer m_sinceStatus;
    bool m_cancelRequested = false;
    int m_shownPercent = -1;
};

// "About 12 s left", "About 3 min left": the time still needed when `fraction` of the work took
// `elapsedMs`; empty while too little is done to tell.
QString TimeLeftText(double fraction, qint64 elapsedMs);
