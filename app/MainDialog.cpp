#include "app/MainDialog.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <algorithm>
#include <new>

#include "app/ABListening.h"
#include "app/AboutDialog.h"
#include "app/BackgroundCommand.h"
#include "app/ButtonShortcuts.h"
#include "app/DialogUnits.h"
#include "app/EffectsDialog.h"
#include "app/FramesDecodedWindow.h"
#include "app/Help.h"
#include "app/HistoryActions.h"
#include "app/ImportProgress.h"
#include "app/Mp3EncoderDialog.h"
#include "app/OpenedFiles.h"
#include "app/RegistryKey.h"
#include "app/RelayedMp3Settings.h"
#include "app/UserDialogs.h"
#include "app/WaveViewHost.h"
#include "audio/ElideFileName.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/PrismDataWindow.h"
#include "ui_MainDialog.h"
#include "workbench/MacroRunner.h"
#include "workbench/MacroWriter.h"

namespace {

const char* const kAudioFileFilter = "All Supported Files (*.wav *.mp3);;Wave (.wav) (*.wav);;"
                                     "MP3 (.mp3) (*.mp3);;All Files (*.*) (*)";
const char* const kSaveFileFilter = "Wave (.wav) (*.wav);;MP3 (.mp3) (*.mp3)";
// Filter files carry no fixed extension: every file is offered.
const char* const kFilterFileFilter = "Filter Logfile (.*) (*)";
const char* const kMacroFileFilter = "Macro (*.txt);;All Files (*)";

QString Decimal(long long value) {
    return QString::asprintf("%lli", value);
}

// Shows the window again however the command that hid it ends.
class ShowAgain {
public:
    explicit ShowAgain(QWidget& window) : m_window(window) {}
    ~ShowAgain() {
        if (m_hidden) {
            m_window.show();
        }
    }
    ShowAgain(const ShowAgain&) = delete;
    ShowAgain& operator=(const ShowAgain&) = delete;
    void Hide() {
        m_hidden = true;
        m_window.hide();
    }

private:
    QWidget& m_window;
    bool m_hidden = false;
};

}  // namespace

CMainDialog::CMainDialog(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::MainDialog>()),
      m_filterReal(tressel::kSpectrumSize, 0.0),
      m_filterImag(tressel::kSpectrumSize, 0.0),
      m_audioFirstCurve(tressel::kSpectrumBins, 0.0),
      m_audioSecondCurve(tressel::kSpectrumBins, 0.0),
      m_workbench(&Dialogs()),
      m_unsavedChanges(m_workbench, [this] { OnSaveAudio(); }) {
    m_ui->setupUi(this);
    tressel::WidenClippedLabels(this);
    setFixedSize(size());
    setWindowIcon(QIcon(":/tressel.svg"));

    m_ui->channel1Check->setChecked(true);
    m_ui->channel2Check->setChecked(true);
    m_ui->channel1Check->setEnabled(false);
    m_ui->channel2Check->setEnabled(false);
    SetUpMixer();

    connect(m_ui->selectFilterButton, &QPushButton::clicked, this, &CMainDialog::OnSelectFilter);
    connect(m_ui->applyFilterButton, &QPushButton::clicked, this, &CMainDialog::OnApplyFilter);
    connect(m_ui->loadAudioButton, &QPushButton::clicked, this, &CMainDialog::OnLoadAudio);
    connect(m_ui->saveAudioButton, &QPushButton::clicked, this, &CMainDialog::OnSaveAudio);
    connect(m_ui->playButton, &QPushButton::clicked, this, &CMainDialog::OnPlay);
    connect(m_ui->stopButton, &QPushButton::clicked, this, &CMainDialog::OnStop);
    connect(m_ui->reloadAudioButton, &QPushButton::clicked, this, &CMainDialog::OnReloadAudio);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CMainDialog::OnHelp);
    connect(m_ui->quitButton, &QPushButton::clicked, this, &CMainDialog::accept);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, &CMainDialog::OnDefaultLevels);
    connect(m_ui->originalSlider, &QSlider::valueChanged, this, &CMainDialog::OnOriginalSliderMoved);
    connect(m_ui->filteredSlider, &QSlider::valueChanged, this, &CMainDialog::OnFilteredSliderMoved);
    connect(m_ui->displayFilterCheck, &QCheckBox::clicked, this, &CMainDialog::OnDisplayFilterClicked);
    connect(m_ui->displayAudioCheck, &QCheckBox::clicked, this, &CMainDialog::OnDisplayAudioClicked);

    m_effects = std::make_unique<CEffectsDialog>(this);
    connect(m_ui->effectsButton, &QPushButton::clicked, this, &CMainDialog::OnEffects);
    connect(&m_effects->MedianDialog(), &CMedianDialog::ApplyRequested, this, &CMainDialog::RunMedianFilter);
    connect(m_effects.get(), &CEffectsDialog::AmplifyClosed, this, &CMainDialog::RefreshTitle);
    m_waveView = std::make_unique<tressel::WaveViewHost>(this, m_workbench.Wave());
    connect(m_effects.get(), &CEffectsDialog::amplified, this, [this] { RunCommand([this] { ShowCommandOutcome(); }); });
    m_workbench.KeepHistory();
    m_historyActions = new tressel::HistoryActions(this, m_workbench);
    connect(m_historyActions, &tressel::HistoryActions::stepped, this,
            [this] { RunCommand([this] { ShowCommandOutcome(); }); });
    m_listening = std::make_unique<tressel::ABListening>(this, m_workbench);
    connect(m_listening.get(), &tressel::ABListening::failed, this,
            [this](const QString& text) { Dialogs().ShowMessage(text.toStdString()); });
    connect(m_ui->playButton, &QPushButton::clicked, m_listening.get(), &tressel::ABListening::ForgetReference);
    SetUpBackgroundCommands();
    SetUpShortcuts();
    setAcceptDrops(true);
    RefreshTitle();
}

