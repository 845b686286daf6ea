#include "audio/Result.h"

namespace tressel {

Result Result::Failure(std::string text, MessageIcon icon) {
    Result result;
    result.m_failed = true;
    result.m_messages.push_back({std::move(text), icon, Message::Kind::Failure});
    return result;
}

Result Result::Declined() {
    Result result;
    result.m_failed = true;
    return result;
}

Result Result::Cancelled() {
    Result result = Declined();
    result.m_cancelled = true;
    return result;
}

Result Result::Confirmation(std::string text) {
    Result result;
    result.m_messages.push_back({std::move(text), MessageIcon::Information, Message::Kind::Confirmation});
    return result;
}

Result& Result::AddNote(std::string text, MessageIcon icon) {
    m_messages.push_back({std::move(text), icon, Message::Kind::Note});
    return *this;
}

Result& Result::Append(const Result& other) {
    m_messages.insert(m_messages.end(), other.m_messages.begin(), other.m_messages.end());
    m_failed = m_failed || other.m_failed;
    m_cancelled = m_cancelled || other.m_cancelled;
    return *this;
}

std::vector<std::string> Result::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(m_messages.size());
    for (const Message& message : m_messages) {
        texts.push_back(message.text);
    }
    return texts;
}

std::string Result::FailureText() const {
    for (const Message& message : m_messages) {
        if (message.kind == Message::Kind::Failure) {
            return message.text;
        }
    }
    return {};
}

}  // namespace tressel
