#include "cli/FileMessages.h"

namespace tressel::cli {

namespace {

const char* Describe(AudioFileKind kind) {
    return kind == AudioFileKind::Wave ? "a WAV file" : "MPEG audio";
}

}  // namespace

Result AboutFile(const std::string& path, const Result& result) {
    Result named;
    for (const Message& message : result.Messages()) {
        std::string text = message.text.find(path) == std::string::npos ? path + ": " + message.text : message.text;
        switch (message.kind) {
        case Message::Kind::Note:
            named.AddNote(std::move(text), message.icon);
            break;
        case Message::Kind::Failure:
            named.Append(Result::Failure(std::move(text), message.icon));
            break;
        case Message::Kind::Confirmation:
            named.Append(Result::Confirmation(std::move(text)));
            break;
        }
    }
    if (!result && named) {
        named.Append(Result::Declined());
    }
    return named;
}

Result CheckAudioKind(const std::string& path, AudioFileKind expected, const std::string& failureText) {
    const AudioFileKind found = DetectAudioFileKind(path);
    if (found == AudioFileKind::Other || found == expected) {
        return {};
    }
    return Result::Failure(failureText).AddNote(std::string("found ") + Describe(found) + ", not " + Describe(expected));
}

}  // namespace tressel::cli
