#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

int RunGains(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("gains", arguments, {"one file"}, files));
    Workbench workbench(&feedback);
    double gain1 = 0.0;
    double gain2 = 0.0;
    Result result = LoadInput(workbench, files[0], feedback);
    result.AndThen([&] { return AboutFile(files[0], workbench.MeasureGains(gain1, gain2)); });
    if (result) {
        std::printf("%.*g\n%.*g\n", 15, gain1, 15, gain2);
    }
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "gains",
    "gains FILE",
    "  Prints the gains the Amplify dialog proposes, one line per channel: full scale over the channel's\n"
    "  largest magnitude. A missing channel 2 prints 0; a silent channel prints 1.",
    RunGains,
});

}  // namespace
}  // namespace tressel::cli
