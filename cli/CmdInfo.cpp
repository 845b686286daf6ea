#include <cstdio>
#include <optional>

#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/AudioFiles.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

void PrintFormat(const WaveFormat& format) {
    std::printf("Channels: %i\nSamplesPerSecond: %i\nBitsPerSample: %i\nDataLength: %i\n",
                static_cast<int>(format.channels), static_cast<int>(format.samplesPerSecond),
                static_cast<int>(format.bitsPerSample), static_cast<int>(format.dataLength));
}

int RunInfo(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("info", arguments, {"one file"}, files));
    // A WAV file whose first bytes settle the format needs no load; anything else is loaded whole, which
    // also gives the messages of a file that is refused.
    if (const std::optional<WaveFileStart> start = ReadWaveFileStart(files[0])) {
        PrintFormat(start->format);
        return Finish(Result(), feedback);
    }
    Workbench workbench(&feedback);
    const Result result = LoadInput(workbench, files[0], feedback);
    if (result) {
        PrintFormat(workbench.Wave().Format());
    }
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "info",
    "info FILE",
    "  Prints the main window's wave read-outs: Channels, SamplesPerSecond, BitsPerSample, DataLength.",
    RunInfo,
});

}  // namespace
}  // namespace tressel::cli
