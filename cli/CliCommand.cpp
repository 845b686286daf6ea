#include "cli/CliCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli/FileMessages.h"
#include "cli/TerminalFrameCount.h"

namespace tressel::cli {

namespace {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

// The frame count on one rewritten line, for a person watching; scripts reading a pipe see nothing.
LoadOptions ConsoleLoadOptions(bool showFrames, bool verbose) {
    LoadOptions options;
    if (showFrames) {
        const FrameCountHooks count = TerminalFrameCount();
        options.mp3.progress = count.progress;
        options.mp3.expectedFrames = count.expectedFrames;
    }
    // Unset, the decoder would print to standard output; a quiet run drops its remarks instead.
    options.mp3.diagnostics = [verbose](const mp3dec::Diagnostic& diagnostic) {
        if (verbose) {
            std::fputs(diagnostic.text.c_str(), stderr);
        }
    };
    return options;
}

}  // namespace

void RegisterCliCommand(CliCommand command) {
    auto& commands = Registry();
    const auto place = std::lower_bound(commands.begin(), commands.end(), command.name,
                                        [](const CliCommand& c, const std::string& n) { return c.name < n; });
    commands.insert(place, std::move(command));
}

const std::vector<CliCommand>& RegisteredCommands() {
    return Registry();
}

void RequireValid(const Result& parsed) {
    if (!parsed) {
        throw UsageError{parsed.FailureText()};
    }
}

int Finish(const Result& result, ConsoleFeedback& feedback) {
    feedback.Report(result);
    return result ? kSuccess : kOperationFailed;
}

Result LoadInput(Workbench& workbench, const std::string& path, const ConsoleFeedback& feedback) {
    std::fflush(stdout);
    const AudioFileKind kind = KindByName(path);
    Result result = CheckAudioKind(path, kind,
                                   kind == AudioFileKind::Wave ? "Not a valid Wave format" : "Failed to decode MP3 file");
    result.AndThen([&] {
        return workbench.LoadAudio(path, ConsoleLoadOptions(::isatty(STDERR_FILENO) != 0, feedback.Verbose()));
    });
    return AboutFile(path, result);
}

void PrintCommandHelp(const CliCommand& command) {
    std::printf("usage: tressel-cli %s\n\n%s\n\n"
                "  --verbose prints the MP3 decoder's remarks on its input; --help prints this text.\n",
                command.synopsis.c_str(), command.description.c_str());
}

}  // namespace tressel::cli
