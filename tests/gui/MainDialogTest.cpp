// Drives the real main window offscreen: scripted file choices, captured messages, an isolated settings store.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/AboutDialog.h"
#include "app/EffectsDialog.h"
#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/MedianDialog.h"
#include "app/ProgressWindow.h"
#include "app/QtUserDialogs.h"
#include "tests/gui/support/MainWindowHarness.h"
#include "tests/gui/support/RealProgressDialogs.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

bool AnyProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<CProgressWindow*>(widget)) {
            return true;
        }
    }
    return false;
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowHarness> m_h;

    std::string StereoWave(const std::string& name = "stereo.wav") { return m_h->StereoWave(name, 1, 22050); }
    // Stereo 16-bit noise of the given peak: something for every filter to change.
    std::string NoiseWave(const std::string& name, int frames, int peak, std::mt19937& random) {
        std::uniform_int_distribution<int> sample(-peak, peak);
        std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(frames));
        for (auto& s : samples) {
            s = static_cast<std::int16_t>(sample(random));
        }
        WaveLayout layout;
        layout.channels = 2;
        return m_h->WriteFile(name, BuildWave16(layout, samples));
    }
    QString StoredValue(const char* name) {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Brindlewick", "Tressel");
        return settings.value(name, "<missing>").toString();
    }

