// Opens the real windows with a generated recording loaded and saves what they show as PNG files for the
// README. Run through scripts/screenshots.sh.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QSettings>
#include <QTest>
#include <cmath>
#include <cstdio>

#include "app/AboutDialog.h"
#include "app/AmplifyDialog.h"
#include "app/DialogUnits.h"
#include "app/EffectsDialog.h"
#include "app/FramesDecodedWindow.h"
#include "app/HelpViewer.h"
#include "app/MedianDialog.h"
#include "spectrum/PrismDataWindow.h"
#include "app/MainDialog.h"
#include "app/ProgressWindow.h"
#include "app/WaveViewHost.h"
#include "audio/WaveSamples.h"
#include "spectrum/FilterResponse.h"
#include "tests/gui/support/ScriptedUserDialogs.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// Two seconds of a chord with a little noise and a few clicks on top: something worth filtering.
std::vector<std::uint8_t> DemoRecording() {
    WaveLayout layout;
    layout.channels = 2;
    std::vector<std::int16_t> samples;
    unsigned noise = 1;
    for (int i = 0; i < 2 * 44100; ++i) {
        const double t = i / 44100.0;
        noise = noise * 1103515245u + 12345u;
        const double hiss = ((noise >> 16) % 2001 - 1000) * 1.5;
        const double chord = 6000 * std::sin(2 * M_PI * 220 * t) + 4000 * std::sin(2 * M_PI * 277.2 * t) +
                             3000 * std::sin(2 * M_PI * 329.6 * t);
        const double click = i % 14000 == 7000 || i % 14000 == 7001 ? 24000 : 0;
        samples.push_back(static_cast<std::int16_t>(chord + hiss + click));
        samples.push_back(static_cast<std::int16_t>(0.8 * chord - hiss - click));
    }
    return BuildWave16(layout, samples);
}

// A 63-tap windowed-sinc low pass at a tenth of the sampling rate, written the way filter logs are.
void WriteLowPassFilter(const std::string& path) {
    std::string text = "; low pass, 63 taps\n";
    const int taps = 63;
    for (int i = 0; i < taps; ++i) {
        const double x = i - (taps - 1) / 2.0;
        const double sinc = x == 0 ? 0.2 : std::sin(0.2 * M_PI * x) / (M_PI * x);
        const double hamming = 0.54 - 0.46 * std::cos(2 * M_PI * i / (taps - 1));
        char line[64];
        std::snprintf(line, sizeof line, "%.12e\n", sinc * hamming);
        text += line;
    }
    WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool Save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QTest::qWait(200);
    const QString path = folder + "/" + name;
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication::setFont(DialogFont());

    ScratchDir scratch;
    UseScratchSettings(scratch);
    WriteFileBytes(scratch.File("demo.wav"), DemoRecording());

    WriteLowPassFilter(scratch.File("lowpass.txt"));

    ScriptedUserDialogs dialogs;
    CMainDialog window;
    window.show();
    dialogs.Answer(scratch.File("demo.wav"));
    window.findChild<QPushButton*>("loadAudioButton")->click();
    dialogs.Answer(scratch.File("lowpass.txt"));
    window.findChild<QPushButton*>("selectFilterButton")->click();
    window.findChild<QCheckBox*>("displayFilterCheck")->click();
    window.findChild<QCheckBox*>("displayAudioCheck")->click();

    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool saved = Save(window, folder, "main-window.png");
    saved &= Save(*window.FilterSpectrumWindow(), folder, "filter-frequency.png");
    saved &= Save(*window.AudioSpectrumWindow(), folder, "audio-frequency.png");

    // The Prism windows' options: Hz on a logarithmic axis with the read-out, and the spectrum before
    // a median filter behind the one after it; the Wave View of the same command.
    CPrismDataWindow& filter = *window.FilterSpectrumWindow();
    for (const char* option : {"frequencyInHzAction", "logarithmicAction", "readoutAction"}) {
        filter.findChild<QAction*>(option)->setChecked(true);
    }
    const QPointF pointer(filter.width() / 3, filter.height() / 5);
    QMouseEvent move(QEvent::MouseMove, pointer, filter.mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&filter, &move);
    saved &= Save(filter, folder, "filter-frequency-options.png");
    std::vector<double> before[2] = {std::vector<double>(kSpectrumBins), std::vector<double>(kSpectrumBins)};
    window.Wave().ComputeSpectrum(before[0].data(), before[1].data(), kSpectrumBins);
    const auto samplesBefore = WaveSamples::FromWave(window.Wave());
    window.RunMedianFilter(5);
    CPrismDataWindow& audio = *window.AudioSpectrumWindow();
    audio.SetBeforeData(before[0].data(), before[1].data(), kSpectrumBins);
    audio.findChild<QAction*>("frequencyInHzAction")->setChecked(true);
    saved &= Save(audio, folder, "audio-frequency-before.png");
    window.WaveView().Open();
    window.WaveView().SetBeforeSamples(samplesBefore);
    WaveViewWindow& view = *window.WaveView().Window();
    view.resize(640, 300);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&view, Qt::Key_Plus);
    }
    window.WaveView().SetPlayPosition(view.Viewport().FrameAt(view.Viewport().Width() * 0.3) / 44100);
    saved &= Save(view, folder, "wave-view.png");

    window.findChild<QPushButton*>("effectsButton")->click();
    saved &= Save(window.EffectsDialog(), folder, "effects.png");
    window.EffectsDialog().findChild<QPushButton*>("medianFilterButton")->click();
    saved &= Save(window.EffectsDialog().MedianDialog(), folder, "median-filter.png");
    CAmplifyDialog amplify(&window);
    amplify.SetWorkbench(&window.Workbench());
    saved &= Save(amplify, folder, "amplify.png");

    CAboutDialog about(&window);
    saved &= Save(about, folder, "about.png");
    HelpViewer help;
    help.ShowTopic(1);
    help.Window()->resize(640, 480);
    saved &= Save(*help.Window(), folder, "help.png");

    // A filter part way through, as its progress window shows it.
    CProgressWindow progress;
    progress.SetLabel("Apply Filter");
    progress.SetRange(0, 1000);
    progress.Show();
    progress.SetPosition(420);
    saved &= Save(progress, folder, "progress.png");

    // The counter as it stands part way through decoding a long file.
    OnFramesDecoded(0);
    OnFramesDecoded(4711);
    saved &= Save(*FramesDecodedWindow(), folder, "frames-decoded.png");
    OnFramesDecoded(-1);
    return saved ? 0 : 1;
}
