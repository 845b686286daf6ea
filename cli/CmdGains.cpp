#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/InputFiles.h"

namespace tressel::cli {
namespace {

int RunGains(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 1) {
        throw UsageError{"gains takes one file"};
    }
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, parsed.positionals[0], feedback)) {
        return kOperationFailed;
    }
    double gain1 = 0.0;
    double gain2 = 0.0;
    wave.MeasureGains(gain1, gain2);
    if (feedback.MessageShown()) {
        return kOperationFailed;
    }
    std::printf("%.*g\n%.*g\n", 15, gain1, 15, gain2);
    return kSuccess;
}

const CliCommandRegistration registration({
    "gains",
    "gains FILE",
    "  Prints the gains the Amplify dialog proposes, one line per channel: full scale over the channel's\n"
    "  largest magnitude. A missing channel 2 prints 0; a silent channel prints 1.",
    RunGains,
});

}  // namespace
}  // namespace tressel::cli
