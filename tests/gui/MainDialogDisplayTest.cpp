// The main window's "Display Filter" and "Display Audio" boxes and the spectrum windows they keep.

#include <QAction>
#include <QCheckBox>
#include <QSettings>
#include <QTest>
#include <cmath>
#include <memory>

#include "app/MainDialog.h"
#include "app/WaveViewHost.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/PrismDataWindow.h"
#include "tests/gui/support/MainWindowHarness.h"

using namespace tressel;
using namespace tressel::testing;

class MainDialogDisplayTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowHarness> m_h;

    QCheckBox* Box(const char* name) { return m_h->Control<QCheckBox>(name); }
    int SpectrumWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(m_h->window->findChildren<CPrismDataWindow*>().size());
    }

    // A wave of `frames` frames whose channels carry different tones.
    std::string WriteTones(const std::string& name, int channels, int frames, double frequency,
                           std::uint32_t rate = 44100) {
        std::vector<std::int16_t> samples;
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                samples.push_back(static_cast<std::int16_t>(8000 * std::sin(frequency * (c + 1) * f)));
            }
        }
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(channels);
        layout.samplesPerSecond = rate;
        return m_h->WriteFile(name, BuildWave16(layout, samples));
    }
    // Saves through a window's context-menu action into `name` and returns the bytes written.
    std::vector<std::uint8_t> SaveThrough(CPrismDataWindow& window, const char* action, const std::string& name) {
        m_h->dialogs.Answer(m_h->scratch.File(name));
        window.findChild<QAction*>(action)->trigger();
        return ReadFileBytes(m_h->scratch.File(name));
    }
    std::vector<std::uint8_t> RunCli(const std::string& arguments, const std::string& name) {
        const std::string command = std::string(TRESSEL_BIN_DIR) + "/tressel-cli " + arguments + " '" +
                                    m_h->scratch.File(name) + "' 2> /dev/null";
        if (std::system(command.c_str()) != 0) {
            qWarning("failed: %s", command.c_str());
        }
        return ReadFileBytes(m_h->scratch.File(name));
    }
    std::vector<double> RawSpectrum(const std::string& path, int channel) {
        CWave wave;
        SilentFeedback silent;
        wave.SetFeedback(&silent);
        wave.Load(path);
        std::vector<double> curves[2] = {std::vector<double>(kSpectrumBins, 0.0),
                                         std::vector<double>(kSpectrumBins, 0.0)};
        wave.ComputeSpectrum(curves[0].data(), curves[1].data(), kSpectrumBins);
        return curves[channel];
    }
    // What the audio window must plot for the wave in `path`: each channel's spectrum in dB.
    std::vector<double> ExpectedDecibels(const std::string& path, int channel) {
        std::vector<double> decibels;
        for (double v : RawSpectrum(path, channel)) {
            decibels.push_back(20 * std::log10(std::fabs(v) + 1e-12));
        }
        return decibels;
    }

