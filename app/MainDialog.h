#pragma once
// The main window of the program: a view over one workbench (the wave, the filter set, the mixer levels and
// the channel choice, with the commands over them). It keeps the remembered file names, the other windows
// and the displays; each command fetches the controls, calls the workbench, shows what it answers and
// refreshes the read-outs and displays.

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/RecentFiles.h"
#include "app/UnsavedChangesGuard.h"
#include "workbench/Workbench.h"

namespace Ui {
class MainDialog;
}
namespace tressel {
class BackgroundCommand;
class ABListening;
class HistoryActions;
class UserDialogs;
class WaveViewHost;
struct OpenedFiles;
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

    tressel::Workbench& Workbench() { return m_workbench; }
    CWave& Wave() { return m_workbench.Wave(); }
    const CFilterCoefficients& Filter() const { return m_workbench.Filter(); }
    float OriginalLevel() const { return m_workbench.Levels().original; }
    float FilteredLevel() const { return m_workbench.Levels().filtered; }
    const std::string& DisplayName() const { return m_workbench.DisplayName(); }
    const std::string& MediaFileName() const { return m_mediaFileName; }
    const std::string& FilterFileName() const { return m_filterFileName; }
    const std::optional<std::string>& TemporaryFileName() const { return m_workbench.TemporaryFileName(); }

    void ShowAboutBox();

    // Files dropped on the window or named on the command line: the first audio file is loaded as "Load
    // Audio" would load it, the first filter file selected as "Select Filter" would, after the unsaved-work
    // prompt when the audio would replace changed samples. Every other file says "Could not open file".
    void OpenFiles(const std::vector<std::string>& paths);
    // "Load Audio" and "Select Filter" once the file is known.
    // `kind`, when given, says what the file holds (a dropped file), rather than its name.
    void LoadAudioFile(const std::string& path, std::optional<tressel::AudioFileKind> kind = std::nullopt);
    void SelectFilterFile(const std::string& path);
    tressel::RecentFiles& RecentAudioFiles() { return m_recentAudio; }
    tressel::RecentFiles& RecentFilterFiles() { return m_recentFilters; }

    // The median command, started by the Median Filter window's "Apply".
    void RunMedianFilter(int length);
    CEffectsDialog& EffectsDialog() { return *m_effects; }
    tressel::WaveViewHost& WaveView() { return *m_waveView; }
    tressel::HistoryActions& History() { return *m_historyActions; }
    tressel::ABListening& Listening() { return *m_listening; }

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
    // Space: Play when nothing plays, Stop otherwise.
    void OnPlayOrStop();
    // The context menu's "Run Macro...": the macro's commands on the loaded audio, its save and encode
    // lines writing beside the loaded file.
    void OnRunMacro();
    // The context menu's "Save Commands as Macro...": the sample commands applied since the last load.
    void OnSaveCommandsAsMacro();

protected:
    void accept() override;  // "Quit"
    void reject() override;  // the window's close button
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void OnOriginalSliderMoved(int position);
    void OnFilteredSliderMoved(int position);
    void OnDisplayFilterClicked();
    void OnDisplayAudioClicked();

private:
    void SetUpMixer();
    void SetUpShortcuts();
    // "name.wav - Tressel", with a "*" after the name while the samples differ from the file.
    void RefreshTitle();
    void OpenSortedFiles(const tressel::OpenedFiles& files);
    // Replaces the audio with the file's after the unsaved-work prompt (a recent entry, a drop).
    void OpenAudioFile(const std::string& path, std::optional<tressel::AudioFileKind> kind = std::nullopt);
    // Ends the program once the unsaved-work prompt lets it.
    bool MayClose();
    void FetchControlStates();
    void ReleaseDisplayResources();
    // Shows every message of a command's result, in order.
    void Show(const tressel::Result& result);
    CPrismDataWindow* OpenSpectrumWindow(const tressel::PrismWindowPlacement& placement);
    void CloseSpectrumWindow(QPointer<CPrismDataWindow>& window);
    void ForgetClosedSpectrumWindow(CPrismDataWindow* window);
    // The samples changed: the views that follow them (the wave view, the filter window's axis) catch up.
    void SamplesChanged();
    // After a sample command, an undo or a redo: when the samples changed, what the displays showed becomes
    // the state before, drawn behind the new one until the next command.
    void ShowCommandOutcome();
    // A new piece of work: there is no state before.
    void ForgetBeforeState();
    // The long commands run off the interface thread, one at a time.
    void SetUpBackgroundCommands();
    // Runs one command; a reported file error or memory shortage ends it without leaving Qt's loop.
    void RunCommand(const std::function<void()>& command);
    tressel::UserDialogs& Dialogs() const;

    std::unique_ptr<Ui::MainDialog> m_ui;

    std::string m_mediaFileName;
    std::string m_filterFileName;
    std::string m_macroFileName;  // the last macro run or saved, for the next file dialog
    int m_displayFilterState = 0;
    int m_displayAudioState = 0;

    // The spectrum windows read these buffers only while their curves are updated.
    std::vector<double> m_filterReal;
    std::vector<double> m_filterImag;
    std::vector<double> m_audioFirstCurve;
    std::vector<double> m_audioSecondCurve;
    QPointer<CPrismDataWindow> m_filterSpectrumWindow;
    QPointer<CPrismDataWindow> m_audioSpectrumWindow;

    tressel::Workbench m_workbench;
    // Created hidden with the window; goes before the workbench it borrows.
    std::unique_ptr<CEffectsDialog> m_effects;
    std::unique_ptr<tressel::WaveViewHost> m_waveView;
    tressel::UnsavedChangesGuard m_unsavedChanges;
    tressel::RecentFiles m_recentAudio{"Audio"};
    tressel::RecentFiles m_recentFilters{"Filter"};
    tressel::HistoryActions* m_historyActions = nullptr;
    std::unique_ptr<tressel::ABListening> m_listening;  // stops what it plays before the workbench goes
    std::unique_ptr<tressel::BackgroundCommand> m_background;
    std::uint64_t m_shownRevision = 0;  // the state of the samples the displays show
};
