#include "app/MainDialog.h"

#include <QContextMenuEvent>
#include <QIcon>
#include <QMenu>
#include <algorithm>
#include <cstdio>
#include <new>

#include "app/AboutDialog.h"
#include "app/DialogUnits.h"
#include "app/EffectsDialog.h"
#include "app/FramesDecodedWindow.h"
#include "app/Help.h"
#include "app/Mp3EncoderDialog.h"
#include "app/RegistryKey.h"
#include "app/UserDialogs.h"
#include "app/WaveViewHost.h"
#include "audio/ElideFileName.h"
#include "audio/Mp3Import.h"
#include "audio/WaveFiles.h"
#include "mp3enc/Mp3Export.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/PrismDataWindow.h"
#include "ui_MainDialog.h"

namespace {

const char* const kAudioFileFilter = "All Supported Files (*.wav *.mp3);;Wave (.wav) (*.wav);;"
                                     "MP3 (.mp3) (*.mp3);;All Files (*.*) (*)";
const char* const kSaveFileFilter = "Wave (.wav) (*.wav);;MP3 (.mp3) (*.mp3)";
// Filter files carry no fixed extension: every file is offered.
const char* const kFilterFileFilter = "Filter Logfile (.*) (*)";

QString Decimal(long long value) {
    return QString::asprintf("%lli", value);
}

// The name "Save Audio" proposes: the display name without a four-character extension such as ".wav".
std::string ProposedSaveName(const std::string& displayName) {
    const std::size_t n = displayName.size();
    if (n <= 4) {
        return {};
    }
    return displayName[n - 4] == '.' ? displayName.substr(0, n - 4) : displayName;
}

}  // namespace

CMainDialog::CMainDialog(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::MainDialog>()),
      m_filterReal(tressel::kSpectrumSize, 0.0),
      m_filterImag(tressel::kSpectrumSize, 0.0),
      m_audioFirstCurve(tressel::kSpectrumBins, 0.0),
      m_audioSecondCurve(tressel::kSpectrumBins, 0.0) {
    m_ui->setupUi(this);
    tressel::WidenClippedLabels(this);
    setFixedSize(size());
    setWindowIcon(QIcon(":/tressel.svg"));
    m_wave.SetFeedback(&Dialogs());

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
    m_waveView = std::make_unique<tressel::WaveViewHost>(this, m_wave);
}

CMainDialog::~CMainDialog() {
    DeleteTemporaryFile();
    tressel::AppHelp().Quit();
    m_wave.SetFeedback(nullptr);
}

tressel::UserDialogs& CMainDialog::Dialogs() const {
    return tressel::AppDialogs();
}

void CMainDialog::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const tressel::CommandAborted&) {
        // The message was shown where the failure happened.
    } catch (const std::bad_alloc&) {
        Dialogs().ShowMessage("Out of memory.", tressel::MessageIcon::Warning);
    }
}

void CMainDialog::FetchControlStates() {
    m_displayFilterState = m_ui->displayFilterCheck->isChecked() ? 1 : 0;
    m_channel1State = m_ui->channel1Check->isChecked() ? 1 : 0;
    m_channel2State = m_ui->channel2Check->isChecked() ? 1 : 0;
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
        if (!chosen) {
            return;
        }
        // Remembered before the read, so a file that fails is still offered next time.
        m_filterFileName = *chosen;
        SaveSettings();
        if (!m_filter.Read(*chosen)) {
            Dialogs().ShowMessage("Could not open file");
            return;
        }
        RefreshFilterInfo();
        RefreshFilterDisplay();
    });
}

void CMainDialog::OnApplyFilter() {
    RunCommand([this] {
        FetchControlStates();
        if (m_filter.GetCount() <= 0) {
            Dialogs().ShowMessage("No filter specified");
            return;
        }
        if (!m_wave.IsPcm()) {
            Dialogs().ShowMessage("No valid Wave file loaded");
            return;
        }
        m_wave.ApplyFir(m_filter.GetCoefficients(), m_filter.GetCount(), m_channel1State, m_channel2State,
                        m_filteredLevel, m_originalLevel);
        RefreshAudioDisplay();
    });
}

