#include "cli/CliCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace tressel::cli {

namespace {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

// The frame count on one rewritten line, for a person watching; scripts reading a pipe see nothing.
void ShowFramesOnTerminal(int frames) {
    if (frames >= 0) {
        std::fprintf(stderr, "\rFrames Decoded: %i", frames);
    } else {
        std::fputs("\n", stderr);
    }
}

LoadOptions ConsoleLoadOptions(bool showFrames) {
    LoadOptions options;
    if (showFrames) {
        options.mp3.progress = ShowFramesOnTerminal;
    }
    options.mp3.diagnostics = [](const mp3dec::Diagnostic& diagnostic) {
        std::fputs(diagnostic.text.c_str(), stderr);
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

Result LoadInput(Workbench& workbench, const std::string& path) {
    std::fflush(stdout);
    return workbench.LoadAudio(path, ConsoleLoadOptions(::isatty(STDERR_FILENO) != 0));
}

}  // namespace tressel::cli
