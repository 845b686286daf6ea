#pragma once
// The "Prism Data" window: a resizable top-level window without a close button that plots one or two
// curves of up to 1024 points. The main window creates it, feeds it with SetData, Configure and
// UpdateCurves and repaints it; the plot itself lives in CPrismPlot.
//
// Geometry: the layout is computed from the outer window rectangle (title bar and borders included), as
// the plot's proportions assume, and drawn in client coordinates from the client's top-left corner. So
// the bottom of the plot keeps a margin that roughly equals the decoration height. Where there is no
// frame (the offscreen platform) the outer and the client rectangle are the same.

#include <QRect>
#include <QWidget>

#include "spectrum/PrismPlot.h"

class CPrismDataWindow : public QWidget {
    Q_OBJECT
public:
    explicit CPrismDataWindow(QWidget* owner = nullptr);
    ~CPrismDataWindow() override;

    void SetData(const double* first, const double* second, int count);
    void Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2, int logarithmicX, int dB1,
                   int dB2, int firstIndex, int lastIndex, double yMin1, double yMax1, double yMin2, double yMax2);
    void Configure(const tressel::PrismConfiguration& configuration);
    void UpdateCurves();

    // Erases and repaints the whole window at once.
    void Redraw();

    // Places the window so that its outer rectangle (frame included) is `outer`, as far as the window
    // manager lets us know the frame, and shows it.
    void ShowAtOuterRect(const QRect& outer);

    tressel::CPrismPlot& Plot() { return m_plot; }

signals:
    // The window manager closed the window (there is no close button, but some platforms allow it).
    // The owner should forget the window, delete it, and clear its check box.
    void closedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    tressel::CPrismPlot m_plot;
};

// A new window with the title and initial outer rectangle of `placement`, owned by `owner`, shown.
CPrismDataWindow* CreatePrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner);

// The filter display: the transform bins (real, imaginary; 1024 each, must stay valid during the call)
// as magnitude in dB over phase; then repaints.
void ShowFilterResponse(CPrismDataWindow& window, const double* real, const double* imag);

// The audio display: each channel's spectrum (1024 bins each) in dB, the second band only when
// `channels` is 2; then repaints.
void ShowAudioSpectrum(CPrismDataWindow& window, const double* firstCurve, const double* secondCurve,
                       int channels);