void CMainDialog::SetUpShortcuts() {
    using tressel::AddButtonShortcut;
    AddButtonShortcut(m_ui->loadAudioButton, QKeySequence(Qt::CTRL | Qt::Key_O));
    AddButtonShortcut(m_ui->saveAudioButton, QKeySequence(Qt::CTRL | Qt::Key_S));
    AddButtonShortcut(m_ui->reloadAudioButton, QKeySequence(Qt::CTRL | Qt::Key_R));
    AddButtonShortcut(m_ui->selectFilterButton, QKeySequence(Qt::CTRL | Qt::Key_L));
    AddButtonShortcut(m_ui->applyFilterButton, QKeySequence(Qt::CTRL | Qt::Key_Enter));
    // Return of the main keyboard last, so the tooltip names it.
    AddButtonShortcut(m_ui->applyFilterButton, QKeySequence(Qt::CTRL | Qt::Key_Return));
    AddButtonShortcut(m_ui->effectsButton, QKeySequence(Qt::CTRL | Qt::Key_E));
    AddButtonShortcut(m_ui->helpButton, QKeySequence(Qt::Key_F1));
    AddButtonShortcut(m_ui->quitButton, QKeySequence(Qt::CTRL | Qt::Key_Q));
    const QKeySequence space(Qt::Key_Space);
    tressel::AddWindowShortcut(this, space, [this] { OnPlayOrStop(); });
    tressel::NameKeyInTooltip(m_ui->playButton, space);
    tressel::NameKeyInTooltip(m_ui->stopButton, space);
}

CMainDialog::~CMainDialog() {
    tressel::AppHelp().Quit();
}

tressel::UserDialogs& CMainDialog::Dialogs() const {
    return tressel::AppDialogs();
}

void CMainDialog::SetUpBackgroundCommands() {
    m_background = std::make_unique<tressel::BackgroundCommand>(m_workbench.Wave());
    // The effects windows are children of this one: their buttons are among these.
    std::vector<QPointer<QWidget>> controls = {m_ui->displayFilterCheck, m_ui->displayAudioCheck};
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button != m_ui->stopButton) {
            controls.emplace_back(button);
        }
    }
    m_background->DisableWhileRunning(std::move(controls));
    connect(m_background.get(), &tressel::BackgroundCommand::runningChanged, this,
            [this](bool running) {
                m_historyActions->SetAvailable(!running);
                m_listening->SetAvailable(!running);
            });
}

