// What the plot and plot-data subcommands share: which window's numbers they compute, from which files,
// and the plot those numbers give.

#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"

namespace tressel::cli {
namespace {

double ParseRate(const ParsedArguments& parsed) {
    double rate = 0.0;
    RequireValid(ParseNumber(parsed.Value("--rate", ""), "--rate", rate));
    return rate;
}

}  // namespace

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
    if (parsed.Has("--rate") && !(ParseRate(parsed) > 0)) {
        throw UsageError{"--rate must be above 0"};
    }
    return request;
}

namespace {

Result BuildSpectrumPlot(const PlotRequest& request, const ParsedArguments& parsed, PrismViewOptions& options,
                         ConsoleFeedback& feedback, CPrismPlot& plot) {
    AudioCurves curves;
    if (Result computed = ComputeAudioCurves(request.input, feedback, curves); !computed) {
        return computed;
    }
    AudioCurves before;
    if (parsed.Has("--before")) {
        if (Result computed = ComputeAudioCurves(parsed.Value("--before", ""), feedback, before); !computed) {
            return computed;
        }
    }
    options.sampleRate = DisplaySampleRate(curves.sampleRate);
    plot.SetData(curves.first.data(), curves.second.data(), kSpectrumBins);
    plot.Configure(AudioWindowConfiguration(curves.channels));
    plot.SetCurveNames(AudioWindowCurveNames());
    plot.UpdateCurves();
    if (parsed.Has("--before")) {
        plot.SetBeforeData(before.first, before.second);
    }
    return {};
}

Result BuildResponsePlot(const PlotRequest& request, PrismViewOptions& options, CPrismPlot& plot) {
    FilterTransform transform;
    if (Result computed = ComputeFilterTransform(request.input, transform); !computed) {
        return computed;
    }
    options.sampleRate = kDefaultDisplayRate;
    plot.SetData(transform.real.data(), transform.imag.data(), kSpectrumBins);
    plot.Configure(FilterWindowConfiguration());
    plot.SetCurveNames(FilterWindowCurveNames());
    plot.UpdateCurves();
    return {};
}

}  // namespace

Result BuildPlot(const PlotRequest& request, const ParsedArguments& parsed, PrismViewOptions options,
                 ConsoleFeedback& feedback, CPrismPlot& plot) {
    Result built = request.kind == "spectrum" ? BuildSpectrumPlot(request, parsed, options, feedback, plot)
                                              : BuildResponsePlot(request, options, plot);
    if (built) {
        if (parsed.Has("--rate")) {
            options.sampleRate = ParseRate(parsed);
        }
        plot.SetViewOptions(options);
    }
    return built;
}

}  // namespace tressel::cli
