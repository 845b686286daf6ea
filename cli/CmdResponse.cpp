#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/CliCommand.h"
#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"

namespace tressel::cli {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The text-to-double conversion of filter files: like atof, but a Fortran-style exponent letter d or D
// counts as e.
double ParseTap(const char* line) {
    std::string text(line);
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
        ++i;
    }
    if (i < text.size() && (text[i] == 'd' || text[i] == 'D')) {
        text[i] = 'e';
    }
    return std::atof(text.c_str());
}

// Reads the taps of a filter file with the filter set's line rules (256-byte reads with the line ends
// kept, ";" comments, lines of 3 characters or fewer ignored, at least 3 taps).
// TODO(merge): replace with CFilterCoefficients::Read once the filter set is on this branch.
bool ReadTaps(const std::string& path, std::vector<double>& taps) {
    taps.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    char line[256];
    while (std::fgets(line, sizeof line, file.get())) {
        if (line[0] == ';' || std::strlen(line) <= 3) {
            continue;
        }
        taps.push_back(ParseTap(line));
    }
    if (taps.size() < 3) {
        taps.clear();
        return false;
    }
    return true;
}

}  // namespace

bool ComputeFilterTransform(const std::string& path, ConsoleFeedback& feedback, FilterTransform& transform) {
    std::vector<double> taps;
    if (!ReadTaps(path, taps)) {
        feedback.ShowMessage("Could not open file");
        return false;
    }
    transform.real.assign(kSpectrumSize, 0.0);
    transform.imag.assign(kSpectrumSize, 0.0);
    ComputeFilterResponse(taps.data(), static_cast<int>(taps.size()), transform.real.data(), transform.imag.data(),
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
