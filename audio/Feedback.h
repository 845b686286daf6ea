#pragma once
// The seam through which the processing core reaches whoever runs it: the main window shows message
// boxes and a progress window, the command-line tool prints, tests record. The core itself only creates
// progress indicators; its messages travel back in the Result of each operation.

#include <memory>
#include <string>
#include <string_view>

#include "audio/Result.h"

namespace tressel {

// A progress indicator for one long operation: created, ranged, shown, advanced, destroyed.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void Show() = 0;
    virtual void SetPosition(int position) = 0;
    // Asked between pieces of the work: true once whoever watches wants the operation stopped. The
    // operation then ends at the next point where it can put back what it changed, and answers
    // Result::Cancelled(). Indicators nobody can stop never ask for it.
    virtual bool CancelRequested() const { return false; }
    // The name of the command the indicator stands for ("Apply Filter"), for a window that shows it.
    virtual void SetLabel(std::string_view) {}
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

// Shows every message of the result, in order.
void ShowMessages(Feedback& feedback, const Result& result);

// The platform-style text for an errno value, with %1 replaced by the file name ("Disk full while
// accessing %1." and its kin).
std::string FileErrorText(int errorNumber, const std::string& fileName);

// A failure with that text and the stop icon, as the platform reports errors on an open file.
Result FileError(int errorNumber, const std::string& fileName);

// What a command that cannot get its memory reports.
Result OutOfMemory();

}  // namespace tressel
