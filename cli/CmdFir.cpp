#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"
#include "workbench/StreamedFir.h"

namespace tressel::cli {
namespace {

int RunFir(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    FirArguments fir;
    std::vector<std::string> files;
    RequireValid(ParseFirArguments(arguments, {"an input", "an output"}, fir, files));
    Workbench workbench(&feedback);
    Result result = AboutFile(fir.tapsFile, workbench.SelectFilter(fir.tapsFile));
    if (result) {
        const CFilterCoefficients& filter = workbench.Filter();
        const StreamedFirJob job{files[0], files[1], filter.GetCoefficients(), filter.GetCount(), fir.levels,
                                 fir.channels};
        if (std::optional<Result> streamed = FilterWaveFileStreamed(job, feedback)) {
            return Finish(AboutFile(files[1], *streamed), feedback);
        }
    }
    result.AndThen([&] { return LoadInput(workbench, files[0], feedback); });
    workbench.SetLevels(fir.levels);
    workbench.SetChannels(fir.channels);
    result.AndThen([&] { return AboutFile(files[0], workbench.ApplyFilter()); });
    result.AndThen([&] { return AboutFile(files[1], workbench.SaveWave(files[1])); });
    return Finish(result, feedback);
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
