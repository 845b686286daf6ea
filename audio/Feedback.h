#pragma once
// The seam through which the processing core talks to whoever runs it: the main window shows message
// boxes and a progress window, the command-line tool prints, tests record.

#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace tressel {

enum class MessageIcon {
    Warning,  // the program's own texts
    Stop,     // the platform-style file errors
};

// A progress indicator for one long operation: created, ranged, shown, advanced, destroyed.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void Show() = 0;
    virtual void SetPosition(int position) = 0;
};

class Feedback {
public:
    virtual ~Feedback() = default;
    // A modal message with one OK button, captioned with the program's name.
    virtual void ShowMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) = 0;
    // Creates the progress indicator of one operation; it disappears when the result is destroyed.
    virtual std::unique_ptr<ProgressSink> CreateProgress() = 0;
};

// Feedback that shows nothing: for owners that have nobody to tell.
class SilentFeedback final : public Feedback {
public:
    void ShowMessage(std::string_view, MessageIcon) override {}
    std::unique_ptr<ProgressSink> CreateProgress() override;
};

// Thrown after a file error or a memory shortage has been reported, to end the running command the way
// the platform framework's exceptions do. Every command entry point (a main-window handler, a CLI
// subcommand) catches it; it never crosses into Qt.
class CommandAborted final : public std::exception {
public:
    const char* what() const noexcept override { return "command aborted"; }
};

// Reports an operating-system error on an open file ("Disk full while accessing %1." and its kin) with
// the stop icon, then ends the command.
[[noreturn]] void AbortWithFileError(Feedback& feedback, int errorNumber, const std::string& fileName);

// Reports "Out of memory." and ends the command.
[[noreturn]] void AbortOutOfMemory(Feedback& feedback);

// The platform-style text for an errno value, with %1 replaced by the file name.
std::string FileErrorText(int errorNumber, const std::string& fileName);

}  // namespace tressel
