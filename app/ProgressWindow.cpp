#include "app/ProgressWindow.h"

#include <QCoreApplication>
#include <QVBoxLayout>

#include "app/DialogUnits.h"

CProgressWindow::CProgressWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_bar(new QProgressBar(this)) {
    setWindowTitle("Progress");
    setObjectName("progressWindow");
    m_bar->setObjectName("progress1032");
    m_bar->setTextVisible(false);
    const tressel::DialogUnits units;
    setFixedSize(units.Width(175), units.Height(29));
    m_bar->setGeometry(units.Rect(7, 7, 161, 15));
    move(0, 0);
}

void CProgressWindow::SetRange(int low, int high) {
    m_bar->setRange(low, high);
}

void CProgressWindow::Show() {
    show();
    move(0, 0);
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CProgressWindow::SetPosition(int position) {
    if (position == m_bar->value()) {
        return;
    }
    // The operation holds the event loop; setValue paints at once whenever the bar visibly changes, and only
    // then, so long operations with many positions do not spend their time redrawing the same picture.
    m_bar->setValue(position);
}
