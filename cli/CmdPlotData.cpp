// Writes the numbers a Prism Data window shows as the CSV table of its "Save Data...".

#include "audio/FileExport.h"
#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "cli/SpectrumCommands.h"

namespace tressel::cli {
namespace {

int RunPlotData(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, kPlotOptions, parsed));
    const PlotRequest request = ParsePlotRequest(parsed, "plot-data");
    PrismViewOptions options;
    options.showBefore = !parsed.Has("--no-before");
    CPrismPlot plot;
    Result result = BuildPlot(request, parsed, options, feedback, plot);
    result.AndThen([&] { return AboutFile(request.output, ExportFile(request.output, PrismDataCsv(plot))); });
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "plot-data",
    "plot-data (spectrum IN | response TAPS) OUT.csv [--rate HZ] [--before IN2] [--no-before]",
    "  Writes what the Prism Data window of \"Display Audio\" (spectrum) or \"Display Filter\" (response)\n"
    "  plots as its \"Save Data...\" does: a CSV table with a header line and one line per bin, \"bin,\n"
    "  frequency in Hz, curve values\" (each channel's level in dB, or the filter's magnitude in dB and\n"
    "  phase in radians). Frequencies follow IN's sampling rate, or 44100 Hz for a response, unless\n"
    "  --rate says otherwise. --before adds IN2's levels as the state before the last command.",
    RunPlotData,
});

}  // namespace
}  // namespace tressel::cli
