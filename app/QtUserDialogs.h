#pragma once
// The real dialogs: Qt message boxes captioned with the program's name, the "Progress" window and Qt's
// file dialogs.

#include <QString>

#include "app/UserDialogs.h"

namespace tressel {

class QtUserDialogs final : public UserDialogs {
public:
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    std::unique_ptr<ProgressSink> CreateProgress() override;
    std::optional<std::string> ChooseFileToOpen(const FileChoiceRequest& request) override;
    std::optional<std::string> ChooseFileToSave(const FileChoiceRequest& request) override;
    SaveChangesAnswer AskToSaveChanges(const std::string& name) override;
};

// The caption of every message box: the executable's base name.
QString ProgramName();

}  // namespace tressel
