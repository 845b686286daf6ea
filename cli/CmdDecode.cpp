#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "mp3dec/decoder.h"

namespace tressel::cli {
namespace {

// The output is written under a temporary name in the target's folder and renamed only after a
// successful decode, so a failure never leaves a partial OUT behind.
class TemporaryOutput {
public:
    explicit TemporaryOutput(const std::string& target) : m_target(target), m_path(target + ".XXXXXX") {
        const int descriptor = mkstemp(m_path.data());
        if (descriptor < 0) return;
        m_file = fdopen(descriptor, "w+b");
        if (m_file == nullptr) {
            close(descriptor);
            std::remove(m_path.c_str());
        }
    }
    ~TemporaryOutput() {
        if (m_file != nullptr) std::fclose(m_file);
        if (!m_committed) std::remove(m_path.c_str());
    }
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    std::FILE* File() const { return m_file; }

    bool Commit() {
        const bool flushed = std::fflush(m_file) == 0 && fsync(fileno(m_file)) == 0;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!flushed || !closed || std::rename(m_path.c_str(), m_target.c_str()) != 0) return false;
        m_committed = true;
        return true;
    }

private:
    std::string m_target;
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

void ShowFramesOnTerminal(int frames) {
    if (frames < 0) {
        std::fputc('\n', stderr);
        return;
    }
    std::fprintf(stderr, "\rFrames Decoded: %i", frames);
}

int RunDecode(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 2) {
        throw UsageError{"decode takes an input file and an output WAV file"};
    }
    TemporaryOutput output(parsed.positionals[1]);
    if (output.File() == nullptr) {
        feedback.ShowMessage("Open failed on temporary file");
        return kOperationFailed;
    }
    mp3dec::DecodeProgressFn progress;
    if (isatty(fileno(stderr)) != 0) progress = ShowFramesOnTerminal;
    const bool decoded = DecodeMp3ToWave(parsed.positionals[0], output.File(), progress);
    std::fflush(stdout);
    if (!decoded || !output.Commit()) {
        feedback.ShowMessage("Failed to decode MP3 file");
        return kOperationFailed;
    }
    return kSuccess;
}

const CliCommandRegistration registration({
    "decode",
    "decode IN OUT.wav",
    "  Decodes an MPEG audio file (Layer I, II or III) into a 16-bit PCM WAV file.",
    RunDecode,
});

}  // namespace
}  // namespace tressel::cli
