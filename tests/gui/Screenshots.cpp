// Opens the real windows with the demo that `make run` opens (the demo recording made at build time and
// the 50 Hz hum filter) and saves what they show as PNG files for the README, so the pictures match what
// a new user sees on the tour. Run through scripts/screenshots.sh.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QSettings>
#include <QTest>
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

    ScriptedUserDialogs dialogs;
    CMainDialog window;
    window.show();
    dialogs.Answer(TRESSEL_DEMO_RECORDING);
    window.findChild<QPushButton*>("loadAudioButton")->click();
    dialogs.Answer(std::string(TRESSEL_EXAMPLE_FILTERS) + "/hum-50hz.txt");
    window.findChild<QPushButton*>("selectFilterButton")->click();
    window.findChild<QCheckBox*>("displayFilterCheck")->click();
    window.findChild<QCheckBox*>("displayAudioCheck")->click();

    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool saved = Save(window, folder, "main-window.png");
    saved &= Save(*window.FilterSpectrumWindow(), folder, "filter-frequency.png");
    saved &= Save(*window.AudioSpectrumWindow(), folder, "audio-frequency.png");

    // The Prism windows' options: Hz on a logarithmic axis, where the hum filter's notch shows, with the
    // read-out; the spectrum after Apply Filter with the one as loaded behind it.
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
    window.findChild<QPushButton*>("applyFilterButton")->click();
    CPrismDataWindow& audio = *window.AudioSpectrumWindow();
    audio.SetBeforeData(before[0].data(), before[1].data(), kSpectrumBins);
    for (const char* option : {"frequencyInHzAction", "logarithmicAction"}) {
        audio.findChild<QAction*>(option)->setChecked(true);
    }
    saved &= Save(audio, folder, "audio-frequency-before.png");

    // The Wave View after Effects -> Median Filter, around the click at 2.41 s that it took away.
    const auto samplesBefore = WaveSamples::FromWave(window.Wave());
    window.RunMedianFilter(5);
    window.WaveView().Open();
    window.WaveView().SetBeforeSamples(samplesBefore);
    WaveViewWindow& view = *window.WaveView().Window();
    view.resize(640, 300);
    const double click = 2.41 * 44100;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(&view, Qt::Key_Plus);
    }
    while (view.Viewport().FrameAt(view.Viewport().Width() * 0.35) > click) {
        QTest::keyClick(&view, Qt::Key_Left);
    }
    window.WaveView().SetPlayPosition(view.Viewport().FrameAt(view.Viewport().Width() * 0.8) / 44100);
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