void CMainDialog::RefreshFilterInfo() {
    m_ui->filterFileNameText->setText(QString::fromStdString(tressel::ElideFileName(m_filter.GetFileName())));
    m_ui->filterLengthText->setText(QString::asprintf("%i", m_filter.GetCount()));
    m_ui->filterGainText->setText(QString::asprintf("%f", m_filter.GetGain()));
}

// ---- Audio commands -------------------------------------------------------------------------------------

void CMainDialog::OnLoadAudio() {
    RunCommand([this] {
        LoadSettings();
        const auto chosen = Dialogs().ChooseFileToOpen({kAudioFileFilter, m_mediaFileName, ""});
        if (!chosen) {
            return;
        }
        m_mediaFileName = *chosen;
        SaveSettings();
        DeleteTemporaryFile();
        if (tressel::LowerCaseExtension(*chosen) == "wav") {
            LoadWaveBranch(*chosen);
        } else {
            LoadMp3Branch(*chosen);
        }
    });
}

void CMainDialog::ClearWave() {
    m_displayName.clear();
    m_wave.Release();
    RefreshWaveInfo();
    SamplesChanged();
}

void CMainDialog::SamplesChanged() {
    m_waveView->WaveChanged();
    if (m_filterSpectrumWindow) {
        m_filterSpectrumWindow->SetSampleRate(tressel::DisplaySampleRate(m_wave.GetSamplesPerSecond()));
    }
}

void CMainDialog::LoadWaveBranch(const std::string& path) {
    if (!tressel::LoadWaveFile(m_wave, path, Dialogs())) {
        ClearWave();
        return;
    }
    m_displayName = path;
    RefreshWaveInfo();
    RefreshAudioDisplay();
}

void CMainDialog::LoadMp3Branch(const std::string& path) {
    m_displayName.clear();
    tressel::Mp3ImportHooks hooks;
    hooks.beforeDecode = [this] { hide(); };
    hooks.afterDecode = [this] { show(); };
    hooks.progress = OnFramesDecoded;
    if (!tressel::ImportMp3(m_wave, path, Dialogs(), m_temporaryFileName, hooks)) {
        ClearWave();
        return;
    }
    m_displayName = path;
    RefreshWaveInfo();
    RefreshAudioDisplay();
}

void CMainDialog::OnSaveAudio() {
    RunCommand([this] {
        if (!m_wave.IsLoaded()) {
            Dialogs().ShowMessage("No Wave file to save");
            return;
        }
        const auto chosen = Dialogs().ChooseFileToSave({kSaveFileFilter, ProposedSaveName(m_displayName), "wav"});
        if (!chosen) {
            return;
        }
        const std::string extension = tressel::LowerCaseExtension(*chosen);
        if (extension == "wav") {
            if (tressel::SaveWaveFile(m_wave, *chosen, Dialogs())) {
                Dialogs().ShowMessage("Wave saved");
            }
        } else if (extension == "mp3") {
            SaveMp3Branch(*chosen);
        } else {
            Dialogs().ShowMessage("No valid format selected");
        }
    });
}

void CMainDialog::SaveMp3Branch(const std::string& path) {
    tressel::DialogMp3Settings settings;
    tressel::SaveWaveAsMp3(m_wave, path, settings);
}

void CMainDialog::OnPlay() {
    m_wave.Play(false);
}

void CMainDialog::OnStop() {
    m_wave.Stop();
}

void CMainDialog::OnReloadAudio() {
    RunCommand([this] {
        m_wave.Reload();
        RefreshAudioDisplay();
    });
}

void CMainDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpMainWindow);
}

void CMainDialog::DeleteTemporaryFile() {
    if (m_temporaryFileName) {
        std::remove(m_temporaryFileName->c_str());
        m_temporaryFileName.reset();
    }
}

