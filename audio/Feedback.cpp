#include "audio/Feedback.h"

#include <cerrno>

namespace tressel {

namespace {

class SilentProgress final : public ProgressSink {
public:
    void SetRange(int, int) override {}
    void Show() override {}
    void SetPosition(int) override {}
};

const char* FileErrorTemplate(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "Disk full while accessing %1.";
    case EACCES:
    case EPERM:
    case EROFS:
        return "Access to %1 was denied.";
    case ENOENT:
        return "%1 was not found.";
    case EIO:
        return "A hardware I/O error was reported while accessing %1.";
    case ETXTBSY:
    case EBUSY:
        return "A sharing violation occurred while accessing %1.";
    case 0:
        // A read that ended early without an error code ran past the end of the file.
        return "An attempt was made to access %1 past its end.";
    default:
        return "An unspecified error occurred while accessing %1.";
    }
}

}  // namespace

std::unique_ptr<ProgressSink> SilentFeedback::CreateProgress() {
    return std::make_unique<SilentProgress>();
}

std::string FileErrorText(int errorNumber, const std::string& fileName) {
    std::string text = FileErrorTemplate(errorNumber);
    const auto placeholder = text.find("%1");
    if (placeholder != std::string::npos) {
        text.replace(placeholder, 2, fileName);
    }
    return text;
}

void ShowMessages(Feedback& feedback, const Result& result) {
    for (const Message& message : result.Messages()) {
        feedback.ShowMessage(message.text, message.icon);
    }
}

Result FileError(int errorNumber, const std::string& fileName) {
    return Result::Failure(FileErrorText(errorNumber, fileName), MessageIcon::Stop);
}

Result OutOfMemory() {
    return Result::Failure("Out of memory.");
}

}  // namespace tressel
