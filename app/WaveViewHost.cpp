#include "app/WaveViewHost.h"

#include <QAction>
#include <QWidget>

#include "app/WaveViewWindow.h"
#include "app/WindowSettings.h"
#include "audio/Wave.h"

namespace tressel {

namespace {

const char* const kOpenSetting = "Open";
// Often enough for the mark to glide, rarely enough to cost nothing worth measuring.
constexpr int kPlaybackIntervalMs = 40;

WindowSettings Settings() {
    return WindowSettings("WaveViewWindow");
}

}  // namespace

WaveViewHost::WaveViewHost(QWidget* owner, const CWave& wave)
    : QObject(owner), m_owner(owner), m_wave(wave), m_openAction(new QAction(QStringLiteral("Wave View"), this)) {
    m_openAction->setObjectName(QStringLiteral("waveViewAction"));
    m_openAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    m_openAction->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(m_openAction);
    connect(m_openAction, &QAction::triggered, this, &WaveViewHost::Open);
    m_playbackTimer.setInterval(kPlaybackIntervalMs);
    connect(&m_playbackTimer, &QTimer::timeout, this, &WaveViewHost::FollowPlayback);
    if (Settings().ReadBool(kOpenSetting, false)) {
        Open();
    }
}

WaveViewHost::~WaveViewHost() {
    // Going with the program: the window stays remembered as open.
    delete m_window.data();
}

void WaveViewHost::Open() {
    if (!m_window) {
        m_window = new WaveViewWindow(m_owner);
        connect(m_window, &WaveViewWindow::closedByUser, this, &WaveViewHost::Forget);
        m_window->SetBeforeSamples(m_before);
        m_samplesStale = true;
        Settings().WriteBool(kOpenSetting, true);
        m_playbackTimer.start();
    }
    if (m_samplesStale) {
        m_window->SetSamples(WaveSamples::FromWave(m_wave));
        m_samplesStale = false;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void WaveViewHost::Forget() {
    m_playbackTimer.stop();
    m_marking = false;
    Settings().WriteBool(kOpenSetting, false);
    m_window->deleteLater();
    m_window = nullptr;
}

void WaveViewHost::WaveChanged() {
    m_samplesStale = true;
    std::shared_ptr<const WaveSamples> reusable = std::move(m_reusable);
    if (m_window) {
        m_window->SetSamples(WaveSamples::FromWave(m_wave, 0, std::move(reusable)));
        m_samplesStale = false;
    }
}

void WaveViewHost::KeepShownAsBefore() {
    const bool showing = m_window && !m_samplesStale && m_window->Current() != nullptr;
    m_reusable = std::move(m_before);
    SetBeforeSamples(showing ? m_window->Current()->SharedSamples() : nullptr);
}

void WaveViewHost::SetBeforeSamples(std::shared_ptr<const WaveSamples> samples) {
    m_before = std::move(samples);
    if (m_window) {
        m_window->SetBeforeSamples(m_before);
    }
}

void WaveViewHost::FollowPlayback() {
    if (const std::optional<double> seconds = m_wave.PlayedSeconds()) {
        SetPlayPosition(*seconds);
        m_marking = true;
    } else if (m_marking) {
        ClearPlayPosition();
        m_marking = false;
    }
}

void WaveViewHost::SetPlayPosition(double seconds) {
    if (m_window) {
        m_window->SetPlayPosition(seconds);
    }
}

void WaveViewHost::ClearPlayPosition() {
    if (m_window) {
        m_window->ClearPlayPosition();
    }
}

}  // namespace tressel
