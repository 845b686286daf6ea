#include <cstdio>

#include "audio/WaveFiles.h"
#include "cli/CliCommand.h"
#include "cli/InputFiles.h"

namespace tressel::cli {
namespace {

int RunInfo(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 1) {
        throw UsageError{"info takes one file"};
    }
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, parsed.positionals[0], feedback)) {
        return kOperationFailed;
    }
    std::printf("Channels: %i\nSamplesPerSecond: %i\nBitsPerSample: %i\nDataLength: %i\n",
                static_cast<int>(wave.GetChannels()), static_cast<int>(wave.GetSamplesPerSecond()),
                static_cast<int>(wave.GetBitsPerSample()), static_cast<int>(wave.GetDataLength()));
    return kSuccess;
}

const CliCommandRegistration registration({
    "info",
    "info FILE",
    "  Prints the main window's wave read-outs: Channels, SamplesPerSecond, BitsPerSample, DataLength.",
    RunInfo,
});

}  // namespace
}  // namespace tressel::cli
