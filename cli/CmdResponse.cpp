#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {

Result ComputeFilterTransform(const std::string& path, FilterTransform& transform) {
    Workbench workbench;
    transform.real.assign(kSpectrumSize, 0.0);
    transform.imag.assign(kSpectrumSize, 0.0);
    Result result = workbench.SelectFilter(path);
    result.AndThen([&] { return workbench.ComputeFilterResponse(transform.real.data(), transform.imag.data()); });
    return AboutFile(path, result);
}

namespace {

int RunResponse(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    std::vector<std::string> files;
    RequireValid(ParseFilesOnly("response", arguments, {"one filter file"}, files));
    FilterTransform transform;
    const Result result = ComputeFilterTransform(files[0], transform);
    if (result) {
        for (int k = 0; k < kSpectrumBins; ++k) {
            std::printf("%d %.17g %.17g\n", k, transform.real[k], transform.imag[k]);
        }
    }
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "response",
    "response TAPS",
    "  Prints the filter response that \"Display Filter\" plots: 1024 lines \"k re im\", bins 0 to 1023 of\n"
    "  the 2048-point transform of the taps (the first 2048 taps of a longer filter).",
    RunResponse,
});

}  // namespace
}  // namespace tressel::cli
