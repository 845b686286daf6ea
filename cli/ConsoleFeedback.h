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

    // "--verbose": the MP3 decoder's own remarks ("Got N bits = ...") are printed too.
    void SetVerbose(bool verbose) { m_verbose = verbose; }
    bool Verbose() const { return m_verbose; }

private:
    bool m_progressToTerminal;
    bool m_verbose = false;
};

}  // namespace tressel::cli
