#pragma once
// Answers the windows' file dialogs from a script and records every message, file request and progress
// call, so window tests run without a person. Install it with tressel::SetAppDialogs.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/UserDialogs.h"
#include "tests/support/RecordingFeedback.h"

namespace tressel::testing {

class ScriptedUserDialogs final : public UserDialogs {
public:
    ScriptedUserDialogs() { SetAppDialogs(this); }
    ~ScriptedUserDialogs() override { SetAppDialogs(nullptr); }

    void ShowMessage(std::string_view text, MessageIcon icon) override { m_recorder.ShowMessage(text, icon); }
    std::unique_ptr<ProgressSink> CreateProgress() override { return m_recorder.CreateProgress(); }

    std::optional<std::string> ChooseFileToOpen(const FileChoiceRequest& request) override {
        openRequests.push_back(request);
        return Next();
    }
    std::optional<std::string> ChooseFileToSave(const FileChoiceRequest& request) override {
        saveRequests.push_back(request);
        return Next();
    }

    // Recorded; answered from the queue given by AnswerSaveChanges, and with Discard once it is empty
    // (what the window did before it asked).
    SaveChangesAnswer AskToSaveChanges(const std::string& name) override {
        saveChangesQuestions.push_back(name);
        if (m_saveChangesAnswers.empty()) {
            return SaveChangesAnswer::Discard;
        }
        const SaveChangesAnswer answer = m_saveChangesAnswers.front();
        m_saveChangesAnswers.pop_front();
        return answer;
    }

    // The next file dialog answers with this path (or cancels, for std::nullopt).
    void Answer(std::optional<std::string> path) { m_answers.push_back(std::move(path)); }
    void AnswerSaveChanges(SaveChangesAnswer answer) { m_saveChangesAnswers.push_back(answer); }

    const std::vector<std::string>& Messages() const { return m_recorder.messages; }
    const std::vector<MessageIcon>& Icons() const { return m_recorder.icons; }
    const std::vector<std::shared_ptr<ProgressRecord>>& Progress() const { return m_recorder.progress; }
    void ClearMessages() {
        m_recorder.messages.clear();
        m_recorder.icons.clear();
    }

    std::vector<FileChoiceRequest> openRequests;
    std::vector<FileChoiceRequest> saveRequests;
    std::vector<std::string> saveChangesQuestions;  // the names asked about

private:
    std::optional<std::string> Next() {
        if (m_answers.empty()) {
            return std::nullopt;
        }
        auto answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    RecordingFeedback m_recorder;
    std::deque<std::optional<std::string>> m_answers;
    std::deque<SaveChangesAnswer> m_saveChangesAnswers;
};

}  // namespace tressel::testing
