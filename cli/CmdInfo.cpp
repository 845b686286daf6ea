#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

int RunInfo(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("info", arguments, {"one file"}, files));
    Workbench workbench(&feedback);
    const Result result = LoadInput(workbench, files[0], feedback);
    if (result) {
        const WaveFormat format = workbench.Wave().Format();
        std::printf("Channels: %i\nSamplesPerSecond: %i\nBitsPerSample: %i\nDataLength: %i\n",
                    static_cast<int>(format.channels), static_cast<int>(format.samplesPerSecond),
                    static_cast<int>(format.bitsPerSample), static_cast<int>(format.dataLength));
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