void CMainDialog::RunCommand(const std::function<void()>& command) {
    if (m_background->Running()) {
        return;  // one command at a time
    }
    try {
        command();
    } catch (const std::bad_alloc&) {
        Dialogs().ShowMessage("Out of memory.", tressel::MessageIcon::Warning);
    }
    RefreshTitle();
}

void CMainDialog::RefreshTitle() {
    const std::string& name = m_workbench.DisplayName();
    if (name.empty()) {
        setWindowTitle("Tressel");
        return;
    }
    const char* changed = m_workbench.IsModified() ? "*" : "";
    setWindowTitle(QString::fromStdString(tressel::ShownFileName(name)) + changed + " - Tressel");
}

void CMainDialog::Show(const tressel::Result& result) {
    tressel::ShowMessages(Dialogs(), result);
}

void CMainDialog::FetchControlStates() {
    m_displayFilterState = m_ui->displayFilterCheck->isChecked() ? 1 : 0;
    m_workbench.SetChannels({m_ui->channel1Check->isChecked(), m_ui->channel2Check->isChecked()});
    m_displayAudioState = m_ui->displayAudioCheck->isChecked() ? 1 : 0;
}

// ---- Settings -------------------------------------------------------------------------------------------

bool CMainDialog::LoadSettings() {
    CRegistryKey key;
    if (!key.Open(RegistryHive::CurrentUser, kTresselSettingsKey)) {
        m_mediaFileName.clear();
        m_filterFileName.clear();
        return false;
    }
    std::string value;
    m_mediaFileName = key.ReadString("DefaultMediaFileName", value) ? value : std::string();
    m_filterFileName = key.ReadString("DefaultFilterFileName", value) ? value : std::string();
    key.Close();
    return true;
}

bool CMainDialog::SaveSettings() {
    CRegistryKey key;
    if (!key.Open(RegistryHive::CurrentUser, kTresselSettingsKey)) {
        if (!CRegistryKey::CreateKey(RegistryHive::CurrentUser, kTresselSettingsKey, "DefaultMediaFileName")) {
            Dialogs().ShowMessage("Failure creating registry key");
            return false;
        }
        if (!key.Open(RegistryHive::CurrentUser, kTresselSettingsKey)) {
            return true;
        }
    }
    key.WriteString("DefaultMediaFileName", m_mediaFileName);
    key.WriteString("DefaultFilterFileName", m_filterFileName);
    key.Close();
    return true;
}

// ---- Filter commands ------------------------------------------------------------------------------------

void CMainDialog::OnSelectFilter() {
    RunCommand([this] {
        LoadSettings();
        const auto chosen = Dialogs().ChooseFileToOpen({kFilterFileFilter, m_filterFileName, ""});
        if (chosen) {
            SelectFilterFile(*chosen);
        }
    });
}

void CMainDialog::SelectFilterFile(const std::string& path) {
    // Remembered before the read, so a file that fails is still offered next time.
    m_filterFileName = path;
    SaveSettings();
    const tressel::Result selected = m_workbench.SelectFilter(path);
    Show(selected);
    if (!selected) {
        m_recentFilters.Remove(path);
        return;
    }
    m_recentFilters.Add(path);
    RefreshFilterInfo();
    RefreshFilterDisplay();
}

void CMainDialog::OnApplyFilter() {
    RunCommand([this] {
        FetchControlStates();
        Show(m_background->Run("Apply Filter", [this] { return m_workbench.ApplyFilter(); },
                                      tressel::SampleAccess::Changes));
        ShowCommandOutcome();
    });
}

void CMainDialog::RefreshFilterInfo() {
    const CFilterCoefficients& filter = m_workbench.Filter();
    m_ui->filterFileNameText->setText(QString::fromStdString(tressel::ElideFileName(filter.GetFileName())));
    m_ui->filterLengthText->setText(QString::asprintf("%i", filter.GetCount()));
    m_ui->filterGainText->setText(QString::asprintf("%f", filter.GetGain()));
}

// ---- Audio commands -------------------------------------------------------------------------------------

