#include "app/FramesDecodedWindow.h"

#include <QCoreApplication>

#include "app/DialogUnits.h"

namespace {

// The template is laid out for a 14-point face, not the 8-point one of the other windows.
constexpr int kFontPoints = 14;
constexpr int kRepaintIntervalMs = 40;

int ScaledWidth(int units) {
    return tressel::DialogUnits().Width(units) * kFontPoints / 8;
}
int ScaledHeight(int units) {
    return tressel::DialogUnits().Height(units) * kFontPoints / 8;
}

CFramesDecodedWindow* g_framesDecodedWindow = nullptr;

}  // namespace

CFramesDecodedWindow::CFramesDecodedWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_text(new QLabel("0", this)) {
    setWindowTitle("Frames Decoded");
    setObjectName("framesDecodedWindow");
    QFont font = tressel::DialogFont();
    font.setPointSize(kFontPoints);
    setFont(font);
    m_text->setObjectName("frameCount1065");
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setGeometry(ScaledWidth(7), ScaledHeight(1), ScaledWidth(36), ScaledHeight(8));
    setFixedSize(ScaledWidth(50), ScaledHeight(12));
    move(0, 0);
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePaint.start();
}

void CFramesDecodedWindow::SetCount(int frames) {
    m_text->setText(QString::asprintf("%i", frames));
    if (m_sincePaint.elapsed() >= kRepaintIntervalMs) {
        m_text->repaint();
        m_sincePaint.restart();
    }
}

void OnFramesDecoded(int value) {
    if (!g_framesDecodedWindow) {
        // The first call opens the window; a lone -1 (nothing to count) opens nothing.
        if (value != -1) {
            g_framesDecodedWindow = new CFramesDecodedWindow;
        }
        return;
    }
    if (value == -1) {
        delete g_framesDecodedWindow;
        g_framesDecodedWindow = nullptr;
        return;
    }
    g_framesDecodedWindow->SetCount(value);
}

CFramesDecodedWindow* FramesDecodedWindow() {
    return g_framesDecodedWindow;
}
