#pragma once
// Everything the windows ask of the user or tell the user goes through here: message boxes, progress
// windows and file choices. The application installs the Qt implementation; tests install a scripted one
// that answers file dialogs from a list and records every message.

#include <optional>
#include <string>

#include "audio/Feedback.h"

namespace tressel {

struct FileChoiceRequest {
    std::string filterList;        // in Qt's syntax: "Wave (.wav) (*.wav);;MP3 (.mp3) (*.mp3)"
    std::string initialName;       // the remembered or proposed name
    std::string defaultExtension;  // without the dot; empty for none
};

// The answers to "Save changes to NAME?".
enum class SaveChangesAnswer { Save, Discard, Cancel };

class UserDialogs : public Feedback {
public:
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFileToOpen(const FileChoiceRequest& request) = 0;
    // Asks before overwriting; the chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFileToSave(const FileChoiceRequest& request) = 0;
    // "Save changes to NAME?" before unsaved samples would be replaced or thrown away.
    virtual SaveChangesAnswer AskToSaveChanges(const std::string& name) = 0;
};

// The process-wide instance. The application sets it at start; without one, a silent fallback answers
// every file question with "cancel".
UserDialogs& AppDialogs();
void SetAppDialogs(UserDialogs* dialogs);

}  // namespace tressel
