#include "app/ABListening.h"

#include <QAction>
#include <QActionGroup>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMenu>
#include <QShortcut>

#include "app/ButtonShortcuts.h"
#include "app/WindowSettings.h"
#include "workbench/Workbench.h"

namespace tressel {

namespace {

const std::string kReferenceSetting = "Reference";
const std::string kBeforeLastCommand = "BeforeLastCommand";

WindowSettings Settings() {
    return WindowSettings("Listening");
}

}  // namespace

ABListening::ABListening(QWidget* owner, Workbench& workbench)
    : QObject(nullptr),
      m_workbench(workbench),
      m_reference(Settings().ReadString(kReferenceSetting) == kBeforeLastCommand ? ListeningReference::BeforeLastCommand
                                                                                  : ListeningReference::AsLoaded),
      m_choices(new QActionGroup(this)) {
    const struct {
        const char* text;
        const char* name;
        ListeningReference reference;
    } choices[] = {
        {"Shift+Space Plays the Audio as Loaded", "referenceAsLoadedAction", ListeningReference::AsLoaded},
        {"Shift+Space Plays the Audio Before the Last Command", "referenceBeforeLastAction",
         ListeningReference::BeforeLastCommand},
    };
    for (const auto& choice : choices) {
        QAction* action = m_choices->addAction(choice.text);
        action->setObjectName(choice.name);
        action->setCheckable(true);
        action->setChecked(choice.reference == m_reference);
        const ListeningReference reference = choice.reference;
        connect(action, &QAction::triggered, this, [this, reference] { Choose(reference); });
    }
    m_shortcut = AddWindowShortcut(owner, QKeySequence(Qt::SHIFT | Qt::Key_Space), [this] { PlayOrStopReference(); });
}

void ABListening::SetAvailable(bool available) {
    m_shortcut->setEnabled(available);
}

ABListening::~ABListening() {
    if (ReferencePlaying()) {
        m_workbench.Wave().Stop();  // before the copy it plays from goes
    }
}

void ABListening::AddTo(QMenu& menu) {
    menu.addActions(m_choices->actions());
}

void ABListening::Choose(ListeningReference reference) {
    m_reference = reference;
    Settings().WriteString(kReferenceSetting, reference == ListeningReference::BeforeLastCommand ? kBeforeLastCommand
                                                                                                 : "AsLoaded");
}

bool ABListening::ReferencePlaying() const {
    return m_referencePlaying && m_workbench.Wave().IsPlaying();
}

void ABListening::ForgetReference() {
    m_referencePlaying = false;
}

void ABListening::SayWhyNothingPlays() {
    // As Play does: an image the device cannot take stays silent, a missing device is named.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        emit failed("No sound output device is available");
    }
}

double ABListening::PlaceReached() const {
    return m_workbench.Wave().IsPlaying() ? m_workbench.Wave().PlayedSeconds().value_or(0.0) : 0.0;
}

bool ABListening::SwitchToCurrent() {
    if (!ReferencePlaying()) {
        return false;
    }
    CWave& wave = m_workbench.Wave();
    const double place = PlaceReached();
    wave.Stop();
    m_referencePlaying = false;
    if (!wave.GetSoundOutput()->PlayFrom(wave.GetImage(), wave.GetImageLength(), place)) {
        SayWhyNothingPlays();
    }
    m_referenceImage = {};
    return true;
}

void ABListening::PlayOrStopReference() {
    CWave& wave = m_workbench.Wave();
    if (ReferencePlaying()) {
        wave.Stop();
        m_referencePlaying = false;
        return;
    }
    SoundOutput* output = wave.GetSoundOutput();
    if (!wave.IsLoaded() || !output) {
        return;
    }
    const std::span<const std::uint8_t> reference = ReferenceImage(m_workbench, m_reference);
    if (reference.empty()) {
        emit failed(m_reference == ListeningReference::AsLoaded ? "The audio as loaded is no longer kept"
                                                                : "The audio before the last command is no longer kept");
        return;
    }
    const double place = PlaceReached();
    wave.Stop();
    m_referenceImage.assign(reference.begin(), reference.end());
    m_referencePlaying = output->PlayFrom(m_referenceImage.data(), m_referenceImage.size(), place);
    if (!m_referencePlaying) {
        SayWhyNothingPlays();
    }
}

}  // namespace tressel
