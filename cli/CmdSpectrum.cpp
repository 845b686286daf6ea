#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {

Result ComputeAudioCurves(const std::string& path, ConsoleFeedback& feedback, AudioCurves& curves) {
    Workbench workbench(&feedback);
    Result result = LoadInput(workbench, path, feedback);
    curves.first.assign(kSpectrumBins, 0.0);
    curves.second.assign(kSpectrumBins, 0.0);
    curves.channels = workbench.Wave().GetChannels();
    curves.sampleRate = workbench.Wave().GetSamplesPerSecond();
    return result.AndThen([&] { return AboutFile(path, workbench.ComputeAudioSpectrum(curves.first.data(), curves.second.data())); });
}

namespace {

int RunSpectrum(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("spectrum", arguments, {"one audio file"}, files));
    AudioCurves curves;
    const Result result = ComputeAudioCurves(files[0], feedback, curves);
    if (result) {
        for (int k = 0; k < kSpectrumBins; ++k) {
            std::printf("%d %.17g %.17g\n", k, curves.first[k], curves.second[k]);
        }
    }
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "spectrum",
    "spectrum IN",
    "  Prints the averaged magnitude spectrum that \"Display Audio\" plots: 1024 lines \"k c1 c2\", bin k\n"
    "  standing for k/2048 of the sampling rate, c1 for channel 1 and c2 for channel 2 (0 for mono).\n"
    "  Bin 0 is always 1.",
    RunSpectrum,
});

}  // namespace
}  // namespace tressel::cli
