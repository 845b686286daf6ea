#include "cli/ConsoleFeedback.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace tressel::cli {

namespace {

class TerminalProgress final : public ProgressSink {
public:
    ~TerminalProgress() override {
        if (m_shown) {
            std::fputs("\r\033[K", stderr);
        }
    }
    void SetRange(int low, int high) override {
        m_low = low;
        m_high = high;
    }
    void Show() override {
        m_shown = true;
        Draw(m_low);
    }
    void SetPosition(int position) override {
        if (m_shown) {
            Draw(position);
        }
    }

private:
    void Draw(int position) {
        const long span = static_cast<long>(m_high) - m_low;
        const int percent = span > 0 ? static_cast<int>(100L * (position - m_low) / span) : 100;
        if (percent == m_lastPercent) {
            return;
        }
        m_lastPercent = percent;
        std::fprintf(stderr, "\r%3d%%", percent);
        std::fflush(stderr);
    }
    int m_low = 0;
    int m_high = 0;
    int m_lastPercent = -1;
    bool m_shown = false;
};

class NoProgress final : public ProgressSink {
public:
    void SetRange(int, int) override {}
    void Show() override {}
    void SetPosition(int) override {}
};

}  // namespace

ConsoleFeedback::ConsoleFeedback() : m_progressToTerminal(::isatty(STDERR_FILENO) != 0) {}

void ConsoleFeedback::ShowMessage(std::string_view text, MessageIcon) {
    std::fprintf(stderr, "tressel-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

void ConsoleFeedback::Report(const Result& result) {
    for (const Message& message : result.Messages()) {
        if (message.kind != Message::Kind::Confirmation) {
            ShowMessage(message.text, message.icon);
        }
    }
}

std::unique_ptr<ProgressSink> ConsoleFeedback::CreateProgress() {
    if (m_progressToTerminal) {
        return std::make_unique<TerminalProgress>();
    }
    return std::make_unique<NoProgress>();
}

}  // namespace tressel::cli
