#pragma once
// The numbers behind the two Prism Data displays, computed from files the way the main window computes
// them; shared by the spectrum, response and plot subcommands.

#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/ConsoleFeedback.h"
#include "spectrum/PrismPlot.h"
#include "workbench/Arguments.h"

namespace tressel::cli {

struct AudioCurves {
    std::vector<double> first;   // kSpectrumBins values, channel 1 (or the only channel)
    std::vector<double> second;  // kSpectrumBins values, channel 2; zeros for mono
    int channels = 0;
    double sampleRate = 0.0;  // the wave's
};

// Loads IN as "Load Audio" does and computes the averaged spectrum of each channel.
Result ComputeAudioCurves(const std::string& path, ConsoleFeedback& feedback, AudioCurves& curves);

struct FilterTransform {
    std::vector<double> real;  // kSpectrumSize values
    std::vector<double> imag;
};

// Reads a filter file as "Select Filter" does and transforms its taps.
Result ComputeFilterTransform(const std::string& path, FilterTransform& transform);

// The plot and data export share their arguments: "(spectrum IN | response TAPS) OUT" with
// "--before IN2" (spectrum: IN2's spectrum as the state before the last command), "--rate HZ" (the
// sampling rate of the frequencies; a spectrum's own by default, 44100 for a response) and "--no-before".
inline const OptionTable kPlotOptions = {{"--before", "--rate"}, {"--no-before"}};

struct PlotRequest {
    std::string kind;  // "spectrum" or "response"
    std::string input;
    std::string output;
    const PrismWindowPlacement* placement = nullptr;
};

// Checks the positionals and options (UsageError otherwise).
PlotRequest ParsePlotRequest(const ParsedArguments& parsed, const std::string& command);

// Computes the numbers of the request and configures `plot` with them as the window shows them, view
// options included.
Result BuildPlot(const PlotRequest& request, const ParsedArguments& parsed, PrismViewOptions options,
               ConsoleFeedback& feedback, CPrismPlot& plot);

}  // namespace tressel::cli
