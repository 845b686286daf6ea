#pragma once
// Shared pieces of the fuzz harnesses: a scratch file per process for the code paths that only read files,
// a feedback that records what the core tells the user, and a check that aborts loudly (libFuzzer keeps
// the input that made it fail).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Feedback.h"

namespace tressel::fuzz {

#define FUZZ_CHECK(condition)                                                                          \
    do {                                                                                               \
        if (!(condition)) {                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);        \
            std::abort();                                                                              \
        }                                                                                              \
    } while (false)

// A path of our own in the temporary folder; the file is removed when the process ends normally.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& suffix);
    ~ScratchFile();  // also removes a folder of the same name with ".d" appended
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Folder() const { return m_path + ".d"; }
    void Write(const std::uint8_t* data, std::size_t size) const;
    void Write(const std::vector<std::uint8_t>& bytes) const { Write(bytes.data(), bytes.size()); }

private:
    std::string m_path;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);
inline void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteWholeFile(path, bytes.data(), bytes.size());
}

class ProgressRecorder final : public ProgressSink {
public:
    void SetRange(int low, int high) override {
        m_low = low;
        m_high = high;
    }
    void Show() override {}
    void SetPosition(int position) override {
        // A position outside the range would show a bar running backwards or past its end.
        FUZZ_CHECK(position >= m_low && position <= m_high);
    }

private:
    int m_low = 0;
    int m_high = 0;
};

class RecordingFeedback final : public Feedback {
public:
    void ShowMessage(std::string_view text, MessageIcon) override { messages.emplace_back(text); }
    std::unique_ptr<ProgressSink> CreateProgress() override { return std::make_unique<ProgressRecorder>(); }
    // Records the messages of an operation's result as if they had been shown; answers whether it succeeded.
    bool Take(const Result& result) {
        ShowMessages(*this, result);
        return result.Ok();
    }

    std::vector<std::string> messages;
};

// Diagnostics that the decoder prints to standard output cost time and say nothing here.
void SilenceStandardOutput();

// The bytes as upper-case hexadecimal text (a line break every 32 bytes, CR LF when asked): the text form
// of an MPEG audio stream, so that every binary input is also explored through the text reader.
std::vector<std::uint8_t> AsHexText(const std::uint8_t* data, std::size_t size, bool crlf);

// The decoder's progress calls: 0 once before the first frame, then the frames decoded so far before each
// frame (0, 0, 1, 2, ...), and -1 once at the end.
class ProgressProtocol {
public:
    void operator()(int value) {
        FUZZ_CHECK(!m_ended);
        if (value == -1) {
            m_ended = true;
            return;
        }
        FUZZ_CHECK(value == m_next);
        if (m_opened) {
            ++m_next;
        }
        m_opened = true;
    }
    bool Ended() const { return m_ended; }
    bool Called() const { return m_opened || m_ended; }
    int Frames() const { return m_next; }

private:
    bool m_opened = false;
    bool m_ended = false;
    int m_next = 0;
};

}  // namespace tressel::fuzz