private slots:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_h.reset(); }

    void theAudioBoxOpensAndClosesItsWindow() {
        QCOMPARE(SpectrumWindows(), 0);
        m_h->Click("displayAudioCheck");
        CPrismDataWindow* window = m_h->window->AudioSpectrumWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("Prism Data - Audio Frequency"));
        QVERIFY(window->isVisible());
        QCOMPARE(window->frameGeometry(), QRect(100, 100, 350, 250));
        // Nothing loaded: one zero curve, shown as -240 dB over the full height.
        QCOMPARE(window->Plot().GetConfiguration().displayMode2, int(Hidden));
        QCOMPARE(window->Plot().GetCurve(0), std::vector<double>(kSpectrumBins, 20 * std::log10(1e-12)));
        QVERIFY(m_h->dialogs.Progress().empty());

        m_h->Click("displayAudioCheck");
        QVERIFY(!m_h->window->AudioSpectrumWindow());
        QCOMPARE(SpectrumWindows(), 0);

        m_h->Click("displayAudioCheck");
        QVERIFY(m_h->window->AudioSpectrumWindow());
        QCOMPARE(m_h->window->AudioSpectrumWindow()->frameGeometry(), QRect(100, 100, 350, 250));
        QCOMPARE(SpectrumWindows(), 1);
    }

    void loadsAndReloadsRedrawTheAudioWindow() {
        m_h->Click("displayAudioCheck");
        const std::string stereo = WriteTones("stereo.wav", 2, 5000, 0.05);
        m_h->LoadAudio(stereo);
        QVERIFY(m_h->dialogs.Messages().empty());
        CPrismDataWindow* window = m_h->window->AudioSpectrumWindow();
        QCOMPARE(window->Plot().GetConfiguration().displayMode2, int(SecondArray));
        QCOMPARE(window->Plot().GetCurve(0), ExpectedDecibels(stereo, 0));
        QCOMPARE(window->Plot().GetCurve(1), ExpectedDecibels(stereo, 1));
        QCOMPARE(m_h->dialogs.Progress().size(), std::size_t(1));

        const std::string mono = WriteTones("mono.wav", 1, 3000, 0.2);
        m_h->LoadAudio(mono);
        QCOMPARE(m_h->window->AudioSpectrumWindow(), window);  // the same window, redrawn
        QCOMPARE(window->Plot().GetConfiguration().displayMode2, int(Hidden));
        QCOMPARE(window->Plot().GetCurve(0), ExpectedDecibels(mono, 0));

        // "Reload Audio" reads the file again: the window follows what is on disk now.
        const std::string replaced = WriteTones("mono.wav", 1, 3000, 0.7);
        m_h->Click("reloadAudioButton");
        QCOMPARE(window->Plot().GetCurve(0), ExpectedDecibels(replaced, 0));

        // A refused file leaves the window as it was.
        const std::vector<double> before = window->Plot().GetCurve(0);
        m_h->LoadAudio(m_h->WriteFile("broken.wav", {'n', 'o', 'p', 'e'}));
        QVERIFY(!m_h->dialogs.Messages().empty());
        QCOMPARE(window->Plot().GetCurve(0), before);
    }

    void withTheBoxClearNoAudioWindowAppears() {
        m_h->LoadAudio(WriteTones("stereo.wav", 2, 3000, 0.05));
        QCOMPARE(SpectrumWindows(), 0);
        QVERIFY(m_h->dialogs.Progress().empty());  // nor is the spectrum computed
    }

    void theFilterBoxOpensAndClosesItsWindow() {
        m_h->Click("displayFilterCheck");
        CPrismDataWindow* window = m_h->window->FilterSpectrumWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("Prism Data - Filter Frequency"));
        QCOMPARE(window->frameGeometry(), QRect(50, 50, 350, 250));
        QCOMPARE(window->Plot().GetConfiguration().displayMode1, int(Magnitude));
        QCOMPARE(window->Plot().GetConfiguration().displayMode2, int(Phase));
        QCOMPARE(window->Plot().GetCount(), 1024);
        QCOMPARE(window->Plot().GetCurve(0)[0], 20 * std::log10(1e-12));  // no taps: silence
        QVERIFY(!m_h->window->AudioSpectrumWindow());

        m_h->Click("displayFilterCheck");
        QVERIFY(!m_h->window->FilterSpectrumWindow());
        QCOMPARE(SpectrumWindows(), 0);
    }

    void aWindowClosedDirectlyClearsItsBoxAndIsForgotten() {
        m_h->Click("displayAudioCheck");
        m_h->Click("displayFilterCheck");
        m_h->window->AudioSpectrumWindow()->close();
        QVERIFY(!m_h->window->AudioSpectrumWindow());
        QVERIFY(!Box("displayAudioCheck")->isChecked());
        QVERIFY(Box("displayFilterCheck")->isChecked());
        QCOMPARE(SpectrumWindows(), 1);
        // A later load does not bring it back.
        m_h->LoadAudio(WriteTones("mono.wav", 1, 100, 0.1));
        QVERIFY(!m_h->window->AudioSpectrumWindow());

        m_h->window->FilterSpectrumWindow()->close();
        QVERIFY(!Box("displayFilterCheck")->isChecked());
        QCOMPARE(SpectrumWindows(), 0);
        m_h->Click("displayFilterCheck");
        QVERIFY(m_h->window->FilterSpectrumWindow());
    }

    // The command-line twins of "Save Data..." and "Save Image..." write the very same bytes.
    void theWindowsSaveWhatTheCommandLineWrites() {
        const std::string tones = WriteTones("tones.wav", 2, 9000, 0.05, 22050);
        const std::string earlier = WriteTones("earlier.wav", 2, 9000, 0.3, 22050);
        m_h->LoadAudio(tones);
        m_h->Click("displayAudioCheck");
        CPrismDataWindow& audio = *m_h->window->AudioSpectrumWindow();
        const std::vector<double> first = RawSpectrum(earlier, 0);
        const std::vector<double> second = RawSpectrum(earlier, 1);
        audio.SetBeforeData(first.data(), second.data(), kSpectrumBins);
        const std::string inputs = "spectrum '" + tones + "'";
        const std::string before = " --before '" + earlier + "'";
        QVERIFY(SaveThrough(audio, "saveDataAction", "window.csv") ==
                RunCli("plot-data " + inputs + before, "cli.csv"));

        audio.findChild<QAction*>("frequencyInHzAction")->setChecked(true);
        audio.findChild<QAction*>("logarithmicAction")->setChecked(true);
        const QSize size = audio.frameGeometry().size();
        const std::string sizeOption = " --size " + std::to_string(size.width()) + "x" + std::to_string(size.height());
        const std::string cli = "plot " + inputs + before + " --hz --log" + sizeOption;
        QVERIFY(SaveThrough(audio, "saveImageAction", "window.png") == RunCli(cli, "cli.png"));
        QVERIFY(SaveThrough(audio, "saveImageAction", "window.svg") == RunCli(cli, "cli.svg"));

        // The filter window gives its frequencies at the loaded wave's rate.
        const std::string taps = m_h->WriteText("taps.txt", "0.5\n0.5\n0.25\n");
        m_h->SelectFilter(taps);
        m_h->Click("displayFilterCheck");
        CPrismDataWindow& filter = *m_h->window->FilterSpectrumWindow();
        QVERIFY(SaveThrough(filter, "saveDataAction", "filter.csv") ==
                RunCli("plot-data response '" + taps + "' --rate 22050", "cli-filter.csv"));
        QVERIFY(m_h->dialogs.Messages().empty());
    }

    void theFilterWindowFollowsTheWavesRateAnd441kHzWithoutOne() {
        m_h->Click("displayFilterCheck");
        CPrismDataWindow& filter = *m_h->window->FilterSpectrumWindow();
        QCOMPARE(filter.Plot().GetViewOptions().sampleRate, 44100.0);
        m_h->LoadAudio(WriteTones("tones.wav", 1, 3000, 0.05, 8000));
        QCOMPARE(filter.Plot().GetViewOptions().sampleRate, 8000.0);
    }

    void theWaveViewOpensFromTheContextMenuAndShowsEveryChangeOfTheSamples() {
        QAction* entry = m_h->window->findChild<QAction*>("waveViewAction");
        QVERIFY(entry);
        QCOMPARE(entry->text(), QString("Wave View"));
        QCOMPARE(entry->shortcut(), QKeySequence("Ctrl+W"));
        QVERIFY(!m_h->window->WaveView().Window());
        m_h->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_h->window.get()));
        QTest::keyClick(m_h->window.get(), Qt::Key_W, Qt::ControlModifier);
        WaveViewWindow* view = m_h->window->WaveView().Window();
        QVERIFY(view);
        QCOMPARE(view->windowTitle(), QString("Wave View"));
        QVERIFY(view->isVisible());
        QVERIFY(!view->Current());  // nothing loaded yet

        const std::string path = WriteTones("tones.wav", 2, 5000, 0.05);
        m_h->LoadAudio(path);
        QVERIFY(view->Current());
        QCOMPARE(view->Current()->Samples().Frames(), std::int64_t(5000));
        // A command that changes samples is shown at once.
        m_h->window->RunMedianFilter(33);
        const auto samples = view->Current()->Samples().Channel(0);
        const std::int16_t* data = reinterpret_cast<const std::int16_t*>(m_h->window->Wave().GetImage() +
                                                                          m_h->window->Wave().GetDataOffset());
        for (int f = 0; f < 5000; f += 97) {
            QCOMPARE(samples[static_cast<std::size_t>(f)], data[2 * f]);
        }
        // Open at the end of the run: open again at the start of the next, with the samples.
        m_h->OpenWindow();
        QVERIFY(m_h->window->WaveView().Window());
        QVERIFY(m_h->window->WaveView().Window()->isVisible());
        // Closed by the person: stays closed.
        m_h->window->WaveView().Window()->close();
        QVERIFY(!m_h->window->WaveView().Window());
        m_h->OpenWindow();
        QVERIFY(!m_h->window->WaveView().Window());
    }

    void theWaveViewMarksWherePlaybackIs() {
        // Says where it is, as the sound server's output does.
        struct PositionedOutput final : SoundOutput {
            bool Play(const std::uint8_t*, std::size_t, bool) override {
                seconds = 0.0;
                return true;
            }
            bool Stop() override {
                seconds.reset();
                return true;
            }
            std::optional<double> PlayedSeconds() const override { return seconds; }
            std::optional<double> seconds;
        } output;
        m_h->window->Wave().SetSoundOutput(&output);
        m_h->LoadAudio(WriteTones("tones.wav", 2, 44100, 0.05));
        m_h->window->WaveView().Open();
        WaveViewWindow* view = m_h->window->WaveView().Window();
        QVERIFY(!view->PlayFrame());
        m_h->Click("playButton");
        output.seconds = 0.5;
        QTRY_COMPARE(view->PlayFrame().value_or(-1.0), 22050.0);
        m_h->Click("stopButton");
        QTRY_VERIFY(!view->PlayFrame());
        m_h->window->Wave().SetSoundOutput(nullptr);
    }

    void quitClosesTheFilterWindow() {
        m_h->Click("displayFilterCheck");
        m_h->Click("displayAudioCheck");
        m_h->Click("quitButton");
        QVERIFY(!m_h->window->FilterSpectrumWindow());
    }
};

QTEST_MAIN(MainDialogDisplayTest)
#include "MainDialogDisplayTest.moc"
