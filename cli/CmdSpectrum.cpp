#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/InputFiles.h"
#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"

namespace tressel::cli {

bool ComputeAudioCurves(const std::string& path, ConsoleFeedback& feedback, AudioCurves& curves) {
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, path, feedback)) {
        return false;
    }
    curves.first.assign(kSpectrumBins, 0.0);
    curves.second.assign(kSpectrumBins, 0.0);
    curves.channels = wave.GetChannels();
    curves.sampleRate = wave.GetSamplesPerSecond();
    if (wave.IsPcm()) {
        wave.ComputeSpectrum(curves.first.data(), curves.second.data(), kSpectrumBins);
    }
    return !feedback.MessageShown();
}

namespace {

int RunSpectrum(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 1) {
        throw UsageError{"spectrum takes one audio file"};
    }
    AudioCurves curves;
    if (!ComputeAudioCurves(parsed.positionals[0], feedback, curves)) {
        return kOperationFailed;
    }
    for (int k = 0; k < kSpectrumBins; ++k) {
        std::printf("%d %.17g %.17g\n", k, curves.first[k], curves.second[k]);
    }
    return kSuccess;
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
