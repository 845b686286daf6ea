// Renders a Prism Data window's content into a PNG or SVG file, without a display.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QByteArray>
#include <QGuiApplication>
#include <string_view>

#include "audio/FileExport.h"
#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "cli/SpectrumCommands.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/PrismPlot.h"
#include "spectrum/PrismPlotPainter.h"

namespace tressel::cli {
namespace {

QSize ParseSize(const std::string& text) {
    const auto cross = text.find('x');
    if (cross == std::string::npos) {
        throw UsageError{"--size must be WIDTHxHEIGHT: " + text};
    }
    int width = 0;
    int height = 0;
    RequireValid(ParseWholeNumber(text.substr(0, cross), "--size width", width));
    RequireValid(ParseWholeNumber(text.substr(cross + 1), "--size height", height));
    if (width < 1 || height < 1 || width > 10000 || height > 10000) {
        throw UsageError{"--size must be between 1x1 and 10000x10000: " + text};
    }
    return QSize(width, height);
}

// Qt's own notes (about runtime folders, fonts) are not the tool's messages; only fatal ones pass.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "tressel-cli: %s\n", text.toLocal8Bit().constData());
    }
}

// Fonts need a GUI application object; without a display the offscreen platform does.
std::unique_ptr<QGuiApplication> StartGui() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    qInstallMessageHandler(QuietQtMessages);
    static int argc = 1;
    static char name[] = "tressel-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

int RunPlot(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    OptionTable options = kPlotOptions;
    options.valueOptions.push_back("--size");
    options.flagOptions.insert(options.flagOptions.end(), {"--hz", "--log"});
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, options, parsed));
    const PlotRequest request = ParsePlotRequest(parsed, "plot");
    const QSize size = parsed.Has("--size") ? ParseSize(parsed.Value("--size", ""))
                                            : QSize(request.placement->Width(), request.placement->Height());
    PrismViewOptions view;
    view.frequencyInHz = parsed.Has("--hz");
    view.logarithmicFrequency = parsed.Has("--log");
    view.showBefore = !parsed.Has("--no-before");
    CPrismPlot plot;
    if (const Result built = BuildPlot(request, parsed, view, feedback, plot); !built) {
        return Finish(built, feedback);
    }
    const auto application = StartGui();
    const QByteArray bytes = RenderPrismImage(plot, size, ImageFormatForPath(request.output));
    const std::string_view image(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return Finish(AboutFile(request.output, ExportFile(request.output, image)), feedback);
}

const CliCommandRegistration registration({
    "plot",
    "plot (spectrum IN | response TAPS) OUT.png|OUT.svg [--size WxH] [--hz] [--log] [--rate HZ]\n"
    "     [--before IN2] [--no-before]",
    "  Renders the Prism Data window that \"Display Audio\" (spectrum) or \"Display Filter\" (response)\n"
    "  shows into a PNG image, or an SVG drawing for a name ending in \".svg\", as its \"Save Image...\"\n"
    "  writes it, at the window's initial size (350x250) or the given one. --hz labels the frequency axis\n"
    "  in Hz (\"Frequency in Hz\"), --log makes it logarithmic (\"Logarithmic frequency axis\"); the\n"
    "  frequencies are those of IN's sampling rate, or 44100 Hz for a response, unless --rate says\n"
    "  otherwise. --before draws IN2's spectrum behind IN's as the state before the last command\n"
    "  (--no-before leaves it out, as the window's entry does). Runs without a display (the offscreen\n"
    "  platform unless QT_QPA_PLATFORM says otherwise).",
    RunPlot,
});

}  // namespace
}  // namespace tressel::cli
