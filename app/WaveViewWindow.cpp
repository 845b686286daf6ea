#include "app/WaveViewWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "app/WaveViewPainter.h"

namespace tressel {

namespace {

// One notch of the wheel, or one press of + or -, zooms by this much.
constexpr double kZoomStep = 1.5;
// The arrow keys move the picture by this share of its width.
constexpr double kArrowShare = 0.1;
const QSize kInitialSize(640, 300);

}  // namespace

WaveViewWindow::WaveViewWindow(QWidget* owner)
    : QWidget(owner, Qt::Window), m_settings("WaveViewWindow") {
    setObjectName(QStringLiteral("WaveViewWindow"));
    setWindowTitle(QStringLiteral("Wave View"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 120);
    if (!m_settings.RestoreGeometry(*this)) {
        resize(kInitialSize);
    }
    m_viewport.Reset(0, PlotWidth());
}

WaveViewWindow::~WaveViewWindow() {
    m_settings.SaveGeometry(*this);
}

int WaveViewWindow::PlotWidth() const {
    return WaveViewPainter::PlotArea(size()).width();
}

double WaveViewWindow::PlotX(double windowX) const {
    return windowX - WaveViewPainter::PlotArea(size()).left();
}

void WaveViewWindow::SetSamples(std::shared_ptr<const WaveSamples> samples) {
    const std::int64_t frames = samples ? samples->Frames() : 0;
    const bool sameLength = m_current && frames == m_viewport.Frames();
    m_current = samples ? std::make_unique<const MinMaxPyramid>(std::move(samples)) : nullptr;
    if (!sameLength) {
        m_viewport.Reset(frames, PlotWidth());
    }
    update();
}

void WaveViewWindow::SetBeforeSamples(std::shared_ptr<const WaveSamples> samples) {
    m_before = samples ? std::make_unique<const MinMaxPyramid>(std::move(samples)) : nullptr;
    update();
}

void WaveViewWindow::SetPlayPosition(double seconds) {
    if (!m_current) {
        return;
    }
    m_playFrame = seconds * m_current->Samples().SampleRate();
    if (!m_dragX) {
        m_viewport.Follow(*m_playFrame);
    }
    update();
}

void WaveViewWindow::ClearPlayPosition() {
    m_playFrame.reset();
    update();
}

void WaveViewWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const WaveViewScene scene{m_current.get(), m_before.get(), &m_viewport, m_playFrame};
    WaveViewPainter(WaveViewColours::FromPalette(palette())).Paint(painter, size(), scene);
}

void WaveViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_viewport.SetWidth(PlotWidth());
}

void WaveViewWindow::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) {
        m_viewport.ZoomAt(PlotX(event->position().x()), std::pow(kZoomStep, notches));
        update();
    }
    event->accept();
}

void WaveViewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragX = event->position().x();
        setCursor(Qt::ClosedHandCursor);
    }
}

void WaveViewWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragX) {
        return;
    }
    // The picture follows the pointer: dragging to the right shows earlier frames.
    m_viewport.ScrollByPixels(*m_dragX - event->position().x());
    m_dragX = event->position().x();
    update();
}

void WaveViewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragX.reset();
        unsetCursor();
    }
}

void WaveViewWindow::keyPressEvent(QKeyEvent* event) {
    const double centre = m_viewport.Width() / 2.0;
    if (event->matches(QKeySequence::Close)) {
        close();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_viewport.ZoomAt(centre, kZoomStep);
        break;
    case Qt::Key_Minus:
        m_viewport.ZoomAt(centre, 1.0 / kZoomStep);
        break;
    case Qt::Key_Left:
        m_viewport.ScrollByPixels(-kArrowShare * m_viewport.Width());
        break;
    case Qt::Key_Right:
        m_viewport.ScrollByPixels(kArrowShare * m_viewport.Width());
        break;
    case Qt::Key_Home:
        m_viewport.ShowStart();
        break;
    case Qt::Key_End:
        m_viewport.ShowEnd();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

void WaveViewWindow::closeEvent(QCloseEvent* event) {
    m_settings.SaveGeometry(*this);
    event->accept();
    emit closedByUser();
}

}  // namespace tressel
