#pragma once
// The main window's side of the Wave View: opens the window (its context-menu entry "Wave View" and
// Ctrl+W), hands it the wave's samples whenever they change, passes on the state before the last command
// and the play position, and remembers across runs whether the window was open.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/WaveViewWindow.h"
#include "audio/WaveSamples.h"

class CWave;
class QAction;
class QWidget;

namespace tressel {

class WaveViewHost : public QObject {
    Q_OBJECT
public:
    // `wave` is the owner's and must outlive the host. Opens the window at once when it was open when the
    // program last ended.
    WaveViewHost(QWidget* owner, const CWave& wave);
    ~WaveViewHost() override;

    // "Wave View" with its shortcut Ctrl+W, which works anywhere in the owner.
    QAction* OpenAction() const { return m_openAction; }
    // Shows the window (creating it with the current samples) and brings it to the front.
    void Open();
    // The wave's samples changed (loaded, processed, released): an open window shows them at once.
    void WaveChanged();

    // What the window shows now becomes the state before (nothing when it is closed or behind). The state
    // before that is kept until the next WaveChanged, whose copy of the samples reuses its memory.
    void KeepShownAsBefore();
    // The state before the last command (null: none), shown until the next call.
    void SetBeforeSamples(std::shared_ptr<const WaveSamples> samples);
    void SetPlayPosition(double seconds);
    void ClearPlayPosition();

    WaveViewWindow* Window() const { return m_window.data(); }

private:
    void Forget();
    // While the window is open, marks where the wave's playback is.
    void FollowPlayback();

    QWidget* m_owner;
    const CWave& m_wave;
    QAction* m_openAction;
    QPointer<WaveViewWindow> m_window;
    std::shared_ptr<const WaveSamples> m_before;
    std::shared_ptr<const WaveSamples> m_reusable;  // the state before the state before, between the two calls
    bool m_samplesStale = true;
    QTimer m_playbackTimer;
    bool m_marking = false;
};

}  // namespace tressel