private slots:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_h.reset(); }

    void everyControlIsInPlaceWithItsText() {
        const std::vector<std::pair<const char*, const char*>> buttons = {
            {"quitButton", "Quit"},           {"helpButton", "&Help"},         {"selectFilterButton", "Select Filter"},
            {"loadAudioButton", "Load Audio"}, {"playButton", "Play"},          {"applyFilterButton", "Apply Filter"},
            {"saveAudioButton", "Save Audio"}, {"stopButton", "Stop"},          {"reloadAudioButton", "Reload Audio"},
            {"effectsButton", "Effects"},     {"defaultButton", "Default"}};
        for (const auto& [name, text] : buttons) {
            QCOMPARE(m_h->Control<QPushButton>(name)->text(), QString(text));
            QVERIFY(m_h->Control<QPushButton>(name)->isVisible());
        }
        // No default button: Return must never quit (the focused button takes it).
        for (QPushButton* button : m_h->window->findChildren<QPushButton*>()) {
            QVERIFY(button->window() != m_h->window.get() || !button->isDefault());
        }
        for (const auto& [name, text] : std::vector<std::pair<const char*, const char*>>{
                 {"displayFilterCheck", "Display Filter"}, {"channel1Check", "Channel 1"},
                 {"channel2Check", "Channel 2"}, {"displayAudioCheck", "Display Audio"}}) {
            QCOMPARE(m_h->Control<QCheckBox>(name)->text(), QString(text));
        }
        QCOMPARE(m_h->Control<QGroupBox>("waveGroup")->title(), QString("Wave"));
        QCOMPARE(m_h->Control<QGroupBox>("mixerGroup")->title(), QString("Mixer"));
        for (const char* readOut : {"waveFileNameText", "channelsText", "samplesPerSecondText", "bitsPerSampleText",
                                    "dataLengthText", "filterFileNameText", "filterLengthText", "filterGainText"}) {
            QCOMPARE(m_h->Text(readOut), QString());
        }
        QCOMPARE(m_h->Text("originalLevelText"), QString("0.00"));
        QCOMPARE(m_h->Text("filteredLevelText"), QString("1.00"));
        QVERIFY(m_h->Control<QCheckBox>("channel1Check")->isChecked());
        QVERIFY(m_h->Control<QCheckBox>("channel2Check")->isChecked());
        QCOMPARE(m_h->window->windowTitle(), QString("Tressel"));
        // Controls stay inside the 321 x 194 unit window and the read-outs inside their group boxes.
        QCOMPARE(m_h->window->size(), QSize(482, 315));
        const QRect wave = m_h->Control<QGroupBox>("waveGroup")->geometry();
        for (const char* readOut : {"waveFileNameText", "channelsText", "dataLengthText"}) {
            QVERIFY(wave.contains(m_h->Control<QLabel>(readOut)->geometry()));
        }
    }

    void loadingAValidWaveFillsTheReadOutsAndRemembersTheName() {
        const std::string path = StereoWave();
        m_h->LoadAudio(path);
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(m_h->Text("waveFileNameText"), QString::fromStdString(path));
        QCOMPARE(m_h->Text("channelsText"), QString("2"));
        QCOMPARE(m_h->Text("samplesPerSecondText"), QString("22050"));
        QCOMPARE(m_h->Text("bitsPerSampleText"), QString("16"));
        QCOMPARE(m_h->Text("dataLengthText"), QString("12"));
        QVERIFY(m_h->Control<QCheckBox>("channel1Check")->isEnabled());
        QCOMPARE(StoredValue("DefaultMediaFileName"), QString::fromStdString(path));
        QCOMPARE(StoredValue("DefaultFilterFileName"), QString(""));
        // The next dialog starts at the remembered name.
        m_h->Click("loadAudioButton");
        QCOMPARE(m_h->dialogs.openRequests.back().initialName, path);
        QCOMPARE(m_h->dialogs.openRequests.back().filterList.substr(0, 19), std::string("All Supported Files"));
    }

    // A refused file says why and leaves the audio in hand, its read-outs and the remembered name as they
    // were before.
    void refusedFilesShowTheirMessageAndKeepTheAudioInHand() {
        auto notRiff = BuildWave({}, {1, 2});
        notRiff[0] = 'X';
        WaveLayout floating;
        floating.formatTag = 3;
        const std::vector<std::pair<std::string, std::string>> cases = {
            {m_h->scratch.File("missing.wav"), "Could not open file"},
            {m_h->WriteFile("notriff.wav", notRiff), "Not a valid Wave format"},
            {m_h->WriteFile("float.WAV", BuildWave(floating, {1, 2})), "Only PCM Wave format supported"},
            {m_h->WriteFile("song.mp3", {0, 1, 2, 3}), "Failed to decode MP3 file"},
            {m_h->WriteFile("noextension", BuildWave({}, {1, 2})), "Failed to decode MP3 file"},
        };
        const std::string stereo = StereoWave();
        m_h->LoadAudio(stereo);
        const std::vector<std::uint8_t> before = m_h->Image();
        for (const auto& [path, message] : cases) {
            m_h->LoadAudio(path);
            QCOMPARE(m_h->dialogs.Messages().back(), message);
            QCOMPARE(m_h->Text("waveFileNameText"), QString::fromStdString(stereo));
            QCOMPARE(m_h->Text("channelsText"), QString("2"));
            QCOMPARE(m_h->Text("dataLengthText"), QString("12"));
            QVERIFY(m_h->Control<QCheckBox>("channel1Check")->isEnabled());
            QVERIFY(m_h->window->Wave().IsLoaded());
            QVERIFY(std::equal(before.begin(), before.end(), m_h->window->Wave().GetImage()));
            // The name is remembered even though the file was refused.
            QCOMPARE(StoredValue("DefaultMediaFileName"), QString::fromStdString(path));
        }
    }

    void saveWritesTheImageAndProposesTheNameWithoutExtension() {
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("No Wave file to save"));
        QCOMPARE(int(m_h->dialogs.Icons().back()), int(MessageIcon::Warning));

        const std::string path = StereoWave("take.wav");
        m_h->LoadAudio(path);
        const std::string out = m_h->scratch.File("copy.wav");
        m_h->dialogs.Answer(out);
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.saveRequests.back().initialName, m_h->scratch.File("take"));
        QCOMPARE(m_h->dialogs.saveRequests.back().defaultExtension, std::string("wav"));
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("Wave saved"));
        QCOMPARE(int(m_h->dialogs.Icons().back()), int(MessageIcon::Information));  // success is no warning
        QVERIFY(ReadFileBytes(out) == ReadFileBytes(path));

        m_h->dialogs.Answer(m_h->scratch.File("copy.aiff"));
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("No valid format selected"));
        QVERIFY(!std::filesystem::exists(m_h->scratch.File("copy.aiff")));

        m_h->dialogs.Answer(m_h->scratch.File("no/such/dir/x.wav"));
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("Could not open File"));

        const auto count = m_h->dialogs.Messages().size();
        m_h->dialogs.Answer(std::nullopt);
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages().size(), count);
    }

    void saveProposalFollowsTheDisplayName() {
        for (const auto& [file, proposal] : std::vector<std::pair<std::string, std::string>>{
                 {"a.wav", "a"}, {"sound.aiff.wav", "sound.aiff"}}) {
            m_h->LoadAudio(StereoWave(file));
            m_h->dialogs.Answer(std::nullopt);
            m_h->Click("saveAudioButton");
            QCOMPARE(m_h->dialogs.saveRequests.back().initialName, m_h->scratch.File(proposal));
        }
    }

    void reloadUndoesProcessingOrReportsNothingLoaded() {
        m_h->Click("reloadAudioButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("Nothing loaded yet"));
        m_h->LoadAudio(StereoWave());
        CWave& wave = m_h->window->Wave();
        wave.GetImage()[wave.GetDataOffset()] = 0x55;
        m_h->Click("reloadAudioButton");
        QCOMPARE(int(wave.GetImage()[wave.GetDataOffset()]), 1);
    }

    void mixerSlidersSetTheLevelsAndDefaultRestoresThem() {
        auto* original = m_h->Control<QSlider>("originalSlider");
        auto* filtered = m_h->Control<QSlider>("filteredSlider");
        QCOMPARE(original->minimum(), 0);
        QCOMPARE(original->maximum(), 200);
        QCOMPARE(filtered->minimum(), -200);
        QCOMPARE(filtered->value(), 20);
        filtered->setValue(-200);
        QCOMPARE(m_h->Text("filteredLevelText"), QString("-10.00"));
        QCOMPARE(m_h->window->FilteredLevel(), -10.0f);
        original->setFocus();
        QTest::keyClick(original, Qt::Key_Right);
        QCOMPARE(m_h->Text("originalLevelText"), QString("0.05"));
        QCOMPARE(m_h->window->OriginalLevel(), static_cast<float>(0.05));
        original->setValue(137);
        QCOMPARE(m_h->Text("originalLevelText"), QString("6.85"));
        m_h->Click("defaultButton");
        QCOMPARE(m_h->Text("originalLevelText"), QString("0.00"));
        QCOMPARE(m_h->Text("filteredLevelText"), QString("1.00"));
        QCOMPARE(m_h->window->OriginalLevel(), 0.0f);
        QCOMPARE(m_h->window->FilteredLevel(), 1.0f);
        QCOMPARE(original->value(), 0);
        QCOMPARE(filtered->value(), 20);
    }

    void selectFilterFillsTheReadOutsAndRemembersTheName() {
        const std::string path =
            m_h->WriteText("lowpass.txt", "; Filter Logfile\r\n0.125\r\n-0.25\r\n0.5\r\n-0.75\r\n1.0\r\n");
        m_h->SelectFilter(path);
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(m_h->dialogs.openRequests.back().filterList, std::string("Filter Logfile (.*) (*)"));
        QCOMPARE(m_h->dialogs.openRequests.back().initialName, std::string());
        QCOMPARE(m_h->dialogs.openRequests.back().defaultExtension, std::string());
        QCOMPARE(m_h->Text("filterFileNameText"), QString::fromStdString(path));
        QCOMPARE(m_h->Text("filterLengthText"), QString("5"));
        QCOMPARE(m_h->Text("filterGainText"), QString("0.625000"));
        QCOMPARE(m_h->window->Filter().GetCount(), 5);
        QCOMPARE(StoredValue("DefaultFilterFileName"), QString::fromStdString(path));
        QCOMPARE(StoredValue("DefaultMediaFileName"), QString(""));
        // The next dialog starts at the remembered name; cancelling changes nothing.
        m_h->dialogs.Answer(std::nullopt);
        m_h->Click("selectFilterButton");
        QCOMPARE(m_h->dialogs.openRequests.back().initialName, path);
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(m_h->window->Filter().GetCount(), 5);

        // A long name is shortened in the read-out; the gain keeps six decimals.
        const std::string folder = m_h->scratch.File(std::string(70, 'd'));
        std::filesystem::create_directory(folder);
        const std::string longPath = folder + "/" + std::string(30, 'f') + ".flt";
        WriteFileBytes(longPath, {'-', '1', 'D', '3', '\n', '2', '.', '5', '\n', '1', 'e', '-', '7', '\n'});
        m_h->SelectFilter(longPath);
        QCOMPARE(m_h->Text("filterFileNameText"), QString::fromStdString("..." + longPath.substr(longPath.rfind('/'))));
        QCOMPARE(m_h->Text("filterLengthText"), QString("3"));
        QCOMPARE(m_h->Text("filterGainText"), QString("-997.500000"));
    }

    void failedSelectEmptiesTheSetButKeepsTheReadOutsAndStoresTheName() {
        const std::string good = m_h->WriteText("good.txt", "1.0\n2.0\n3.0\n");
        m_h->SelectFilter(good);
        const std::string bad = m_h->WriteText("two.txt", "1.0\n2.0\n");
        for (const std::string& path : {bad, m_h->scratch.File("missing.txt")}) {
            m_h->SelectFilter(path);
            QCOMPARE(m_h->dialogs.Messages().back(), std::string("Could not open file"));
            QCOMPARE(StoredValue("DefaultFilterFileName"), QString::fromStdString(path));
            QCOMPARE(m_h->window->Filter().GetCount(), 0);
            QCOMPARE(m_h->Text("filterFileNameText"), QString::fromStdString(good));
            QCOMPARE(m_h->Text("filterLengthText"), QString("3"));
            QCOMPARE(m_h->Text("filterGainText"), QString("6.000000"));
        }
        m_h->LoadAudio(StereoWave());
        m_h->Click("applyFilterButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("No filter specified"));
        QVERIFY(m_h->dialogs.Progress().empty());
    }

    void applyFilterChecksTheFilterBeforeTheWave() {
        m_h->Click("applyFilterButton");
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No filter specified"});
        m_h->SelectFilter(m_h->WriteText("taps.txt", "0.0\n1.0\n0.0\n"));
        m_h->Click("applyFilterButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("No valid Wave file loaded"));
        m_h->LoadAudio(m_h->scratch.File("missing.wav"));
        m_h->dialogs.ClearMessages();
        m_h->Click("applyFilterButton");
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No valid Wave file loaded"});
        QVERIFY(m_h->dialogs.Progress().empty());
    }

    void applyFilterUsesTheMixerLevelsAndTheChannelBoxes() {
        m_h->LoadAudio(StereoWave());
        m_h->SelectFilter(m_h->WriteText("double.txt", "0.0\n2.0\n0.0\n"));
        m_h->Control<QSlider>("filteredSlider")->setValue(30);  // 1.50
        m_h->Control<QSlider>("originalSlider")->setValue(20);  // 1.00
        m_h->Control<QCheckBox>("channel1Check")->setChecked(false);
        m_h->Click("applyFilterButton");
        QVERIFY(m_h->dialogs.Messages().empty());
        // Channel 2 becomes 1.5 * 2x + x = 4x; channel 1 keeps its samples.
        CWave& wave = m_h->window->Wave();
        const std::uint8_t* data = wave.GetImage() + wave.GetDataOffset();
        const std::vector<std::uint8_t> samples(data, data + wave.GetDataLength());
        const auto stereo = BuildWave16({}, {1, -4, 300, -1200, 7, 32});
        QVERIFY(samples == std::vector<std::uint8_t>(stereo.end() - 12, stereo.end()));
        QCOMPARE(m_h->dialogs.Progress().size(), std::size_t{1});
        const ProgressRecord& progress = *m_h->dialogs.Progress().front();
        QVERIFY(progress.shown);
        QVERIFY(progress.destroyed);
        QCOMPARE(progress.high, 0);
        QCOMPARE(progress.positions, std::vector<int>({0}));  // F / 100 = 0; steps -2 .. 2, one multiple of 100
        // Read-outs stay as they were.
        QCOMPARE(m_h->Text("dataLengthText"), QString("12"));
    }

    void applyFilterShowsTheProgressWindowWhileItRunsAndRemovesIt() {
        RealProgressDialogs dialogs(m_h->dialogs);
        m_h->OpenWindow();  // the wave reports to the dialogs of its window's start
        WaveLayout layout;
        layout.channels = 2;
        m_h->LoadAudio(m_h->WriteFile("long.wav", BuildWave16(layout, std::vector<std::int16_t>(2 * 250, 1000))));
        m_h->SelectFilter(m_h->WriteText("taps.txt", "0.0\n1.0\n0.0\n"));
        QVERIFY(!AnyProgressWindow());
        m_h->Click("applyFilterButton");
        QVERIFY(m_h->dialogs.Messages().empty());
        // Both channels of 250 frames: steps -2 .. 249 twice, positions i / 100 and (i + 250) / 100.
        QCOMPARE(dialogs.positionsOnScreen, std::vector<int>({0, 1, 2, 2, 3, 4}));
        QVERIFY(!AnyProgressWindow());
        m_h->window.reset();  // before the dialogs it reports to
    }

    void filteredFileEqualsWhatTheCommandLineToolWrites() {
        std::mt19937 random(5);
        const std::string input = NoiseWave("noise.wav", 3000, 30000, random);
        std::string taps;
        for (int j = 0; j < 31; ++j) {
            taps += std::to_string(std::uniform_real_distribution<double>(-0.3, 0.3)(random)) + "\n";
        }
        const std::string tapsPath = m_h->WriteText("taps.txt", taps);
        m_h->LoadAudio(input);
        m_h->SelectFilter(tapsPath);
        m_h->Control<QSlider>("filteredSlider")->setValue(-13);
        m_h->Control<QSlider>("originalSlider")->setValue(7);
        QCOMPARE(m_h->window->FilteredLevel(), -0.65f);
        QCOMPARE(m_h->window->OriginalLevel(), 0.35f);
        m_h->Control<QCheckBox>("channel2Check")->setChecked(false);
        m_h->Click("applyFilterButton");
        const std::string ours = m_h->scratch.File("gui.wav");
        m_h->dialogs.Answer(ours);
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages().back(), std::string("Wave saved"));

        const std::string theirs = m_h->scratch.File("cli.wav");
        const std::string command = std::string(TRESSEL_BIN_DIR) + "/tressel-cli fir '" + tapsPath + "' '" + input +
                                    "' '" + theirs + "' --filtered -0.65 --original 0.35 --channels 1";
        QCOMPARE(std::system(command.c_str()), 0);
        QVERIFY(ReadFileBytes(ours) == ReadFileBytes(theirs));
        QVERIFY(ReadFileBytes(ours) != ReadFileBytes(input));
    }

    // Tuned by ear in the window, replayed from the macro the window wrote: by "Run Macro..." on the
    // reloaded audio and by the command-line tool, the same bytes as the commands applied by hand.
    void recordedCommandsReplayedAsAMacroGiveTheSameBytes() {
        std::mt19937 random(11);
        const std::string input = NoiseWave("take one.wav", 2500, 20000, random);
        m_h->LoadAudio(input);
        QVERIFY(!ChooseFromContextMenu(m_h->window.get(), "Save Commands as Macro..."));  // nothing applied yet

        m_h->SelectFilter(m_h->WriteText("taps.txt", "0.1\n-0.3\n1.2\n-0.3\n0.1\n"));
        m_h->Control<QSlider>("filteredSlider")->setValue(17);
        m_h->Control<QSlider>("originalSlider")->setValue(3);
        m_h->Control<QCheckBox>("channel2Check")->setChecked(false);
        m_h->Click("applyFilterButton");
        m_h->Control<QCheckBox>("channel2Check")->setChecked(true);
        m_h->Control<QCheckBox>("channel1Check")->setChecked(false);
        m_h->Click("effectsButton");
        CEffectsDialog& effects = m_h->window->EffectsDialog();
        QTest::mouseClick(Child<QPushButton>(&effects, "medianFilterButton"), Qt::LeftButton);
        Child<QSlider>(&effects.MedianDialog(), "lengthSlider")->setValue(3);  // length 7
        QTest::mouseClick(Child<QPushButton>(&effects.MedianDialog(), "applyButton"), Qt::LeftButton);
        WithModal([&] { QTest::mouseClick(Child<QPushButton>(&effects, "amplifyButton"), Qt::LeftButton); },
                  [](QWidget* amplify) {
                      Child<QLineEdit>(amplify, "gain1Edit")->setText("0.8");
                      Child<QLineEdit>(amplify, "gain2Edit")->setText("1.25");
                      QTest::mouseClick(Child<QPushButton>(amplify, "applyButton"), Qt::LeftButton);
                  });
        const std::string byHand = m_h->scratch.File("by hand.wav");
        m_h->dialogs.Answer(byHand);
        m_h->Click("saveAudioButton");
        const std::string macro = m_h->scratch.File("tuned.txt");
        m_h->dialogs.Answer(macro);
        QVERIFY(ChooseFromContextMenu(m_h->window.get(), "Save Commands as Macro..."));
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Wave saved"});
        const auto written = ReadFileBytes(macro);
        QCOMPARE(std::string(written.begin(), written.end()),
                 "# Tressel macro: the commands applied to " + input +
                     "\nfir taps.txt --original 0.15 --filtered 0.85 --channels 1\nmedian 7 --channels 2\n"
                     "amplify 0.8 1.25\n");

        m_h->Click("reloadAudioButton");
        QVERIFY(!ChooseFromContextMenu(m_h->window.get(), "Save Commands as Macro..."));  // reloading forgets them
        m_h->dialogs.Answer(macro);
        QVERIFY(ChooseFromContextMenu(m_h->window.get(), "Run Macro..."));
        const std::string replayed = m_h->scratch.File("replayed.wav");
        m_h->dialogs.Answer(replayed);
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.Messages(), (std::vector<std::string>{"Wave saved", "Wave saved"}));
        QVERIFY(ReadFileBytes(replayed) == ReadFileBytes(byHand));
        QVERIFY(ReadFileBytes(replayed) != ReadFileBytes(input));

        std::ofstream(macro, std::ios::app) << "save {name}-cli.wav\n";
        const std::string command = std::string(TRESSEL_BIN_DIR) + "/tressel-cli run '" + macro + "' '" + input +
                                    "' --out '" + m_h->scratch.File("cli") + "' >/dev/null";
        QCOMPARE(std::system(command.c_str()), 0);
        QVERIFY(ReadFileBytes(m_h->scratch.File("cli/take one-cli.wav")) == ReadFileBytes(byHand));

        // A macro the window cannot run says where it is wrong.
        const std::string bad = m_h->WriteText("bad.txt", "normalize\nmedian 3 --channels 3\n");
        m_h->dialogs.Answer(bad);
        QVERIFY(ChooseFromContextMenu(m_h->window.get(), "Run Macro..."));
        QCOMPARE(m_h->dialogs.Messages().back(), bad + ":2: --channels must be 1, 2 or 1,2: 3");
    }

    void longNamesAreElidedInTheReadOut() {
        const std::string folder = m_h->scratch.File(std::string(70, 'd'));
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/" + std::string(30, 'f') + ".wav";
        WriteFileBytes(path, BuildWave({}, {1, 2}));
        m_h->LoadAudio(path);
        QCOMPARE(m_h->Text("waveFileNameText"), QString::fromStdString("..." + path.substr(path.rfind('/'))));
    }

    void settingsStoreThatCannotBeCreatedIsReported() {
        // A settings folder below a plain file can never be created, whoever runs the test.
        const std::string blocker = m_h->WriteFile("blocker", {1});
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(blocker));
        const std::string path = StereoWave();
        m_h->LoadAudio(path);
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Failure creating registry key"});
        QCOMPARE(m_h->Text("channelsText"), QString("2"));  // the command goes on
        QVERIFY(!m_h->window->LoadSettings());
        QCOMPARE(m_h->window->MediaFileName(), std::string());
    }

    void storedNamesOfAnyLengthComeBackWhole() {
        QSettings seed(QSettings::NativeFormat, QSettings::UserScope, "Brindlewick", "Tressel");
        const QString longName = "/" + QString(600, 'n') + ".wav";
        seed.setValue("DefaultMediaFileName", longName);
        seed.sync();
        QVERIFY(m_h->window->LoadSettings());
        QCOMPARE(QString::fromStdString(m_h->window->MediaFileName()), longName);
        QCOMPARE(m_h->window->FilterFileName(), std::string());  // missing value reads as empty
    }

    void helpShowsTheMainTopicAndGoesWithTheWindow() {
        HelpViewer viewer;
        SetAppHelp(&viewer);
        m_h->Click("helpButton");
        QCOMPARE(viewer.CurrentTopic(), 1);
        QVERIFY(viewer.Window()->isVisible());
        QVERIFY(viewer.Window()->toPlainText().contains("Select Filter"));
        m_h->window.reset();
        QVERIFY(!viewer.Window());
        SetAppHelp(nullptr);
    }

    void aboutBoxShowsTheVersion() {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            auto* about = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
            QVERIFY(about);
            seen = about->windowTitle() + "|" + about->findChild<QLabel*>("versionLabel")->text();
            QVERIFY(!about->findChild<QLabel*>("iconLabel")->pixmap().isNull());
            about->accept();
        });
        m_h->window->ShowAboutBox();
        QCOMPARE(seen, QString("About Tressel|Tressel Version 2.10"));
    }
};

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
