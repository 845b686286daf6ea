#include "app/UserDialogs.h"

#include "app/Help.h"

namespace tressel {

namespace {

// Until the application installs its own: tells nobody and cancels every choice.
class SilentUserDialogs final : public UserDialogs {
public:
    void ShowMessage(std::string_view, MessageIcon) override {}
    std::unique_ptr<ProgressSink> CreateProgress() override { return m_silent.CreateProgress(); }
    std::optional<std::string> ChooseFileToOpen(const FileChoiceRequest&) override { return std::nullopt; }
    std::optional<std::string> ChooseFileToSave(const FileChoiceRequest&) override { return std::nullopt; }
    SaveChangesAnswer AskToSaveChanges(const std::string&) override { return SaveChangesAnswer::Cancel; }

private:
    SilentFeedback m_silent;
};

class NoHelp final : public HelpService {
public:
    void ShowTopic(int) override {}
    void Quit() override {}
};

SilentUserDialogs g_silentDialogs;
UserDialogs* g_dialogs = nullptr;
NoHelp g_noHelp;
HelpService* g_help = nullptr;

}  // namespace

UserDialogs& AppDialogs() {
    return g_dialogs ? *g_dialogs : g_silentDialogs;
}

void SetAppDialogs(UserDialogs* dialogs) {
    g_dialogs = dialogs;
}

HelpService& AppHelp() {
    return g_help ? *g_help : g_noHelp;
}

void SetAppHelp(HelpService* help) {
    g_help = help;
}

}  // namespace tressel
