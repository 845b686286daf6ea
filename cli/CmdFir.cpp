#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "cli/CliCommand.h"
#include "cli/InputFiles.h"
#include "dsp/FilterCoefficients.h"

namespace tressel::cli {
namespace {

// A mixer level as the main window stores it: a single-precision float.
float ParseLevel(const std::string& text, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        throw UsageError{what + " must be a number: " + text};
    }
    return value;
}

struct ChannelChoice {
    int channel1 = 1;
    int channel2 = 1;
};

ChannelChoice ParseChannels(const std::string& text) {
    if (text == "1") {
        return {1, 0};
    }
    if (text == "2") {
        return {0, 1};
    }
    if (text == "1,2") {
        return {1, 1};
    }
    throw UsageError{"--channels must be 1, 2 or 1,2: " + text};
}

int RunFir(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {"--original", "--filtered", "--channels"}, {});
    if (parsed.positionals.size() != 3) {
        throw UsageError{"fir takes a filter file, an input and an output"};
    }
    const float originalLevel = ParseLevel(parsed.Value("--original", "0"), "--original");
    const float filteredLevel = ParseLevel(parsed.Value("--filtered", "1"), "--filtered");
    const ChannelChoice channels = ParseChannels(parsed.Value("--channels", "1,2"));
    const std::string& tapsPath = parsed.positionals[0];
    const std::string& inputPath = parsed.positionals[1];
    const std::string& outputPath = parsed.positionals[2];

    CFilterCoefficients filter;
    if (!filter.Read(tapsPath)) {
        feedback.ShowMessage("Could not open file");
        return kOperationFailed;
    }
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, inputPath, feedback)) {
        return kOperationFailed;
    }
    // The checks of "Apply Filter", in its order.
    if (filter.GetCount() <= 0) {
        feedback.ShowMessage("No filter specified");
        return kOperationFailed;
    }
    if (!wave.IsPcm()) {
        feedback.ShowMessage("No valid Wave file loaded");
        return kOperationFailed;
    }
    wave.ApplyFir(filter.GetCoefficients(), filter.GetCount(), channels.channel1, channels.channel2, filteredLevel,
                  originalLevel);
    if (feedback.MessageShown()) {
        return kOperationFailed;
    }
    return SaveOutputWave(wave, outputPath, feedback) ? kSuccess : kOperationFailed;
}

const CliCommandRegistration registration({
    "fir",
    "fir TAPS IN OUT [--original X] [--filtered Y] [--channels 1|2|1,2]",
    "  Reads the filter file TAPS as \"Select Filter\" does and runs \"Apply Filter\" on IN, writing OUT as\n"
    "  \"Save Audio\" writes a WAV file. --original and --filtered are the mixer levels (defaults 0 and 1):\n"
    "  each output is filtered * filter output + original * input, clipped. --channels picks the channels of a\n"
    "  stereo wave (default both); a mono wave is always filtered.",
    RunFir,
});

}  // namespace
}  // namespace tressel::cli
