#include "spectrum/PrismDataWindow.h"

#include <QCloseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include "spectrum/FilterResponse.h"
#include "spectrum/PrismPlotPainter.h"

CPrismDataWindow::CPrismDataWindow(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint) {
    setObjectName(QStringLiteral("CPrismDataWindow"));
    setAutoFillBackground(true);
}

CPrismDataWindow::~CPrismDataWindow() = default;

void CPrismDataWindow::SetData(const double* first, const double* second, int count) {
    m_plot.SetData(first, second, count);
}

void CPrismDataWindow::Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2,
                                 int logarithmicX, int dB1, int dB2, int firstIndex, int lastIndex, double yMin1,
                                 double yMax1, double yMin2, double yMax2) {
    m_plot.Configure(xUnitMode, xFactor, displayMode1, displayMode2, logarithmicX, dB1, dB2, firstIndex, lastIndex,
                     yMin1, yMax1, yMin2, yMax2);
}

void CPrismDataWindow::Configure(const tressel::PrismConfiguration& configuration) {
    m_plot.Configure(configuration);
}

void CPrismDataWindow::UpdateCurves() {
    m_plot.UpdateCurves();
}

void CPrismDataWindow::Redraw() {
    update();
    repaint();
}

void CPrismDataWindow::ShowAtOuterRect(const QRect& outer) {
    move(outer.topLeft());
    resize(outer.size());
    show();
    // Once the frame is known, give the client what the frame leaves of the outer rectangle.
    const QSize decoration = frameGeometry().size() - size();
    if (decoration.width() > 0 || decoration.height() > 0) {
        resize(outer.size() - decoration);
    }
}

void CPrismDataWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect outer = frameGeometry();
    const CPrismPlotPainter plotPainter(palette().color(QPalette::WindowText), palette().color(QPalette::Window));
    plotPainter.Paint(painter, m_plot.BuildScene(outer.width(), outer.height()));
}

void CPrismDataWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

CPrismDataWindow* CreatePrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner) {
    auto* window = new CPrismDataWindow(owner);
    window->setWindowTitle(QString::fromUtf8(placement.title));
    window->ShowAtOuterRect(QRect(QPoint(placement.left, placement.top), QSize(placement.Width(), placement.Height())));
    return window;
}

void ShowFilterResponse(CPrismDataWindow& window, const double* real, const double* imag) {
    window.SetData(real, imag, tressel::kSpectrumBins);
    window.Configure(tressel::FilterWindowConfiguration());
    window.UpdateCurves();
    window.Redraw();
}

void ShowAudioSpectrum(CPrismDataWindow& window, const double* firstCurve, const double* secondCurve,
                       int channels) {
    window.SetData(firstCurve, secondCurve, tressel::kSpectrumBins);
    window.Configure(tressel::AudioWindowConfiguration(channels));
    window.UpdateCurves();
    window.Redraw();
}
