#pragma once
// What an operation tells its caller: whether it did its work, and what the user is to be told, in the
// order it arose. The core never shows a message itself; the window turns these into message boxes, the
// command-line tool prints them, tests compare them. Results are plain values, so a command can run on
// any thread and hand its result back.

#include <string>
#include <vector>

namespace tressel {

enum class MessageIcon {
    Warning,      // the program's own texts
    Stop,         // the platform-style file errors
    Information,  // word that something worked ("Wave saved"): nothing to be warned about
};

struct Message {
    enum class Kind {
        Note,          // said on the way; the operation goes on ("No valid selection - Encoding with 128 kbit")
        Failure,       // the reason the operation stopped
        Confirmation,  // the window's word that it worked ("Wave saved"); the command-line tool stays quiet
    };
    std::string text;
    MessageIcon icon = MessageIcon::Warning;
    Kind kind = Kind::Note;

    bool operator==(const Message&) const = default;
};

class Result {
public:
    // Success with nothing to say.
    Result() = default;

    static Result Failure(std::string text, MessageIcon icon = MessageIcon::Warning);
    // A failure the user chose (a settings dialog left with "Close"): nothing to tell.
    static Result Declined();
    // The user stopped the operation part-way: nothing to tell, and nothing of it is left behind.
    static Result Cancelled();
    // Carries the information icon.
    static Result Confirmation(std::string text);

    // A message that does not end the operation.
    Result& AddNote(std::string text, MessageIcon icon = MessageIcon::Warning);
    // Takes over the other's messages after this one's; a failed other fails this one too.
    Result& Append(const Result& other);
    // The next step of a chain: runs it and appends its result only while everything so far succeeded.
    template <typename Step>
    Result& AndThen(Step&& step) {
        if (Ok()) {
            Append(step());
        }
        return *this;
    }

    bool Ok() const { return !m_failed; }
    bool WasCancelled() const { return m_cancelled; }
    explicit operator bool() const { return Ok(); }

    const std::vector<Message>& Messages() const { return m_messages; }
    // The texts of every message, in order.
    std::vector<std::string> Texts() const;
    // The text of the message that ended the operation; empty for a success or a declined one.
    std::string FailureText() const;

private:
    bool m_failed = false;
    bool m_cancelled = false;
    std::vector<Message> m_messages;
};

}  // namespace tressel
