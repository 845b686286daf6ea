#pragma once
// Messages go to standard error as "tressel-cli: TEXT"; progress is drawn only on a terminal.

#include "audio/Feedback.h"

namespace tressel::cli {

class ConsoleFeedback final : public Feedback {
public:
    ConsoleFeedback();
    void ShowMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override;
    std::unique_ptr<ProgressSink> CreateProgress() override;

    // Prints the notes and the failure of a result; the window's confirmations ("Wave saved") are its own.
    void Report(const Result& result);

private:
    bool m_progressToTerminal;
};

}  // namespace tressel::cli
