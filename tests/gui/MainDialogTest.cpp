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
#include "tests/gui/support/RealProgressDialogs.h"
#include "tests/gui/support/ScriptedUserDialogs.h"
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
    std::unique_ptr<ScratchDir> m_scratch;
    std::unique_ptr<ScriptedUserDialogs> m_dialogs;
    std::unique_ptr<CMainDialog> m_window;

    template <typename T>
    T* Control(const char* name) {
        auto* control = m_window->findChild<T*>(name);
        if (!control) {
            qFatal("control %s missing", name);
        }
        return control;
    }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }
    void Click(const char* name) { QTest::mouseClick(Control<QPushButton>(name), Qt::LeftButton); }

    std::string WriteWave(const std::string& name, const std::vector<std::uint8_t>& image) {
        const std::string path = m_scratch->File(name);
        WriteFileBytes(path, image);
        return path;
    }
    std::string StereoWave(const std::string& name = "stereo.wav") {
        WaveLayout layout;
        layout.channels = 2;
        layout.samplesPerSecond = 22050;
        return WriteWave(name, BuildWave16(layout, {1, -1, 300, -300, 7, 8}));
    }
    // Stereo 16-bit noise of the given peak: something for every filter to change.
    std::string NoiseWave(const std::string& name, int frames, int peak, std::mt19937& random) {
        std::uniform_int_distribution<int> sample(-peak, peak);
        std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(frames));
        for (auto& s : samples) {
            s = static_cast<std::int16_t>(sample(random));
        }
        WaveLayout layout;
        layout.channels = 2;
        return WriteWave(name, BuildWave16(layout, samples));
    }
    std::string WriteTaps(const std::string& name, const std::string& text) {
        const std::string path = m_scratch->File(name);
        WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
        return path;
    }
    void SelectFilter(const std::string& path) {
        m_dialogs->Answer(path);
        Click("selectFilterButton");
    }
    QString StoredValue(const char* name) {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Brindlewick", "Tressel");
        return settings.value(name, "<missing>").toString();
    }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchDir>();
        UseScratchSettings(*m_scratch);
        m_dialogs = std::make_unique<ScriptedUserDialogs>();
        m_window = std::make_unique<CMainDialog>();
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_dialogs.reset();
        m_scratch.reset();
    }

    void everyControlIsInPlaceWithItsText() {
        const std::vector<std::pair<const char*, const char*>> buttons = {
            {"quitButton", "Quit"},           {"helpButton", "&Help"},         {"selectFilterButton", "Select Filter"},
            {"loadAudioButton", "Load Audio"}, {"playButton", "Play"},          {"applyFilterButton", "Apply Filter"},
            {"saveAudioButton", "Save Audio"}, {"stopButton", "Stop"},          {"reloadAudioButton", "Reload Audio"},
            {"effectsButton", "Effects"},     {"defaultButton", "Default"}};
        for (const auto& [name, text] : buttons) {
            QCOMPARE(Control<QPushButton>(name)->text(), QString(text));
            QVERIFY(Control<QPushButton>(name)->isVisible());
        }
        // No default button: Return must never quit (the focused button takes it).
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            QVERIFY(button->window() != m_window.get() || !button->isDefault());
        }
        for (const auto& [name, text] : std::vector<std::pair<const char*, const char*>>{
                 {"displayFilterCheck", "Display Filter"}, {"channel1Check", "Channel 1"},
                 {"channel2Check", "Channel 2"}, {"displayAudioCheck", "Display Audio"}}) {
            QCOMPARE(Control<QCheckBox>(name)->text(), QString(text));
        }
        QCOMPARE(Control<QGroupBox>("waveGroup")->title(), QString("Wave"));
        QCOMPARE(Control<QGroupBox>("mixerGroup")->title(), QString("Mixer"));
        for (const char* readOut : {"waveFileNameText", "channelsText", "samplesPerSecondText", "bitsPerSampleText",
                                    "dataLengthText", "filterFileNameText", "filterLengthText", "filterGainText"}) {
            QCOMPARE(Text(readOut), QString());
        }
        QCOMPARE(Text("originalLevelText"), QString("0.00"));
        QCOMPARE(Text("filteredLevelText"), QString("1.00"));
        QVERIFY(Control<QCheckBox>("channel1Check")->isChecked());
        QVERIFY(Control<QCheckBox>("channel2Check")->isChecked());
        QCOMPARE(m_window->windowTitle(), QString("Tressel"));
        // Controls stay inside the 321 x 194 unit window and the read-outs inside their group boxes.
        QCOMPARE(m_window->size(), QSize(482, 315));
        const QRect wave = Control<QGroupBox>("waveGroup")->geometry();
        for (const char* readOut : {"waveFileNameText", "channelsText", "dataLengthText"}) {
            QVERIFY(wave.contains(Control<QLabel>(readOut)->geometry()));
        }
    }

    void loadingAValidWaveFillsTheReadOutsAndRemembersTheName() {
        const std::string path = StereoWave();
        m_dialogs->Answer(path);
        Click("loadAudioButton");
        QVERIFY(m_dialogs->Messages().empty());
        QCOMPARE(Text("waveFileNameText"), QString::fromStdString(path));
        QCOMPARE(Text("channelsText"), QString("2"));
        QCOMPARE(Text("samplesPerSecondText"), QString("22050"));
        QCOMPARE(Text("bitsPerSampleText"), QString("16"));
        QCOMPARE(Text("dataLengthText"), QString("12"));
        QVERIFY(Control<QCheckBox>("channel1Check")->isEnabled());
        QCOMPARE(StoredValue("DefaultMediaFileName"), QString::fromStdString(path));
        QCOMPARE(StoredValue("DefaultFilterFileName"), QString(""));
        // The next dialog starts at the remembered name.
        Click("loadAudioButton");
        QCOMPARE(m_dialogs->openRequests.back().initialName, path);
        QCOMPARE(m_dialogs->openRequests.back().filterList.substr(0, 19), std::string("All Supported Files"));
    }

    // A refused file says why and leaves the audio in hand, its read-outs and the remembered name as they
    // were before.
    void refusedFilesShowTheirMessageAndKeepTheAudioInHand() {
        auto notRiff = BuildWave({}, {1, 2});
        notRiff[0] = 'X';
        WaveLayout floating;
        floating.formatTag = 3;
        const std::vector<std::pair<std::string, std::string>> cases = {
            {m_scratch->File("missing.wav"), "Could not open file"},
            {WriteWave("notriff.wav", notRiff), "Not a valid Wave format"},
            {WriteWave("float.WAV", BuildWave(floating, {1, 2})), "Only PCM Wave format supported"},
            {WriteWave("song.mp3", {0, 1, 2, 3}), "Failed to decode MP3 file"},
            {WriteWave("noextension", BuildWave({}, {1, 2})), "Failed to decode MP3 file"},
        };
        const std::string stereo = StereoWave();
        m_dialogs->Answer(stereo);
        Click("loadAudioButton");
        const std::vector<std::uint8_t> before(m_window->Wave().GetImage(),
                                               m_window->Wave().GetImage() + m_window->Wave().GetImageLength());
        for (const auto& [path, message] : cases) {
            m_dialogs->Answer(path);
            Click("loadAudioButton");
            QCOMPARE(m_dialogs->Messages().back(), message);
            QCOMPARE(Text("waveFileNameText"), QString::fromStdString(stereo));
            QCOMPARE(Text("channelsText"), QString("2"));
            QCOMPARE(Text("dataLengthText"), QString("12"));
            QVERIFY(Control<QCheckBox>("channel1Check")->isEnabled());
            QVERIFY(m_window->Wave().IsLoaded());
            QVERIFY(std::equal(before.begin(), before.end(), m_window->Wave().GetImage()));
            // The name is remembered even though the file was refused.
            QCOMPARE(StoredValue("DefaultMediaFileName"), QString::fromStdString(path));
        }
    }

    void saveWritesTheImageAndProposesTheNameWithoutExtension() {
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("No Wave file to save"));
        QCOMPARE(int(m_dialogs->Icons().back()), int(MessageIcon::Warning));

        const std::string path = StereoWave("take.wav");
        m_dialogs->Answer(path);
        Click("loadAudioButton");
        const std::string out = m_scratch->File("copy.wav");
        m_dialogs->Answer(out);
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->saveRequests.back().initialName, m_scratch->File("take"));
        QCOMPARE(m_dialogs->saveRequests.back().defaultExtension, std::string("wav"));
        QCOMPARE(m_dialogs->Messages().back(), std::string("Wave saved"));
        QCOMPARE(int(m_dialogs->Icons().back()), int(MessageIcon::Information));  // success is no warning
        QVERIFY(ReadFileBytes(out) == ReadFileBytes(path));

        m_dialogs->Answer(m_scratch->File("copy.aiff"));
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("No valid format selected"));
        QVERIFY(!std::filesystem::exists(m_scratch->File("copy.aiff")));

        m_dialogs->Answer(m_scratch->File("no/such/dir/x.wav"));
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("Could not open File"));

        const auto count = m_dialogs->Messages().size();
        m_dialogs->Answer(std::nullopt);
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages().size(), count);
    }

    void saveProposalFollowsTheDisplayName() {
        for (const auto& [file, proposal] : std::vector<std::pair<std::string, std::string>>{
                 {"a.wav", "a"}, {"sound.aiff.wav", "sound.aiff"}}) {
            m_dialogs->Answer(StereoWave(file));
            Click("loadAudioButton");
            m_dialogs->Answer(std::nullopt);
            Click("saveAudioButton");
            QCOMPARE(m_dialogs->saveRequests.back().initialName, m_scratch->File(proposal));
        }
    }

    void reloadUndoesProcessingOrReportsNothingLoaded() {
        Click("reloadAudioButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("Nothing loaded yet"));
        m_dialogs->Answer(StereoWave());
        Click("loadAudioButton");
        CWave& wave = m_window->Wave();
        wave.GetImage()[wave.GetDataOffset()] = 0x55;
        Click("reloadAudioButton");
        QCOMPARE(int(wave.GetImage()[wave.GetDataOffset()]), 1);
    }

    void mixerSlidersSetTheLevelsAndDefaultRestoresThem() {
        auto* original = Control<QSlider>("originalSlider");
        auto* filtered = Control<QSlider>("filteredSlider");
        QCOMPARE(original->minimum(), 0);
        QCOMPARE(original->maximum(), 200);
        QCOMPARE(filtered->minimum(), -200);
        QCOMPARE(filtered->value(), 20);
        filtered->setValue(-200);
        QCOMPARE(Text("filteredLevelText"), QString("-10.00"));
        QCOMPARE(m_window->FilteredLevel(), -10.0f);
        original->setFocus();
        QTest::keyClick(original, Qt::Key_Right);
        QCOMPARE(Text("originalLevelText"), QString("0.05"));
        QCOMPARE(m_window->OriginalLevel(), static_cast<float>(0.05));
        original->setValue(137);
        QCOMPARE(Text("originalLevelText"), QString("6.85"));
        Click("defaultButton");
        QCOMPARE(Text("originalLevelText"), QString("0.00"));
        QCOMPARE(Text("filteredLevelText"), QString("1.00"));
        QCOMPARE(m_window->OriginalLevel(), 0.0f);
        QCOMPARE(m_window->FilteredLevel(), 1.0f);
        QCOMPARE(original->value(), 0);
        QCOMPARE(filtered->value(), 20);
    }

    void selectFilterFillsTheReadOutsAndRemembersTheName() {
        const std::string path = WriteTaps("lowpass.txt", "; Filter Logfile\r\n0.125\r\n-0.25\r\n0.5\r\n-0.75\r\n1.0\r\n");
        SelectFilter(path);
        QVERIFY(m_dialogs->Messages().empty());
        QCOMPARE(m_dialogs->openRequests.back().filterList, std::string("Filter Logfile (.*) (*)"));
        QCOMPARE(m_dialogs->openRequests.back().initialName, std::string());
        QCOMPARE(m_dialogs->openRequests.back().defaultExtension, std::string());
        QCOMPARE(Text("filterFileNameText"), QString::fromStdString(path));
        QCOMPARE(Text("filterLengthText"), QString("5"));
        QCOMPARE(Text("filterGainText"), QString("0.625000"));
        QCOMPARE(m_window->Filter().GetCount(), 5);
        QCOMPARE(StoredValue("DefaultFilterFileName"), QString::fromStdString(path));
        QCOMPARE(StoredValue("DefaultMediaFileName"), QString(""));
        // The next dialog starts at the remembered name; cancelling changes nothing.
        m_dialogs->Answer(std::nullopt);
        Click("selectFilterButton");
        QCOMPARE(m_dialogs->openRequests.back().initialName, path);
        QVERIFY(m_dialogs->Messages().empty());
        QCOMPARE(m_window->Filter().GetCount(), 5);

        // A long name is shortened in the read-out; the gain keeps six decimals.
        const std::string folder = m_scratch->File(std::string(70, 'd'));
        std::filesystem::create_directory(folder);
        const std::string longPath = folder + "/" + std::string(30, 'f') + ".flt";
        WriteFileBytes(longPath, {'-', '1', 'D', '3', '\n', '2', '.', '5', '\n', '1', 'e', '-', '7', '\n'});
        SelectFilter(longPath);
        QCOMPARE(Text("filterFileNameText"), QString::fromStdString("..." + longPath.substr(longPath.rfind('/'))));
        QCOMPARE(Text("filterLengthText"), QString("3"));
        QCOMPARE(Text("filterGainText"), QString("-997.500000"));
    }

    void failedSelectEmptiesTheSetButKeepsTheReadOutsAndStoresTheName() {
        const std::string good = WriteTaps("good.txt", "1.0\n2.0\n3.0\n");
        SelectFilter(good);
        const std::string bad = WriteTaps("two.txt", "1.0\n2.0\n");
        for (const std::string& path : {bad, m_scratch->File("missing.txt")}) {
            SelectFilter(path);
            QCOMPARE(m_dialogs->Messages().back(), std::string("Could not open file"));
            QCOMPARE(StoredValue("DefaultFilterFileName"), QString::fromStdString(path));
            QCOMPARE(m_window->Filter().GetCount(), 0);
            QCOMPARE(Text("filterFileNameText"), QString::fromStdString(good));
            QCOMPARE(Text("filterLengthText"), QString("3"));
            QCOMPARE(Text("filterGainText"), QString("6.000000"));
        }
        m_dialogs->Answer(StereoWave());
        Click("loadAudioButton");
        Click("applyFilterButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("No filter specified"));
        QVERIFY(m_dialogs->Progress().empty());
    }

    void applyFilterChecksTheFilterBeforeTheWave() {
        Click("applyFilterButton");
        QCOMPARE(m_dialogs->Messages(), std::vector<std::string>{"No filter specified"});
        SelectFilter(WriteTaps("taps.txt", "0.0\n1.0\n0.0\n"));
        Click("applyFilterButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("No valid Wave file loaded"));
        m_dialogs->Answer(m_scratch->File("missing.wav"));
        Click("loadAudioButton");
        m_dialogs->ClearMessages();
        Click("applyFilterButton");
        QCOMPARE(m_dialogs->Messages(), std::vector<std::string>{"No valid Wave file loaded"});
        QVERIFY(m_dialogs->Progress().empty());
    }

    void applyFilterUsesTheMixerLevelsAndTheChannelBoxes() {
        m_dialogs->Answer(StereoWave());
        Click("loadAudioButton");
        SelectFilter(WriteTaps("double.txt", "0.0\n2.0\n0.0\n"));
        Control<QSlider>("filteredSlider")->setValue(30);  // 1.50
        Control<QSlider>("originalSlider")->setValue(20);  // 1.00
        Control<QCheckBox>("channel1Check")->setChecked(false);
        Click("applyFilterButton");
        QVERIFY(m_dialogs->Messages().empty());
        // Channel 2 becomes 1.5 * 2x + x = 4x; channel 1 keeps its samples.
        CWave& wave = m_window->Wave();
        const std::uint8_t* data = wave.GetImage() + wave.GetDataOffset();
        const std::vector<std::uint8_t> samples(data, data + wave.GetDataLength());
        const auto stereo = BuildWave16({}, {1, -4, 300, -1200, 7, 32});
        QVERIFY(samples == std::vector<std::uint8_t>(stereo.end() - 12, stereo.end()));
        QCOMPARE(m_dialogs->Progress().size(), std::size_t{1});
        const ProgressRecord& progress = *m_dialogs->Progress().front();
        QVERIFY(progress.shown);
        QVERIFY(progress.destroyed);
        QCOMPARE(progress.high, 0);
        QCOMPARE(progress.positions, std::vector<int>({0}));  // F / 100 = 0; steps -2 .. 2, one multiple of 100
        // Read-outs stay as they were.
        QCOMPARE(Text("dataLengthText"), QString("12"));
    }

    void applyFilterShowsTheProgressWindowWhileItRunsAndRemovesIt() {
        RealProgressDialogs dialogs(*m_dialogs);
        m_window = std::make_unique<CMainDialog>();  // the wave reports to the dialogs of its window's start
        m_window->show();
        WaveLayout layout;
        layout.channels = 2;
        m_dialogs->Answer(WriteWave("long.wav", BuildWave16(layout, std::vector<std::int16_t>(2 * 250, 1000))));
        Click("loadAudioButton");
        SelectFilter(WriteTaps("taps.txt", "0.0\n1.0\n0.0\n"));
        QVERIFY(!AnyProgressWindow());
        Click("applyFilterButton");
        QVERIFY(m_dialogs->Messages().empty());
        // Both channels of 250 frames: steps -2 .. 249 twice, positions i / 100 and (i + 250) / 100.
        QCOMPARE(dialogs.positionsOnScreen, std::vector<int>({0, 1, 2, 2, 3, 4}));
        QVERIFY(!AnyProgressWindow());
        m_window.reset();  // before the dialogs it reports to
    }

    void filteredFileEqualsWhatTheCommandLineToolWrites() {
        std::mt19937 random(5);
        const std::string input = NoiseWave("noise.wav", 3000, 30000, random);
        std::string taps;
        for (int j = 0; j < 31; ++j) {
            taps += std::to_string(std::uniform_real_distribution<double>(-0.3, 0.3)(random)) + "\n";
        }
        const std::string tapsPath = WriteTaps("taps.txt", taps);
        m_dialogs->Answer(input);
        Click("loadAudioButton");
        SelectFilter(tapsPath);
        Control<QSlider>("filteredSlider")->setValue(-13);
        Control<QSlider>("originalSlider")->setValue(7);
        QCOMPARE(m_window->FilteredLevel(), -0.65f);
        QCOMPARE(m_window->OriginalLevel(), 0.35f);
        Control<QCheckBox>("channel2Check")->setChecked(false);
        Click("applyFilterButton");
        const std::string ours = m_scratch->File("gui.wav");
        m_dialogs->Answer(ours);
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages().back(), std::string("Wave saved"));

        const std::string theirs = m_scratch->File("cli.wav");
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
        m_dialogs->Answer(input);
        Click("loadAudioButton");
        QVERIFY(!ChooseFromContextMenu(m_window.get(), "Save Commands as Macro..."));  // nothing applied yet

        SelectFilter(WriteTaps("taps.txt", "0.1\n-0.3\n1.2\n-0.3\n0.1\n"));
        Control<QSlider>("filteredSlider")->setValue(17);
        Control<QSlider>("originalSlider")->setValue(3);
        Control<QCheckBox>("channel2Check")->setChecked(false);
        Click("applyFilterButton");
        Control<QCheckBox>("channel2Check")->setChecked(true);
        Control<QCheckBox>("channel1Check")->setChecked(false);
        Click("effectsButton");
        CEffectsDialog& effects = m_window->EffectsDialog();
        QTest::mouseClick(Child<QPushButton>(&effects, "medianFilterButton"), Qt::LeftButton);
        Child<QSlider>(&effects.MedianDialog(), "lengthSlider")->setValue(3);  // length 7
        QTest::mouseClick(Child<QPushButton>(&effects.MedianDialog(), "applyButton"), Qt::LeftButton);
        WithModal([&] { QTest::mouseClick(Child<QPushButton>(&effects, "amplifyButton"), Qt::LeftButton); },
                  [](QWidget* amplify) {
                      Child<QLineEdit>(amplify, "gain1Edit")->setText("0.8");
                      Child<QLineEdit>(amplify, "gain2Edit")->setText("1.25");
                      QTest::mouseClick(Child<QPushButton>(amplify, "applyButton"), Qt::LeftButton);
                  });
        const std::string byHand = m_scratch->File("by hand.wav");
        m_dialogs->Answer(byHand);
        Click("saveAudioButton");
        const std::string macro = m_scratch->File("tuned.txt");
        m_dialogs->Answer(macro);
        QVERIFY(ChooseFromContextMenu(m_window.get(), "Save Commands as Macro..."));
        QCOMPARE(m_dialogs->Messages(), std::vector<std::string>{"Wave saved"});
        const auto written = ReadFileBytes(macro);
        QCOMPARE(std::string(written.begin(), written.end()),
                 "# Tressel macro: the commands applied to " + input +
                     "\nfir taps.txt --original 0.15 --filtered 0.85 --channels 1\nmedian 7 --channels 2\n"
                     "amplify 0.8 1.25\n");

        Click("reloadAudioButton");
        QVERIFY(!ChooseFromContextMenu(m_window.get(), "Save Commands as Macro..."));  // reloading forgets them
        m_dialogs->Answer(macro);
        QVERIFY(ChooseFromContextMenu(m_window.get(), "Run Macro..."));
        const std::string replayed = m_scratch->File("replayed.wav");
        m_dialogs->Answer(replayed);
        Click("saveAudioButton");
        QCOMPARE(m_dialogs->Messages(), (std::vector<std::string>{"Wave saved", "Wave saved"}));
        QVERIFY(ReadFileBytes(replayed) == ReadFileBytes(byHand));
        QVERIFY(ReadFileBytes(replayed) != ReadFileBytes(input));

        std::ofstream(macro, std::ios::app) << "save {name}-cli.wav\n";
        const std::string command = std::string(TRESSEL_BIN_DIR) + "/tressel-cli run '" + macro + "' '" + input +
                                    "' --out '" + m_scratch->File("cli") + "' >/dev/null";
        QCOMPARE(std::system(command.c_str()), 0);
        QVERIFY(ReadFileBytes(m_scratch->File("cli/take one-cli.wav")) == ReadFileBytes(byHand));

        // A macro the window cannot run says where it is wrong.
        const std::string bad = WriteTaps("bad.txt", "normalize\nmedian 3 --channels 3\n");
        m_dialogs->Answer(bad);
        QVERIFY(ChooseFromContextMenu(m_window.get(), "Run Macro..."));
        QCOMPARE(m_dialogs->Messages().back(), bad + ":2: --channels must be 1, 2 or 1,2: 3");
    }

    void longNamesAreElidedInTheReadOut() {
        const std::string folder = m_scratch->File(std::string(70, 'd'));
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/" + std::string(30, 'f') + ".wav";
        WriteFileBytes(path, BuildWave({}, {1, 2}));
        m_dialogs->Answer(path);
        Click("loadAudioButton");
        QCOMPARE(Text("waveFileNameText"), QString::fromStdString("..." + path.substr(path.rfind('/'))));
    }

    void settingsStoreThatCannotBeCreatedIsReported() {
        // A settings folder below a plain file can never be created, whoever runs the test.
        WriteFileBytes(m_scratch->File("blocker"), {1});
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_scratch->File("blocker")));
        const std::string path = StereoWave();
        m_dialogs->Answer(path);
        Click("loadAudioButton");
        QCOMPARE(m_dialogs->Messages(), std::vector<std::string>{"Failure creating registry key"});
        QCOMPARE(Text("channelsText"), QString("2"));  // the command goes on
        QVERIFY(!m_window->LoadSettings());
        QCOMPARE(m_window->MediaFileName(), std::string());
    }

    void storedNamesOfAnyLengthComeBackWhole() {
        QSettings seed(QSettings::NativeFormat, QSettings::UserScope, "Brindlewick", "Tressel");
        const QString longName = "/" + QString(600, 'n') + ".wav";
        seed.setValue("DefaultMediaFileName", longName);
        seed.sync();
        QVERIFY(m_window->LoadSettings());
        QCOMPARE(QString::fromStdString(m_window->MediaFileName()), longName);
        QCOMPARE(m_window->FilterFileName(), std::string());  // missing value reads as empty
    }

    void helpShowsTheMainTopicAndGoesWithTheWindow() {
        HelpViewer viewer;
        SetAppHelp(&viewer);
        Click("helpButton");
        QCOMPARE(viewer.CurrentTopic(), 1);
        QVERIFY(viewer.Window()->isVisible());
        QVERIFY(viewer.Window()->toPlainText().contains("Select Filter"));
        m_window.reset();
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
        m_window->ShowAboutBox();
        QCOMPARE(seen, QString("About Tressel|Tressel Version 2.10"));
    }
};

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
