#include "tests/support/RecordingFeedback.h"

namespace tressel::testing {

namespace {

class RecordingProgress final : public ProgressSink {
public:
    explicit RecordingProgress(std::shared_ptr<ProgressRecord> record) : m_record(std::move(record)) {}
    ~RecordingProgress() override { m_record->destroyed = true; }
    void SetRange(int low, int high) override {
        m_record->low = low;
        m_record->high = high;
    }
    void Show() override { m_record->shown = true; }
    void SetPosition(int position) override { m_record->positions.push_back(position); }

private:
    std::shared_ptr<ProgressRecord> m_record;
};

}  // namespace

std::unique_ptr<ProgressSink> RecordingFeedback::CreateProgress() {
    auto record = std::make_shared<ProgressRecord>();
    progress.push_back(record);
    return std::make_unique<RecordingProgress>(record);
}

bool RecordingFeedback::Take(const Result& result) {
    ShowMessages(*this, result);
    return result.Ok();
}

}  // namespace tressel::testing
