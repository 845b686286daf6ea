#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

int RunAmplify(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    AmplifyStep gains;
    std::vector<std::string> files;
    RequireValid(ParseAmplifyArguments(arguments, {"an input", "an output"}, gains, files));
    Workbench workbench(&feedback);
    Result result = LoadInput(workbench, files[0], feedback);
    result.AndThen([&] { return AboutFile(files[0], workbench.Amplify(gains.gain1, gains.gain2)); });
    result.AndThen([&] { return AboutFile(files[1], workbench.SaveWave(files[1])); });
    return Finish(result, feedback);
}

int RunNormalize(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("normalize", arguments, {"an input", "an output"}, files));
    Workbench workbench(&feedback);
    Result result = LoadInput(workbench, files[0], feedback);
    result.AndThen([&] { return AboutFile(files[0], workbench.Normalize()); });
    result.AndThen([&] { return AboutFile(files[1], workbench.SaveWave(files[1])); });
    return Finish(result, feedback);
}

const CliCommandRegistration amplify({
    "amplify",
    "amplify GAIN1 GAIN2 IN OUT",
    "  Multiplies every sample of channel 1 by GAIN1 and of channel 2 by GAIN2 (ignored for mono), as the\n"
    "  Amplify dialog's \"Apply\" does; results beyond the sample range are clipped. See \"gains\" for the\n"
    "  proposals that bring each channel's peak to full scale.",
    RunAmplify,
});

const CliCommandRegistration normalize({
    "normalize",
    "normalize IN OUT",
    "  Amplifies each channel by the gain the Amplify dialog proposes (what \"gains\" prints), which brings\n"
    "  its peak to full scale; a silent channel stays as it is.",
    RunNormalize,
});

}  // namespace
}  // namespace tressel::cli
