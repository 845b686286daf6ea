#pragma once
// The main window and controller of the program: it owns the wave, the filter set, the mixer levels, the
// remembered file names and the other windows, and runs every command to its end on the UI thread.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/Wave.h"
#include "dsp/FilterCoefficients.h"

namespace Ui {
class MainDialog;
}
namespace tressel {
class UserDialogs;
class WaveViewHost;
struct PrismWindowPlacement;
}
class CPrismDataWindow;
class CEffectsDialog;

class CMainDialog : public QDialog {
    Q_OBJECT
public:
    explicit CMainDialog(QWidget* parent = nullptr);
    ~CMainDialog() override;

    // Settings store: the two remembered file names.
    bool LoadSettings();
    bool SaveSettings();

    void RefreshWaveInfo();
    // Recompute and redraw the spectrum windows whose boxes were set when the control states were last
    // fetched; a cleared box closes its window.
    void RefreshFilterDisplay();
    void RefreshAudioDisplay();
    CPrismDataWindow* FilterSpectrumWindow() const;
    CPrismDataWindow* AudioSpectrumWindow() const;
    // The filter read-outs: file name, tap count and gain of the filter set.
    void RefreshFilterInfo();

    CWave& Wave() { return m_wave; }
    const CFilterCoefficients& Filter() const { return m_filter; }
    float OriginalLevel() const { return m_originalLevel; }
    float FilteredLevel() const { return m_filteredLevel; }
    const std::string& DisplayName() const { return m_displayName; }
    const std::string& MediaFileName() const { return m_mediaFileName; }
    const std::string& FilterFileName() const { return m_filterFileName; }
    const std::optional<std::string>& TemporaryFileName() const { return m_temporaryFileName; }

    void ShowAboutBox();

    // The median command, started by the Median Filter window's "Apply".
    void RunMedianFilter(int length);
    CEffectsDialog& EffectsDialog() { return *m_effects; }
    tressel::WaveViewHost& WaveView() { return *m_waveView; }

public slots:
    void OnSelectFilter();
    void OnApplyFilter();
    void OnLoadAudio();
    void OnSaveAudio();
    void OnPlay();
    void OnStop();
    void OnReloadAudio();
    void OnHelp();
    void OnDefaultLevels();
    void OnEffects();

protected:
    void accept() override;  // "Quit"
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void OnOriginalSliderMoved(int position);
    void OnFilteredSliderMoved(int position);
    void OnDisplayFilterClicked();
    void OnDisplayAudioClicked();

private:
    void SetUpMixer();
    void FetchControlStates();
    void LoadWaveBranch(const std::string& path);
    void LoadMp3Branch(const std::string& path);
    void SaveMp3Branch(const std::string& path);
    void DeleteTemporaryFile();
    void ReleaseDisplayResources();
    CPrismDataWindow* OpenSpectrumWindow(const tressel::PrismWindowPlacement& placement);
    void CloseSpectrumWindow(QPointer<CPrismDataWindow>& window);
    void ForgetClosedSpectrumWindow(CPrismDataWindow* window);
    // The taps the filter display transforms: the current filter set's, in file order.
    std::span<const double> FilterTaps() const;
    void ClearWave();
    // The samples changed: the views that follow them (the wave view, the filter window's axis) catch up.
    void SamplesChanged();
    // Runs one command; a reported file error or memory shortage ends it without leaving Qt's loop.
    void RunCommand(const std::function<void()>& command);
    tressel::UserDialogs& Dialogs() const;

    std::unique_ptr<Ui::MainDialog> m_ui;

    float m_originalLevel = 0.0f;
    float m_filteredLevel = 1.0f;
    std::optional<std::string> m_temporaryFileName;
    std::string m_displayName;
    std::string m_mediaFileName;
    std::string m_filterFileName;
    int m_displayFilterState = 0;
    int m_channel1State = 0;
    int m_channel2State = 0;
    int m_displayAudioState = 0;

    // The spectrum windows read these buffers only while their curves are updated.
    std::vector<double> m_filterReal;
    std::vector<double> m_filterImag;
    std::vector<double> m_audioFirstCurve;
    std::vector<double> m_audioSecondCurve;
    QPointer<CPrismDataWindow> m_filterSpectrumWindow;
    QPointer<CPrismDataWindow> m_audioSpectrumWindow;

    CFilterCoefficients m_filter;
    CWave m_wave;
    // Created hidden with the window; goes before the wave it borrows.
    std::unique_ptr<CEffectsDialog> m_effects;
    std::unique_ptr<tressel::WaveViewHost> m_waveView;
};
