#pragma once
// Messages go to standard error as "tressel-cli: TEXT"; progress is drawn only on a terminal.

#include "audio/Feedback.h"

namespace tressel::cli {

class ConsoleFeedback final : public Feedback {
public:
    ConsoleFeedback();
    void ShowMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override;
    std::unique_ptr<ProgressSink> CreateProgress() override;

    // True once any message was shown: the command then fails without writing its output.
    bool MessageShown() const { return m_messageShown; }

private:
    bool m_messageShown = false;
    bool m_progressToTerminal;
};

}  // namespace tressel::cli
