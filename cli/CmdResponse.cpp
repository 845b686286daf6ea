#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/SpectrumCommands.h"
#include "dsp/FilterCoefficients.h"
#include "spectrum/FilterResponse.h"

namespace tressel::cli {

bool ComputeFilterTransform(const std::string& path, ConsoleFeedback& feedback, FilterTransform& transform) {
    CFilterCoefficients filter;
    if (!filter.Read(path)) {
        feedback.ShowMessage("Could not open file");
        return false;
    }
    transform.real.assign(kSpectrumSize, 0.0);
    transform.imag.assign(kSpectrumSize, 0.0);
    ComputeFilterResponse(filter.GetCoefficients(), filter.GetCount(), transform.real.data(), transform.imag.data(),
                          &feedback);
    return !feedback.MessageShown();
}

namespace {

int RunResponse(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    const ParsedArguments parsed = ParseArguments(arguments, {}, {});
    if (parsed.positionals.size() != 1) {
        throw UsageError{"response takes one filter file"};
    }
    FilterTransform transform;
    if (!ComputeFilterTransform(parsed.positionals[0], feedback, transform)) {
        return kOperationFailed;
    }
    for (int k = 0; k < kSpectrumBins; ++k) {
        std::printf("%d %.17g %.17g\n", k, transform.real[k], transform.imag[k]);
    }
    return kSuccess;
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
