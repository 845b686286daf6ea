#include "app/WaveViewHost.h"

#include <QAction>
#include <QWidget>

#include "app/WaveViewWindow.h"
#include "app/WindowSettings.h"
#include "audio/Wave.h"

namespace tressel {

namespace {

const char* const kOpenSetting = "Open";

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
    Settings().WriteBool(kOpenSetting, false);
    m_window->deleteLater();
    m_window = nullptr;
}

void WaveViewHost::WaveChanged() {
    m_samplesStale = true;
    if (m_window) {
        m_window->SetSamples(WaveSamples::FromWave(m_wave));
        m_samplesStale = false;
    }
}

void WaveViewHost::SetBeforeSamples(std::shared_ptr<const WaveSamples> samples) {
    m_before = std::move(samples);
    if (m_window) {
        m_window->SetBeforeSamples(m_before);
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