void CMainDialog::RefreshWaveInfo() {
    m_ui->waveFileNameText->setText(QString::fromStdString(tressel::ElideFileName(m_displayName)));
    m_ui->channelsText->setText(Decimal(m_wave.GetChannels()));
    const bool stereo = m_wave.GetChannels() == 2;
    m_ui->channel1Check->setEnabled(stereo);
    m_ui->channel2Check->setEnabled(stereo);
    m_ui->samplesPerSecondText->setText(Decimal(m_wave.GetSamplesPerSecond()));
    m_ui->bitsPerSampleText->setText(Decimal(m_wave.GetBitsPerSample()));
    m_ui->dataLengthText->setText(Decimal(m_wave.GetDataLength()));
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

std::span<const double> CMainDialog::FilterTaps() const {
    return {m_filter.GetCoefficients(), static_cast<std::size_t>(std::max(m_filter.GetCount(), 0))};
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
    const std::span<const double> taps = FilterTaps();
    tressel::ComputeFilterResponse(taps.data(), static_cast<int>(taps.size()), m_filterReal.data(),
                                   m_filterImag.data(), &Dialogs());
    ShowFilterResponse(*m_filterSpectrumWindow, m_filterReal.data(), m_filterImag.data(),
                       m_wave.GetSamplesPerSecond());
}

void CMainDialog::RefreshAudioDisplay() {
    SamplesChanged();
    std::fill(m_audioFirstCurve.begin(), m_audioFirstCurve.end(), 0.0);
    std::fill(m_audioSecondCurve.begin(), m_audioSecondCurve.end(), 0.0);
    if (m_displayAudioState == 0) {
        CloseSpectrumWindow(m_audioSpectrumWindow);
        return;
    }
    if (!m_audioSpectrumWindow) {
        m_audioSpectrumWindow = OpenSpectrumWindow(tressel::kAudioWindowPlacement);
    }
    if (m_wave.IsPcm()) {
        m_wave.ComputeSpectrum(m_audioFirstCurve.data(), m_audioSecondCurve.data(), tressel::kSpectrumBins);
    }
    ShowAudioSpectrum(*m_audioSpectrumWindow, m_audioFirstCurve.data(), m_audioSecondCurve.data(),
                      m_wave.GetChannels(), m_wave.GetSamplesPerSecond());
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
    m_effects->SetWave(&m_wave);
    m_effects->show();
    m_effects->raise();
    m_effects->activateWindow();
}

void CMainDialog::RunMedianFilter(int length) {
    RunCommand([this, length] {
        FetchControlStates();
        if (!m_wave.IsPcm()) {
            Dialogs().ShowMessage("No valid Wave file loaded");
            return;
        }
        m_wave.ApplyMedian(length, m_channel1State, m_channel2State);
        RefreshAudioDisplay();
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
    m_originalLevel = 0.0f;
    m_filteredLevel = 1.0f;
}

void CMainDialog::OnOriginalSliderMoved(int position) {
    const double level = position * 0.05;
    m_originalLevel = static_cast<float>(level);
    m_ui->originalLevelText->setText(QString::asprintf("%.2f", level));
}

void CMainDialog::OnFilteredSliderMoved(int position) {
    const double level = position * 0.05;
    m_filteredLevel = static_cast<float>(level);
    m_ui->filteredLevelText->setText(QString::asprintf("%.2f", level));
}

void CMainDialog::OnDefaultLevels() {
    const QSignalBlocker blockOriginal(m_ui->originalSlider);
    const QSignalBlocker blockFiltered(m_ui->filteredSlider);
    m_ui->originalSlider->setValue(0);
    m_originalLevel = 0.0f;
    m_ui->originalLevelText->setText(QString::asprintf("%.2f", 0.0));
    m_ui->filteredSlider->setValue(20);
    m_filteredLevel = 1.0f;
    m_ui->filteredLevelText->setText(QString::asprintf("%.2f", 1.0));
}

// ---- Window ---------------------------------------------------------------------------------------------

void CMainDialog::accept() {
    ReleaseDisplayResources();
    QDialog::accept();
}

void CMainDialog::ReleaseDisplayResources() {
    // The audio window is owned by this window and goes with it; the buffers go with the object.
    CloseSpectrumWindow(m_filterSpectrumWindow);
}

void CMainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Linux window managers offer no system menu to extend, so the About item lives here.
    QMenu menu(this);
    QAction* about = menu.addAction("&About Tressel...");
    connect(about, &QAction::triggered, this, &CMainDialog::ShowAboutBox);
    menu.addAction(m_waveView->OpenAction());
    menu.exec(event->globalPos());
}

void CMainDialog::ShowAboutBox() {
    CAboutDialog about(this);
    about.exec();
}
