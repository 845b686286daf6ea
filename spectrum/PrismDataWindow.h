#pragma once
// The "Prism Data" window: a resizable top-level window that plots one or two curves of up to 1024
// points. The main window creates it, feeds it with SetData, Configure and UpdateCurves and repaints it;
// the plot itself lives in CPrismPlot. The person looking chooses the frequency axis, a read-out under the
// pointer and, in the audio window, the curves before the last command from its context menu, and saves
// the picture or the numbers from there. The window remembers its size, place and options.
//
// Geometry: the layout is computed from the outer window rectangle (title bar and borders included), as
// the plot's proportions assume, and drawn in client coordinates from the client's top-left corner. So
// the bottom of the plot keeps a margin that roughly equals the decoration height. Where there is no
// frame (the offscreen platform) the outer and the client rectangle are the same.

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <optional>
#include <vector>

#include "app/WindowSettings.h"
#include "spectrum/PrismPlot.h"

class QAction;

class CPrismDataWindow : public QWidget {
    Q_OBJECT
public:
    explicit CPrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner = nullptr);
    ~CPrismDataWindow() override;

    void SetData(const double* first, const double* second, int count);
    void Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2, int logarithmicX, int dB1,
                   int dB2, int firstIndex, int lastIndex, double yMin1, double yMax1, double yMin2, double yMax2);
    void Configure(const tressel::PrismConfiguration& configuration);
    void UpdateCurves();

    // The sampling rate the frequency axis and the exported data are given in.
    void SetSampleRate(double hertz);
    // The inputs of the state before the last command (count values each, as for SetData; copied). They
    // are drawn behind the current curves until cleared, while the context menu's entry is on.
    void SetBeforeData(const double* first, const double* second, int count);
    void ClearBeforeData();

    // Erases and repaints the whole window at once.
    void Redraw();

    // Places the window so that its outer rectangle (frame included) is `outer`, as far as the window
    // manager lets us know the frame, and shows it.
    void ShowAtOuterRect(const QRect& outer);

    tressel::CPrismPlot& Plot() { return m_plot; }
    // What the read-out shows for the pointer where it is now; empty when it is off or outside the plot.
    QString ReadoutText();

public slots:
    void SaveImage();
    void SaveData();

signals:
    // The person closed the window. The owner should forget the window, delete it, and clear its check box.
    void closedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QAction* AddOption(const char* text, const char* name, const char* setting, bool fallback);
    void ApplyOptions();
    tressel::PrismScene CurrentScene();
    std::optional<tressel::PrismReadout> CurrentReadout(const tressel::PrismScene& scene) const;
    void PaintReadout(QPainter& painter, const tressel::PrismScene& scene) const;

    tressel::CPrismPlot m_plot;
    tressel::WindowSettings m_settings;
    double m_sampleRate = 44100.0;
    std::optional<QPoint> m_pointer;
    QAction* m_frequencyInHz = nullptr;
    QAction* m_logarithmic = nullptr;
    QAction* m_readout = nullptr;
    QAction* m_before = nullptr;  // only in windows that offer it
    QAction* m_saveImage = nullptr;
    QAction* m_saveData = nullptr;
};

// A new window with the title, remembered or initial outer rectangle and options of `placement`, owned
// by `owner`, shown.
CPrismDataWindow* CreatePrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner);

// The filter display: the transform bins (real, imaginary; 1024 each, must stay valid during the call)
// as magnitude in dB over phase, frequencies at the loaded wave's sampling rate (0 for none); then
// repaints.
void ShowFilterResponse(CPrismDataWindow& window, const double* real, const double* imag, double sampleRate);

// The audio display: each channel's spectrum (1024 bins each) in dB, the second band only when
// `channels` is 2, frequencies at the wave's sampling rate; then repaints.
void ShowAudioSpectrum(CPrismDataWindow& window, const double* firstCurve, const double* secondCurve,
                       int channels, double sampleRate);
