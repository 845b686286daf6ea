#include "cli/CliCommand.h"
#include "cli/InputFiles.h"

namespace tressel::cli {
namespace {

struct ChannelChoice {
    int channel1;
    int channel2;
};

// "1", "2" or both in either order, as the main window's two check boxes.
ChannelChoice ParseChannels(const std::string& text) {
    if (text == "1") {
        return {1, 0};
    }
    if (text == "2") {
        return {0, 1};
    }
    if (text == "1,2" || text == "2,1") {
        return {1, 1};
    }
    throw UsageError{"--channels must be 1, 2 or 1,2: " + text};
}

int RunMedian(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {"--channels"}, {});
    if (parsed.positionals.size() != 3) {
        throw UsageError{"median takes a length and two files"};
    }
    const int length = ParseInt(parsed.positionals[0], "LENGTH");
    const ChannelChoice channels = ParseChannels(parsed.Value("--channels", "1,2"));
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!LoadInputAudio(wave, parsed.positionals[1], feedback)) {
        return kOperationFailed;
    }
    if (!wave.IsPcm()) {
        feedback.ShowMessage("No valid Wave file loaded");
        return kOperationFailed;
    }
    wave.ApplyMedian(length, channels.channel1, channels.channel2);
    if (feedback.MessageShown()) {
        return kOperationFailed;
    }
    return SaveOutputWave(wave, parsed.positionals[2], feedback) ? kSuccess : kOperationFailed;
}

const CliCommandRegistration registration({
    "median",
    "median LENGTH IN OUT [--channels 1|2|1,2]",
    "  Replaces every sample of the chosen channels (both by default; a mono file always has its one) by the\n"
    "  median of the LENGTH samples centred on it, as the Median Filter window's \"Apply\" does. The first\n"
    "  LENGTH / 2 samples become silence and the last LENGTH samples keep their values. LENGTH is 1 to 33;\n"
    "  the window offers the odd lengths 3 to 33.",
    RunMedian,
});

}  // namespace
}  // namespace tressel::cli
