#pragma once
// Feedback that remembers every message and every progress call, for assertions.

#include <memory>
#include <string>
#include <vector>

#include "audio/Feedback.h"

namespace tressel::testing {

struct ProgressRecord {
    int low = 0;
    int high = 0;
    bool shown = false;
    bool destroyed = false;
    std::vector<int> positions;
};

class RecordingFeedback final : public Feedback {
public:
    void ShowMessage(std::string_view text, MessageIcon icon) override {
        messages.emplace_back(text);
        icons.push_back(icon);
    }
    std::unique_ptr<ProgressSink> CreateProgress() override;
    // Records the messages of an operation's result as if they had been shown; answers whether it succeeded.
    bool Take(const Result& result);

    std::vector<std::string> messages;
    std::vector<MessageIcon> icons;
    std::vector<std::shared_ptr<ProgressRecord>> progress;
};

}  // namespace tressel::testing