void CMainDialog::OnLoadAudio() {
    RunCommand([this] {
        if (!m_unsavedChanges.MayDiscardChanges(Dialogs())) {
            return;
        }
        LoadSettings();
        const auto chosen = Dialogs().ChooseFileToOpen({kAudioFileFilter, m_mediaFileName, ""});
        if (chosen) {
            LoadAudioFile(*chosen);
        }
    });
}

void CMainDialog::OpenAudioFile(const std::string& path, std::optional<tressel::AudioFileKind> kind) {
    if (m_unsavedChanges.MayDiscardChanges(Dialogs())) {
        LoadAudioFile(path, kind);
    }
}

void CMainDialog::LoadAudioFile(const std::string& path, std::optional<tressel::AudioFileKind> kind) {
    m_mediaFileName = path;
    SaveSettings();
    // An MP3 file is decoded while the window steps aside; it comes back once the result is shown.
    ShowAgain showAgain(*this);
    tressel::LoadOptions options;
    options.keepDecodedFile = true;
    tressel::ImportProgress importProgress(*m_background);
    options.mp3.beforeDecode = [this, &showAgain, &importProgress] {
        m_background->Call([&showAgain] { showAgain.Hide(); });
        importProgress.Open();
    };
    options.mp3.expectedFrames = [&importProgress](std::uint32_t frames) { importProgress.Expect(frames); };
    options.mp3.progress = [this, &importProgress](int frames) {
        m_background->Post([frames] { OnFramesDecoded(frames); });
        importProgress.Decoded(frames);
    };
    options.mp3.cancelRequested = [this] { return m_background->CancelRequested(); };
    options.kind = kind;
    const tressel::Result loaded =
        m_background->Run("Load Audio", [&] { return m_workbench.LoadAudio(path, options); },
                          tressel::SampleAccess::Changes);
    Show(loaded);
    RefreshWaveInfo();
    if (loaded) {
        m_recentAudio.Add(path);
        ForgetBeforeState();
        RefreshAudioDisplay();
    } else {
        m_recentAudio.Remove(path);
        SamplesChanged();
    }
}

void CMainDialog::OpenFiles(const std::vector<std::string>& paths) {
    RunCommand([this, &paths] { OpenSortedFiles(tressel::SortOpenedFiles(paths)); });
}

void CMainDialog::OpenSortedFiles(const tressel::OpenedFiles& files) {
    for (int i = 0; i < files.refused; ++i) {
        Dialogs().ShowMessage("Could not open file", tressel::MessageIcon::Warning);
    }
    if (files.audio) {
        OpenAudioFile(*files.audio, files.audioKind);
    }
    if (files.filter) {
        SelectFilterFile(*files.filter);
    }
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainDialog::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    RunCommand([this, &urls] { OpenSortedFiles(tressel::SortDroppedUrls(urls)); });
}

void CMainDialog::SamplesChanged() {
    m_waveView->WaveChanged();
    if (m_filterSpectrumWindow) {
        m_filterSpectrumWindow->SetSampleRate(tressel::DisplaySampleRate(m_workbench.Wave().GetSamplesPerSecond()));
    }
}

void CMainDialog::OnSaveAudio() {
    RunCommand([this] {
        if (const tressel::Result loaded = m_workbench.CheckSomethingToSave(); !loaded) {
            Show(loaded);
            return;
        }
        const auto chosen = Dialogs().ChooseFileToSave({kSaveFileFilter, m_workbench.ProposedSaveName(), "wav"});
        if (!chosen) {
            return;
        }
        tressel::DialogMp3Settings settings;
        tressel::RelayedMp3Settings relayed(settings, *m_background);
        Show(m_background->Run("Save Audio", [&] { return m_workbench.SaveAudio(*chosen, relayed); }));
    });
}

void CMainDialog::OnPlayOrStop() {
    if (m_listening->SwitchToCurrent()) {
        return;
    }
    if (m_workbench.Wave().IsPlaying()) {
        m_ui->stopButton->click();
    } else {
        m_ui->playButton->click();
    }
}

void CMainDialog::OnPlay() {
    CWave& wave = m_workbench.Wave();
    if (!wave.Play(false) && wave.IsLoaded() && QMediaDevices::audioOutputs().isEmpty()) {
        Dialogs().ShowMessage("No sound output device is available", tressel::MessageIcon::Warning);
    }
}

