#pragma once
// The "Wave View" window: the samples of the loaded wave as each channel's min/max envelope over a time
// axis in seconds. The mouse wheel and + / - zoom, dragging and the arrow keys scroll, Home and End jump
// to the ends. After a command that changed samples the state before it is drawn faintly behind, and
// while the wave plays its position is marked. The window remembers its size and place.

#include <QWidget>
#include <memory>
#include <optional>

#include "app/WaveViewport.h"
#include "app/WindowSettings.h"
#include "audio/MinMaxPyramid.h"

namespace tressel {

class WaveViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit WaveViewWindow(QWidget* owner = nullptr);
    ~WaveViewWindow() override;

    // The samples to show (null: nothing loaded). A wave of the same length keeps the stretch on view,
    // any other is shown whole.
    void SetSamples(std::shared_ptr<const WaveSamples> samples);
    // The state before the last command, drawn faintly behind (null: none).
    void SetBeforeSamples(std::shared_ptr<const WaveSamples> samples);
    // Where playback is, in seconds from the start; the view pages along when it leaves the picture.
    void SetPlayPosition(double seconds);
    void ClearPlayPosition();

    const WaveViewport& Viewport() const { return m_viewport; }
    const MinMaxPyramid* Current() const { return m_current.get(); }
    const MinMaxPyramid* Before() const { return m_before.get(); }
    std::optional<double> PlayFrame() const { return m_playFrame; }

signals:
    // The person closed the window.
    void closedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int PlotWidth() const;
    double PlotX(double windowX) const;

    WindowSettings m_settings;
    std::unique_ptr<const MinMaxPyramid> m_current;
    std::unique_ptr<const MinMaxPyramid> m_before;
    WaveViewport m_viewport;
    std::optional<double> m_playFrame;
    std::optional<double> m_dragX;
};

}  // namespace tressel
