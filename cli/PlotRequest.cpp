// What the plot and plot-data subcommands share: which window's numbers they compute, from which files,
// and the plot those numbers give.

#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"

namespace tressel::cli {

PlotRequest ParsePlotRequest(const ParsedArguments& parsed, const std::string& command) {
    if (parsed.positionals.size() != 3) {
        throw UsageError{command + " takes a kind (spectrum or response), an input file and an output file"};
    }
    PlotRequest request{parsed.positionals[0], parsed.positionals[1], parsed.positionals[2], nullptr};
    if (request.kind == "spectrum") {
        request.placement = &kAudioWindowPlacement;
    } else if (request.kind == "response") {
        request.placement = &kFilterWindowPlacement;
        if (parsed.Has("--before")) {
            throw UsageError{"--before compares spectra; a response has nothing before it"};
        }
    } else {
        throw UsageError{command + " kind must be spectrum or response: " + request.kind};
    }
    if (parsed.Has("--rate") && !(ParseDouble(parsed.Value("--rate", ""), "--rate") > 0)) {
        throw UsageError{"--rate must be above 0"};
    }
    return request;
}

namespace {

bool BuildSpectrumPlot(const PlotRequest& request, const ParsedArguments& parsed, PrismViewOptions& options,
                       ConsoleFeedback& feedback, CPrismPlot& plot) {
    AudioCurves curves;
    if (!ComputeAudioCurves(request.input, feedback, curves)) {
        return false;
    }
    AudioCurves before;
    if (parsed.Has("--before") && !ComputeAudioCurves(parsed.Value("--before", ""), feedback, before)) {
        return false;
    }
    options.sampleRate = DisplaySampleRate(curves.sampleRate);
    plot.SetData(curves.first.data(), curves.second.data(), kSpectrumBins);
    plot.Configure(AudioWindowConfiguration(curves.channels));
    plot.SetCurveNames(AudioWindowCurveNames());
    plot.UpdateCurves();
    if (parsed.Has("--before")) {
        plot.SetBeforeData(before.first, before.second);
    }
    return true;
}

bool BuildResponsePlot(const PlotRequest& request, PrismViewOptions& options, ConsoleFeedback& feedback,
                       CPrismPlot& plot) {
    FilterTransform transform;
    if (!ComputeFilterTransform(request.input, feedback, transform)) {
        return false;
    }
    options.sampleRate = kDefaultDisplayRate;
    plot.SetData(transform.real.data(), transform.imag.data(), kSpectrumBins);
    plot.Configure(FilterWindowConfiguration());
    plot.SetCurveNames(FilterWindowCurveNames());
    plot.UpdateCurves();
    return true;
}

}  // namespace

bool BuildPlot(const PlotRequest& request, const ParsedArguments& parsed, PrismViewOptions options,
               ConsoleFeedback& feedback, CPrismPlot& plot) {
    const bool built = request.kind == "spectrum" ? BuildSpectrumPlot(request, parsed, options, feedback, plot)
                                                  : BuildResponsePlot(request, options, feedback, plot);
    if (!built) {
        return false;
    }
    if (parsed.Has("--rate")) {
        options.sampleRate = ParseDouble(parsed.Value("--rate", ""), "--rate");
    }
    plot.SetViewOptions(options);
    return true;
}

}  // namespace tressel::cli