void CMainDialog::OnStop() {
    m_workbench.Wave().Stop();
}

void CMainDialog::OnReloadAudio() {
    RunCommand([this] {
        if (!m_unsavedChanges.MayDiscardChanges(Dialogs())) {
            return;
        }
        Show(m_workbench.ReloadAudio());
        ForgetBeforeState();
        RefreshAudioDisplay();
    });
}

void CMainDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpMainWindow);
}

void CMainDialog::RefreshWaveInfo() {
    const tressel::WaveFormat format = m_workbench.Wave().Format();
    m_ui->waveFileNameText->setText(QString::fromStdString(tressel::ElideFileName(m_workbench.DisplayName())));
    m_ui->channelsText->setText(Decimal(format.channels));
    const bool stereo = format.channels == 2;
    m_ui->channel1Check->setEnabled(stereo);
    m_ui->channel2Check->setEnabled(stereo);
    m_ui->samplesPerSecondText->setText(Decimal(format.samplesPerSecond));
    m_ui->bitsPerSampleText->setText(Decimal(format.bitsPerSample));
    m_ui->dataLengthText->setText(Decimal(format.dataLength));
}

// ---- Spectrum displays ---------------------------------------------------------------------------------

void CMainDialog::OnDisplayFilterClicked() {
    RunCommand([this] {
        FetchControlStates();
        RefreshFilterDisplay();
    });
}

void CMainDialog::OnDisplayAudioClicked() {
    RunCommand([this] {
        FetchControlStates();
        RefreshAudioDisplay();
    });
}

CPrismDataWindow* CMainDialog::FilterSpectrumWindow() const {
    return m_filterSpectrumWindow.data();
}

CPrismDataWindow* CMainDialog::AudioSpectrumWindow() const {
    return m_audioSpectrumWindow.data();
}

void CMainDialog::RefreshFilterDisplay() {
    std::fill(m_filterReal.begin(), m_filterReal.end(), 0.0);
    std::fill(m_filterImag.begin(), m_filterImag.end(), 0.0);
    if (m_displayFilterState == 0) {
        CloseSpectrumWindow(m_filterSpectrumWindow);
        return;
    }
    if (!m_filterSpectrumWindow) {
        m_filterSpectrumWindow = OpenSpectrumWindow(tressel::kFilterWindowPlacement);
    }
    Show(m_workbench.ComputeFilterResponse(m_filterReal.data(), m_filterImag.data()));
    ShowFilterResponse(*m_filterSpectrumWindow, m_filterReal.data(), m_filterImag.data(),
                       m_workbench.Wave().GetSamplesPerSecond());
}

void CMainDialog::ShowCommandOutcome() {
    if (m_workbench.Revision() != m_shownRevision) {
        m_waveView->KeepShownAsBefore();
        if (m_audioSpectrumWindow) {
            m_audioSpectrumWindow->SetBeforeData(m_audioFirstCurve.data(), m_audioSecondCurve.data(),
                                                 tressel::kSpectrumBins);
        }
        RefreshAudioDisplay();
    } else if (m_workbench.LastCommandReachedSamples()) {
        RefreshAudioDisplay();
    }
}

void CMainDialog::ForgetBeforeState() {
    m_waveView->SetBeforeSamples(nullptr);
    if (m_audioSpectrumWindow) {
        m_audioSpectrumWindow->ClearBeforeData();
    }
}

void CMainDialog::RefreshAudioDisplay() {
    m_shownRevision = m_workbench.Revision();
    SamplesChanged();
    if (m_displayAudioState == 0) {
        std::fill(m_audioFirstCurve.begin(), m_audioFirstCurve.end(), 0.0);
        std::fill(m_audioSecondCurve.begin(), m_audioSecondCurve.end(), 0.0);
        CloseSpectrumWindow(m_audioSpectrumWindow);
        return;
    }
    if (!m_audioSpectrumWindow) {
        m_audioSpectrumWindow = OpenSpectrumWindow(tressel::kAudioWindowPlacement);
    }
    std::vector<double> first(tressel::kSpectrumBins, 0.0);
    std::vector<double> second(tressel::kSpectrumBins, 0.0);
    const tressel::Result computed = m_background->Run(
        "Audio Spectrum", [&] { return m_workbench.ComputeAudioSpectrum(first.data(), second.data()); });
    Show(computed);
    if (computed.WasCancelled()) {
        return;  // the window and its curves stay as they were
    }
    m_audioFirstCurve = std::move(first);
    m_audioSecondCurve = std::move(second);
    ShowAudioSpectrum(*m_audioSpectrumWindow, m_audioFirstCurve.data(), m_audioSecondCurve.data(),
                      m_workbench.Wave().GetChannels(), m_workbench.Wave().GetSamplesPerSecond());
}

