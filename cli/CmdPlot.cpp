// Renders a Prism Data window's content into a PNG file, without a display.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>

#include "audio/AtomicFileWriter.h"
#include "cli/CliCommand.h"
#include "cli/SpectrumCommands.h"
#include "workbench/Arguments.h"
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

Result WritePng(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    AtomicFileWriter writer(path);
    if (!writer.Open()) {
        return Result::Failure("Could not open File");
    }
    if (!writer.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        return FileError(error, path);
    }
    return {};
}

int RunPlot(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, {{"--size"}, {}}, parsed));
    if (parsed.positionals.size() != 3) {
        throw UsageError{"plot takes a kind (spectrum or response), an input file and an output file"};
    }
    const std::string& kind = parsed.positionals[0];
    const std::string& input = parsed.positionals[1];
    const std::string& output = parsed.positionals[2];
    if (kind != "spectrum" && kind != "response") {
        throw UsageError{"plot kind must be spectrum or response: " + kind};
    }
    const PrismWindowPlacement& placement = kind == "spectrum" ? kAudioWindowPlacement : kFilterWindowPlacement;
    const QSize size = parsed.Has("--size") ? ParseSize(parsed.Value("--size", ""))
                                            : QSize(placement.Width(), placement.Height());

    CPrismPlot plot;
    AudioCurves curves;
    FilterTransform transform;
    if (kind == "spectrum") {
        if (const Result computed = ComputeAudioCurves(input, feedback, curves); !computed) {
            return Finish(computed, feedback);
        }
        plot.SetData(curves.first.data(), curves.second.data(), kSpectrumBins);
        plot.Configure(AudioWindowConfiguration(curves.channels));
    } else {
        if (const Result computed = ComputeFilterTransform(input, transform); !computed) {
            return Finish(computed, feedback);
        }
        plot.SetData(transform.real.data(), transform.imag.data(), kSpectrumBins);
        plot.Configure(FilterWindowConfiguration());
    }
    plot.UpdateCurves();

    const auto application = StartGui();
    const CPrismPlotPainter painter(Qt::black, Qt::white);
    const QImage image = painter.Render(plot, size);
    return Finish(WritePng(image, output), feedback);
}

const CliCommandRegistration registration({
    "plot",
    "plot (spectrum IN | response TAPS) OUT.png [--size WxH]",
    "  Renders the Prism Data window that \"Display Audio\" (spectrum) or \"Display Filter\" (response)\n"
    "  shows into a PNG image, at the window's initial size (350x250) or the given one. Runs without a\n"
    "  display (the offscreen platform unless QT_QPA_PLATFORM says otherwise).",
    RunPlot,
});

}  // namespace
}  // namespace tressel::cli
