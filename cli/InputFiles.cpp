#include "cli/InputFiles.h"

#include <unistd.h>

#include <cstdio>

#include "audio/Mp3Import.h"
#include "audio/WaveFiles.h"

namespace tressel::cli {

namespace {

// The frame count on one rewritten line, for a person watching; scripts reading a pipe see nothing.
void ShowFramesOnTerminal(int frames) {
    if (frames >= 0) {
        std::fprintf(stderr, "\rFrames Decoded: %i", frames);
    } else {
        std::fputs("\n", stderr);
    }
}

// The decoder reports on standard output; while a subcommand imports its input, those lines go to standard
// error instead, so they never mix with the data a subcommand prints.
class DecoderReportsToStandardError {
public:
    DecoderReportsToStandardError() {
        std::fflush(stdout);
        m_savedOutput = ::dup(STDOUT_FILENO);
        if (m_savedOutput >= 0) {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
        }
    }
    ~DecoderReportsToStandardError() {
        std::fflush(stdout);
        if (m_savedOutput >= 0) {
            ::dup2(m_savedOutput, STDOUT_FILENO);
            ::close(m_savedOutput);
        }
    }
    DecoderReportsToStandardError(const DecoderReportsToStandardError&) = delete;
    DecoderReportsToStandardError& operator=(const DecoderReportsToStandardError&) = delete;

private:
    int m_savedOutput = -1;
};

}  // namespace

bool LoadInputAudio(CWave& wave, const std::string& path, ConsoleFeedback& feedback) {
    if (LowerCaseExtension(path) == "wav") {
        return LoadWaveFile(wave, path, feedback);
    }
    Mp3ImportHooks hooks;
    if (::isatty(STDERR_FILENO)) {
        hooks.progress = ShowFramesOnTerminal;
    }
    std::optional<std::string> temporaryName;
    bool loaded = false;
    {
        const DecoderReportsToStandardError quietOutput;
        loaded = ImportMp3(wave, path, feedback, temporaryName, hooks);
    }
    // The wave holds the whole decoded image, so its temporary file is no longer needed.
    if (temporaryName) {
        std::remove(temporaryName->c_str());
    }
    return loaded && !feedback.MessageShown();
}

bool SaveOutputWave(CWave& wave, const std::string& path, ConsoleFeedback& feedback) {
    return SaveWaveFile(wave, path, feedback);
}

}  // namespace tressel::cli
