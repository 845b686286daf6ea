#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

int RunMedian(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    MedianStep median;
    std::vector<std::string> files;
    RequireValid(ParseMedianArguments(arguments, {"an input", "an output"}, median, files));
    Workbench workbench(&feedback);
    workbench.SetChannels(median.channels);
    Result result = LoadInput(workbench, files[0], feedback);
    result.AndThen([&] { return AboutFile(files[0], workbench.ApplyMedian(median.length)); });
    result.AndThen([&] { return AboutFile(files[1], workbench.SaveWave(files[1])); });
    return Finish(result, feedback);
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
