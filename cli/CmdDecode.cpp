#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/AtomicFileWriter.h"
#include "audio/Feedback.h"
#include "cli/CliCommand.h"
#include "workbench/Arguments.h"
#include "mp3dec/decoder.h"

namespace tressel::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using ScratchFile = std::unique_ptr<std::FILE, FileCloser>;

void ShowFramesOnTerminal(int frames) {
    if (frames < 0) {
        std::fputc('\n', stderr);
        return;
    }
    std::fprintf(stderr, "\rFrames Decoded: %i", frames);
}

// Copies the decoded WAV (rewound by the decoder) to OUT, replacing OUT only once it is complete.
bool CopyToOutput(std::FILE* decoded, const std::string& path, ConsoleFeedback& feedback) {
    AtomicFileWriter writer(path);
    if (!writer.Open()) {
        feedback.ShowMessage(FileErrorText(writer.LastError(), path));
        return false;
    }
    unsigned char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, decoded)) > 0) {
        if (!writer.Write(buffer, got)) {
            feedback.ShowMessage(FileErrorText(writer.LastError(), path));
            return false;
        }
    }
    if (std::ferror(decoded) != 0) {
        feedback.ShowMessage(FileErrorText(EIO, path));
        return false;
    }
    if (!writer.Commit()) {
        feedback.ShowMessage(FileErrorText(writer.LastError(), path));
        return false;
    }
    return true;
}

int RunDecode(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, {}, parsed));
    if (parsed.positionals.size() != 2) {
        throw UsageError{"decode takes an input file and an output WAV file"};
    }
    // The decoder writes the samples first and the header last, so it needs a file it can seek in.
    ScratchFile scratch(std::tmpfile());
    if (!scratch) {
        feedback.ShowMessage("Open failed on temporary file");
        return kOperationFailed;
    }
    mp3dec::DecodeProgressFn progress;
    if (isatty(fileno(stderr)) != 0) progress = ShowFramesOnTerminal;
    const bool decoded = DecodeMp3ToWave(parsed.positionals[0], scratch.get(), progress);
    std::fflush(stdout);
    if (!decoded) {
        feedback.ShowMessage("Failed to decode MP3 file");
        return kOperationFailed;
    }
    return CopyToOutput(scratch.get(), parsed.positionals[1], feedback) ? kSuccess : kOperationFailed;
}

const CliCommandRegistration registration({
    "decode",
    "decode IN OUT.wav",
    "  Decodes an MPEG audio file (Layer I, II or III) into a 16-bit PCM WAV file.",
    RunDecode,
});

}  // namespace
}  // namespace tressel::cli
