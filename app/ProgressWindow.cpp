#include "app/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QScreen>
#include <cmath>

#include "app/DialogUnits.h"

namespace {

constexpr qint64 kStatusIntervalMs = 100;
// Before this much is done, or this much time has passed, a guess of the time left says nothing.
constexpr double kFractionBeforeGuess = 0.02;
constexpr qint64 kTimeBeforeGuessMs = 500;

// The program's window the active one belongs to: the main window also when one of its own windows (the
// median window) is active.
QWidget* MainWindowOfActive() {
    QWidget* window = QApplication::activeWindow();
    while (window && window->parentWidget()) {
        window = window->parentWidget();
    }
    return window;
}

}  // namespace

QString TimeLeftText(double fraction, qint64 elapsedMs) {
    if (fraction < kFractionBeforeGuess || fraction >= 1.0 || elapsedMs < kTimeBeforeGuessMs) {
        return {};
    }
    const auto seconds = static_cast<qint64>(std::ceil(elapsedMs * (1.0 - fraction) / fraction / 1000.0));
    if (seconds < 60) {
        return QString("About %1 s left").arg(seconds);
    }
    return QString("About %1 min left").arg((seconds + 30) / 60);
}

CProgressWindow::CProgressWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_name(new QLabel(this)),
      m_bar(new QProgressBar(this)),
      m_status(new QLabel(this)),
      m_cancel(new QPushButton("Cancel", this)),
      m_anchor(MainWindowOfActive()) {
    setWindowTitle("Progress");
    setObjectName("progressWindow");
    m_name->setObjectName("commandName");
    m_bar->setObjectName("progress1032");
    m_bar->setTextVisible(false);
    m_status->setObjectName("progressStatus");
    m_cancel->setObjectName("cancelButton");
    const tressel::DialogUnits units;
    setFixedSize(units.Width(175), units.Height(62));
    m_name->setGeometry(units.Rect(7, 5, 161, 9));
    m_bar->setGeometry(units.Rect(7, 16, 161, 12));
    m_status->setGeometry(units.Rect(7, 30, 161, 9));
    m_cancel->setGeometry(units.Rect(118, 42, 50, 14));
    connect(m_cancel, &QPushButton::clicked, this, &CProgressWindow::RequestCancel);
}

void CProgressWindow::SetRange(int low, int high) {
    m_bar->setRange(low, high);
    RefreshStatus();
}

void CProgressWindow::SetLabel(std::string_view label) {
    m_name->setText(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
}

void CProgressWindow::Show() {
    const QRect over = m_anchor && m_anchor->isVisible() ? m_anchor->frameGeometry()
                                                         : QGuiApplication::primaryScreen()->availableGeometry();
    move(over.center() - rect().center());
    show();
    raise();
    activateWindow();
    m_cancel->setFocus();
    m_running.start();
    m_sinceStatus.start();
    RefreshStatus();
    // A command that holds the event loop (a macro's steps) still gets its window painted.
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CProgressWindow::SetPosition(int position) {
    if (position == m_bar->value()) {
        return;
    }
    m_bar->setValue(position);
    // A new whole per cent at once, the time left at most every tenth of a second.
    if (Percent() != m_shownPercent || (m_sinceStatus.isValid() && m_sinceStatus.elapsed() >= kStatusIntervalMs)) {
        RefreshStatus();
        m_sinceStatus.restart();
    }
}

int CProgressWindow::Percent() const {
    const qint64 span = qint64{m_bar->maximum()} - m_bar->minimum();
    return span <= 0 ? 0 : static_cast<int>((qint64{m_bar->value()} - m_bar->minimum()) * 100 / span);
}

void CProgressWindow::RefreshStatus() {
    if (m_cancelRequested) {
        return;  // "Cancelling..." stays until the command has stopped
    }
    const int span = m_bar->maximum() - m_bar->minimum();
    if (span <= 0) {
        m_status->clear();  // nothing to count: the bar only says that something runs
        return;
    }
    const double fraction = static_cast<double>(m_bar->value() - m_bar->minimum()) / span;
    m_shownPercent = Percent();
    const QString percent = QString("%1 %").arg(m_shownPercent);
    const QString left = TimeLeftText(fraction, m_running.isValid() ? m_running.elapsed() : 0);
    m_status->setText(left.isEmpty() ? percent : percent + "   " + left);
}

void CProgressWindow::RequestCancel() {
    m_cancelRequested = true;
    m_cancel->setEnabled(false);
    m_status->setText("Cancelling...");
}

void CProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        RequestCancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CProgressWindow::closeEvent(QCloseEvent* event) {
    RequestCancel();
    event->ignore();
}
