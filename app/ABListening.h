#pragma once
// A/B listening in the main window. Space plays the samples as they are now, Shift+Space the reference:
// the audio as it was loaded, or as it was before the last command (chosen once in the context menu and
// remembered). While one plays, the other key switches to the other at the place reached, so the two
// can be compared phrase by phrase; the key of what is playing stops it.

#include <QObject>
#include <cstdint>
#include <vector>

#include "workbench/ListeningReference.h"

class QActionGroup;
class QMenu;
class QShortcut;
class QWidget;

namespace tressel {

class Workbench;

class ABListening : public QObject {
    Q_OBJECT
public:
    // Adds Shift+Space to `owner`, which keeps this object (and destroys it before the workbench, which
    // must outlive it).
    ABListening(QWidget* owner, Workbench& workbench);
    ~ABListening() override;

    // The context menu's choice of reference.
    void AddTo(QMenu& menu);
    ListeningReference Reference() const { return m_reference; }

    // Space while the reference plays: the current samples from the same place. False when the
    // reference is not playing, so Space keeps its Play / Stop meaning.
    bool SwitchToCurrent();
    // Shift+Space: plays the reference (from the place the current samples reached, when they play), or
    // stops it when it is what plays.
    void PlayOrStopReference();
    bool ReferencePlaying() const;
    // Off while a command works on the samples in the background: the reference and the current image
    // are both being changed then.
    void SetAvailable(bool available);

public slots:
    // Something else started playing the current samples (the Play button).
    void ForgetReference();

signals:
    // Playback could not start; `text` is what the user is told (the owner decides whether to say it).
    void failed(const QString& text);

private:
    void Choose(ListeningReference reference);
    double PlaceReached() const;
    void SayWhyNothingPlays();

    Workbench& m_workbench;
    ListeningReference m_reference;
    QActionGroup* m_choices;
    QShortcut* m_shortcut = nullptr;
    // The reference being played, copied: the history it comes from may trade or drop it meanwhile.
    std::vector<std::uint8_t> m_referenceImage;
    bool m_referencePlaying = false;
};

}  // namespace tressel
