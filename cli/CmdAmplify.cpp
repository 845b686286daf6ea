#include <cmath>

#include "cli/CliCommand.h"
#include "cli/InputFiles.h"

namespace tressel::cli {
namespace {

double ParseGain(const std::string& text, const std::string& what) {
    const double gain = ParseDouble(text, what);
    if (!std::isfinite(gain)) {
        throw UsageError{what + " must be a finite number: " + text};
    }
    return gain;
}

int RunAmplify(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 4) {
        throw UsageError{"amplify takes two gains and two files"};
    }
    const double gain1 = ParseGain(parsed.positionals[0], "GAIN1");
    const double gain2 = ParseGain(parsed.positionals[1], "GAIN2");
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, parsed.positionals[2], feedback)) {
        return kOperationFailed;
    }
    wave.ApplyGains(gain1, gain2);
    if (feedback.MessageShown()) {
        return kOperationFailed;
    }
    return SaveOutputWave(wave, parsed.positionals[3], feedback) ? kSuccess : kOperationFailed;
}

const CliCommandRegistration registration({
    "amplify",
    "amplify GAIN1 GAIN2 IN OUT",
    "  Multiplies every sample of channel 1 by GAIN1 and of channel 2 by GAIN2 (ignored for mono), as the\n"
    "  Amplify dialog's \"Apply\" does; results beyond the sample range are clipped. See \"gains\" for the\n"
    "  proposals that bring each channel's peak to full scale.",
    RunAmplify,
});

}  // namespace
}  // namespace tressel::cli