CPrismDataWindow* CMainDialog::OpenSpectrumWindow(const tressel::PrismWindowPlacement& placement) {
    CPrismDataWindow* window = CreatePrismDataWindow(placement, this);
    connect(window, &CPrismDataWindow::closedByUser, this, [this, window] { ForgetClosedSpectrumWindow(window); });
    return window;
}

void CMainDialog::CloseSpectrumWindow(QPointer<CPrismDataWindow>& window) {
    delete window.data();
    window = nullptr;
}

// The window manager closed a spectrum window although it has no close button: forget it and clear its
// box, so the box keeps telling whether the window is there.
void CMainDialog::ForgetClosedSpectrumWindow(CPrismDataWindow* window) {
    if (window == m_filterSpectrumWindow) {
        m_filterSpectrumWindow = nullptr;
        m_ui->displayFilterCheck->setChecked(false);
        m_displayFilterState = 0;
    } else if (window == m_audioSpectrumWindow) {
        m_audioSpectrumWindow = nullptr;
        m_ui->displayAudioCheck->setChecked(false);
        m_displayAudioState = 0;
    }
    window->deleteLater();
}

// ---- Effects ------------------------------------------------------------------------------------------

void CMainDialog::OnEffects() {
    m_effects->SetWorkbench(&m_workbench);
    m_effects->show();
    m_effects->raise();
    m_effects->activateWindow();
}

void CMainDialog::RunMedianFilter(int length) {
    RunCommand([this, length] {
        FetchControlStates();
        Show(m_background->Run("Median Filter", [this, length] { return m_workbench.ApplyMedian(length); },
                                      tressel::SampleAccess::Changes));
        ShowCommandOutcome();
    });
}

// ---- Macros -------------------------------------------------------------------------------------------

void CMainDialog::OnRunMacro() {
    RunCommand([this] {
        const auto chosen = Dialogs().ChooseFileToOpen({kMacroFileFilter, m_macroFileName, ""});
        if (!chosen) {
            return;
        }
        m_macroFileName = *chosen;
        tressel::Macro macro;
        tressel::Result result = tressel::LoadMacro(*chosen, macro);
        // The whole macro is one step back, and stopped part-way it takes back its earlier commands too.
        result.AndThen([&] {
            return m_background->Run(
                "Run Macro",
                [&] {
                    return m_workbench.AsOneStep(
                        [&] { return tressel::RunMacro(m_workbench, macro, {m_workbench.DisplayName(), ""}); });
                },
                tressel::SampleAccess::Changes);
        });
        Show(result);
        ShowCommandOutcome();
    });
}

void CMainDialog::OnSaveCommandsAsMacro() {
    RunCommand([this] {
        const auto chosen = Dialogs().ChooseFileToSave({kMacroFileFilter, m_macroFileName, "txt"});
        if (!chosen) {
            return;
        }
        m_macroFileName = *chosen;
        Show(tressel::SaveMacro(*chosen, m_workbench.AppliedSteps(), m_workbench.DisplayName()));
    });
}

// ---- Mixer ----------------------------------------------------------------------------------------------

void CMainDialog::SetUpMixer() {
    const QSignalBlocker blockOriginal(m_ui->originalSlider);
    const QSignalBlocker blockFiltered(m_ui->filteredSlider);
    m_ui->originalSlider->setRange(0, 200);
    m_ui->originalSlider->setValue(0);
    m_ui->filteredSlider->setRange(-200, 200);
    m_ui->filteredSlider->setValue(20);
    m_ui->originalSlider->setTickInterval(20);
    m_ui->filteredSlider->setTickInterval(40);
    // Page Up and Down move a fifth of the range, as the median slider does.
    m_ui->originalSlider->setPageStep(40);
    m_ui->filteredSlider->setPageStep(80);
    m_workbench.SetLevels({1.0f, 0.0f});
}

void CMainDialog::OnOriginalSliderMoved(int position) {
    const double level = position * 0.05;
    tressel::dsp::MixLevels levels = m_workbench.Levels();
    levels.original = static_cast<float>(level);
    m_workbench.SetLevels(levels);
    m_ui->originalLevelText->setText(QString::asprintf("%.2f", level));
}

void CMainDialog::OnFilteredSliderMoved(int position) {
    const double level = position * 0.05;
    tressel::dsp::MixLevels levels = m_workbench.Levels();
    levels.filtered = static_cast<float>(level);
    m_workbench.SetLevels(levels);
    m_ui->filteredLevelText->setText(QString::asprintf("%.2f", level));
}

void CMainDialog::OnDefaultLevels() {
    const QSignalBlocker blockOriginal(m_ui->originalSlider);
    const QSignalBlocker blockFiltered(m_ui->filteredSlider);
    m_ui->originalSlider->setValue(0);
    m_ui->filteredSlider->setValue(20);
    m_workbench.SetLevels({1.0f, 0.0f});
    m_ui->originalLevelText->setText(QString::asprintf("%.2f", 0.0));
    m_ui->filteredLevelText->setText(QString::asprintf("%.2f", 1.0));
}

// ---- Window ---------------------------------------------------------------------------------------------

bool CMainDialog::MayClose() {
    bool may = false;
    RunCommand([this, &may] { may = m_unsavedChanges.MayDiscardChanges(Dialogs()); });
    if (may) {
        ReleaseDisplayResources();
    }
    return may;
}

void CMainDialog::accept() {
    if (MayClose()) {
        QDialog::accept();
    }
}

// Closing the window ends the program like Quit; a cancelled prompt keeps it open.
void CMainDialog::reject() {
    if (MayClose()) {
        QDialog::reject();
    }
}

// Neither Escape nor Return ends the program: Escape does nothing here, and Return clicks the focused
// button only. The window has no default button, and its buttons are not auto-default, because a dialog
// makes its first auto-default button the default one when it opens.
void CMainDialog::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDialog::ReleaseDisplayResources() {
    // The audio window is owned by this window and goes with it; the buffers go with the object.
    CloseSpectrumWindow(m_filterSpectrumWindow);
}

void CMainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Linux window managers offer no system menu to extend, so the About item lives here.
    QMenu menu(this);
    m_historyActions->AddTo(menu);
    menu.addSeparator();
    // One command at a time: entries that would start another wait, and the running one's state is not
    // read meanwhile.
    const bool idle = !m_background->Running();
    QAction* runMacro = menu.addAction("Run Macro...");
    runMacro->setEnabled(idle);
    connect(runMacro, &QAction::triggered, this, &CMainDialog::OnRunMacro);
    QAction* saveMacro = menu.addAction("Save Commands as Macro...");
    saveMacro->setEnabled(idle && !m_workbench.AppliedSteps().empty());
    connect(saveMacro, &QAction::triggered, this, &CMainDialog::OnSaveCommandsAsMacro);
    menu.addSeparator();
    QMenu* recentAudio = tressel::AddRecentFilesMenu(
        menu, "Recent &Audio Files", m_recentAudio,
        [this](const std::string& path) { RunCommand([&] { OpenAudioFile(path); }); });
    QMenu* recentFilters = tressel::AddRecentFilesMenu(
        menu, "Recent &Filter Files", m_recentFilters,
        [this](const std::string& path) { RunCommand([&] { SelectFilterFile(path); }); });
    for (QMenu* recent : {recentAudio, recentFilters}) {
        recent->setEnabled(idle && recent->isEnabled());
    }
    QAction* about = menu.addAction("&About Tressel...");
    connect(about, &QAction::triggered, this, &CMainDialog::ShowAboutBox);
    menu.addAction(m_waveView->OpenAction());
    menu.addSeparator();
    m_listening->AddTo(menu);
    menu.exec(event->globalPos());
}

void CMainDialog::ShowAboutBox() {
    CAboutDialog about(this);
    about.exec();
}
