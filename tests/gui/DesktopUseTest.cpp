// The main window as a desktop program: its title, the unsaved-work prompt, the keyboard, files dropped
// on it and the recent-file lists. Real windows offscreen, scripted dialogs, captured messages.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QTextBrowser>
#include <QKeySequence>
#include <QSlider>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "app/EffectsDialog.h"
#include "app/HelpViewer.h"
#include "app/Mp3EncoderDialog.h"
#include "app/QtSoundOutput.h"
#include "app/QtUserDialogs.h"
#include "app/MedianDialog.h"
#include "app/RecentFiles.h"
#include "audio/SoundOutput.h"
#include "tests/gui/support/MainWindowHarness.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// Sound that only remembers whether it plays.
class RecordingSound final : public SoundOutput {
public:
    bool Play(const std::uint8_t*, std::size_t, bool) override {
        playing = true;
        return true;
    }
    bool Stop() override {
        playing = false;
        return true;
    }
    bool IsPlaying() const override { return playing; }
    bool playing = false;
};

QUrl Local(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

}  // namespace

class DesktopUseTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowHarness> m_h;

    // Loads `name` and changes its samples (amplify through the workbench, as the Amplify window does).
    std::string LoadAndChange(const std::string& name = "take.wav") {
        const std::string path = m_h->StereoWave(name);
        m_h->LoadAudio(path);
        m_h->window->Workbench().Amplify(2.0, 2.0);
        return path;
    }
    // The offscreen platform does not always pass on an activation request between two windows of ours.
    static bool ActivateWindow(QWidget* window) {
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }

private slots:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_h.reset(); }

    void titleNamesTheFileAndStarsUnsavedChanges() {
        CMainDialog& window = *m_h->window;
        QCOMPARE(window.windowTitle(), QString("Tressel"));
        const std::string path = m_h->StereoWave("take.wav");
        m_h->LoadAudio(path);
        QCOMPARE(window.windowTitle(), QString("take.wav - Tressel"));
        m_h->Click("effectsButton");
        CMedianDialog& median = window.EffectsDialog().MedianDialog();
        QTest::mouseClick(Child<QPushButton>(&median, "applyButton"), Qt::LeftButton);
        QCOMPARE(window.windowTitle(), QString("take.wav* - Tressel"));
        m_h->dialogs.Answer(m_h->scratch.File("copy.wav"));
        m_h->Click("saveAudioButton");
        QCOMPARE(window.windowTitle(), QString("take.wav - Tressel"));
        // The Amplify window changes the samples outside the main window's own commands.
        WithModal([&] { QTest::mouseClick(Child<QPushButton>(&window.EffectsDialog(), "amplifyButton"), Qt::LeftButton); },
                  [](QWidget* amplify) { QTest::mouseClick(Child<QPushButton>(amplify, "applyButton"), Qt::LeftButton); });
        QCOMPARE(window.windowTitle(), QString("take.wav* - Tressel"));
        m_h->Click("reloadAudioButton");  // the prompt answers Discard
        QCOMPARE(window.windowTitle(), QString("take.wav - Tressel"));
        m_h->LoadAudio(m_h->scratch.File("gone.wav"));  // a failed load changes nothing
        QCOMPARE(window.windowTitle(), QString("take.wav - Tressel"));
    }

    // Every command that would throw changed samples away asks first, and each answer does what it says.
    void unsavedWorkPromptGuardsEveryCommandThatLosesWork() {
        struct Command {
            const char* name;
            std::function<void(MainWindowHarness&, const std::string& other)> run;
            std::function<bool(MainWindowHarness&, const std::string& other)> wentOn;
        };
        const auto closed = [](MainWindowHarness& h, const std::string&) { return !h.window->isVisible(); };
        const auto replaced = [](MainWindowHarness& h, const std::string& other) {
            return h.window->DisplayName() == other;
        };
        const std::vector<Command> commands = {
            {"Quit", [](MainWindowHarness& h, const std::string&) { h.Click("quitButton"); }, closed},
            {"close", [](MainWindowHarness& h, const std::string&) { h.window->close(); }, closed},
            {"Load Audio",
             [](MainWindowHarness& h, const std::string& other) {
                 h.dialogs.Answer(other);  // taken by the file dialog only when the load goes on
                 h.Click("loadAudioButton");
             },
             replaced},
            {"Reload Audio", [](MainWindowHarness& h, const std::string&) { h.Click("reloadAudioButton"); },
             [](MainWindowHarness& h, const std::string&) { return !h.window->Workbench().IsModified(); }},
            {"drop", [](MainWindowHarness& h, const std::string& other) { DropUrls(h.window.get(), {Local(other)}); },
             replaced},
        };
        struct Answer {
            const char* name;
            SaveChangesAnswer answer;
            bool saveFileChosen;
            bool wentOn;
        };
        const std::vector<Answer> answers = {{"Cancel", SaveChangesAnswer::Cancel, false, false},
                                             {"Discard", SaveChangesAnswer::Discard, false, true},
                                             {"Save", SaveChangesAnswer::Save, true, true},
                                             {"Save, then cancel the file", SaveChangesAnswer::Save, false, false}};
        for (const Command& command : commands) {
            for (const Answer& answer : answers) {
                const QByteArray label = QByteArray(command.name) + " / " + answer.name;
                m_h.reset();  // one window and one set of dialogs at a time
                m_h = std::make_unique<MainWindowHarness>();
                const std::string other = m_h->StereoWave("other.wav", 9);
                LoadAndChange();
                const std::vector<std::uint8_t> changed = m_h->Image();
                const std::string saved = m_h->scratch.File("saved.wav");
                m_h->dialogs.AnswerSaveChanges(answer.answer);
                if (answer.answer == SaveChangesAnswer::Save) {
                    m_h->dialogs.Answer(answer.saveFileChosen ? std::optional<std::string>(saved) : std::nullopt);
                }
                command.run(*m_h, other);
                QVERIFY2(m_h->dialogs.saveChangesQuestions == std::vector<std::string>{"take.wav"}, label);
                QVERIFY2(command.wentOn(*m_h, other) == answer.wentOn, label);
                QVERIFY2(std::filesystem::exists(saved) == answer.saveFileChosen, label);
                if (answer.saveFileChosen) {
                    QVERIFY2(ReadFileBytes(saved) == changed, label);
                }
                if (!answer.wentOn) {
                    QVERIFY2(m_h->window->isVisible() && m_h->window->Workbench().IsModified(), label);
                    QVERIFY2(m_h->Image() == changed, label);
                }
            }
        }
        // Nothing changed, nothing asked.
        m_h.reset();
        m_h = std::make_unique<MainWindowHarness>();
        m_h->LoadAudio(m_h->StereoWave("take.wav"));
        m_h->Click("reloadAudioButton");
        m_h->Click("quitButton");
        QVERIFY(m_h->dialogs.saveChangesQuestions.empty());
        QVERIFY(!m_h->window->isVisible());
    }

    void eachShortcutClicksItsButtonAndItsTooltipNamesTheKey() {
        RecordingSound sound;
        CMainDialog& window = *m_h->window;
        window.Wave().SetSoundOutput(&sound);
        m_h->LoadAudio(m_h->StereoWave("take.wav"));
        QVERIFY(ActivateWindow(&window));
        ScriptedUserDialogs& dialogs = m_h->dialogs;
        struct Case {
            const char* button;
            QKeySequence key;
            std::function<bool()> happened;
        };
        const std::size_t opens = dialogs.openRequests.size();
        const std::vector<Case> cases = {
            {"loadAudioButton", QKeySequence("Ctrl+O"),
             [&] { return dialogs.openRequests.size() == opens + 1 && dialogs.openRequests.back().defaultExtension.empty(); }},
            {"selectFilterButton", QKeySequence("Ctrl+L"),
             [&] { return dialogs.openRequests.back().filterList == "Filter Logfile (.*) (*)"; }},
            {"saveAudioButton", QKeySequence("Ctrl+S"), [&] { return dialogs.saveRequests.size() == 1; }},
            {"applyFilterButton", QKeySequence("Ctrl+Return"),
             [&] { return dialogs.Messages() == std::vector<std::string>{"No filter specified"}; }},
            {"reloadAudioButton", QKeySequence("Ctrl+R"),
             [&] { return window.Workbench().Revision() == 2; }},  // one load, one reload
            {"effectsButton", QKeySequence("Ctrl+E"), [&] { return window.EffectsDialog().isVisible(); }},
            {"helpButton", QKeySequence("F1"), [&] { return m_h->help.topics == std::vector<int>{kHelpMainWindow}; }},
            {"playButton", QKeySequence("Space"), [&] { return sound.playing; }},
            {"stopButton", QKeySequence("Space"), [&] { return !sound.playing; }},
            {"quitButton", QKeySequence("Ctrl+Q"), [&] { return !window.isVisible(); }},
        };
        for (const Case& c : cases) {
            QVERIFY(ActivateWindow(&window));  // the Effects window took the focus
            QPushButton* button = m_h->Control(c.button);
            const QString text = button->text().remove('&');
            QCOMPARE(button->toolTip(), text + " (" + c.key.toString(QKeySequence::NativeText) + ")");
            QTest::keySequence(&window, c.key);
            QVERIFY2(c.happened(), c.button);
        }
        window.Wave().SetSoundOutput(nullptr);
    }

    // F1 opens the help of the window that has the focus.
    void helpKeyFollowsTheFocusedWindow() {
        CEffectsDialog& effects = m_h->window->EffectsDialog();
        m_h->Click("effectsButton");
        QTest::mouseClick(Child<QPushButton>(&effects, "medianFilterButton"), Qt::LeftButton);
        for (QWidget* window : {static_cast<QWidget*>(&effects), static_cast<QWidget*>(&effects.MedianDialog()),
                                static_cast<QWidget*>(m_h->window.get())}) {
            QVERIFY(ActivateWindow(window));
            QTest::keyClick(window, Qt::Key_F1);
        }
        QCOMPARE(m_h->help.topics, (std::vector<int>{kHelpEffects, kHelpMedianFilter, kHelpMainWindow}));
    }

    // Return runs the focused button, never a default Quit; Escape does nothing in the main window.
    void returnRunsTheFocusedButtonAndNeitherKeyQuits() {
        CMainDialog& window = *m_h->window;
        QVERIFY(ActivateWindow(&window));
        m_h->Control<QSlider>("originalSlider")->setValue(50);
        QPushButton* defaults = m_h->Control("defaultButton");
        defaults->setFocus();
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(m_h->Text("originalLevelText"), QString("0.00"));
        m_h->Control<QSlider>("originalSlider")->setFocus();
        QTest::keyClick(&window, Qt::Key_Return);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(m_h->dialogs.Messages().empty());

        // In Median Filter, Return on a focused Close closes rather than filtering again.
        LoadAndChange();
        m_h->Click("effectsButton");
        CMedianDialog& median = window.EffectsDialog().MedianDialog();
        QTest::mouseClick(Child<QPushButton>(&window.EffectsDialog(), "medianFilterButton"), Qt::LeftButton);
        QVERIFY(ActivateWindow(&median));
        const std::uint64_t revision = window.Workbench().Revision();
        QPushButton* close = Child<QPushButton>(&median, "closeButton");
        close->setFocus();
        QTest::keyClick(close, Qt::Key_Return);
        QVERIFY(!median.isVisible());
        QCOMPARE(window.Workbench().Revision(), revision);
    }

    // The small faults a newcomer met, each with what now holds.
    void smallWindowFaultsAreMended() {
        CMainDialog& window = *m_h->window;
        for (const char* name : {"originalSlider", "filteredSlider"}) {  // a fifth of the range per page
            auto* slider = m_h->Control<QSlider>(name);
            QCOMPARE(slider->pageStep() * 5, slider->maximum() - slider->minimum());
        }

        m_h->LoadAudio(m_h->StereoWave("take.wav"));
        m_h->Click("effectsButton");
        QString shownFrom;
        WithModal([&] { QTest::mouseClick(Child<QPushButton>(&window.EffectsDialog(), "amplifyButton"), Qt::LeftButton); },
                  [&](QWidget* amplify) {
                      auto* gain = Child<QLineEdit>(amplify, "gain1Edit");
                      QVERIFY(gain->text().size() > 5);
                      shownFrom = gain->text().left(gain->cursorPosition() + 1);
                  });
        QCOMPARE(shownFrom.size(), 1);  // the field shows the start of the number

        CMp3EncoderDialog encoder;
        auto* bitrate = Child<QComboBox>(&encoder, "combo1059");
        QCOMPARE(bitrate->itemText(bitrate->currentIndex()), QString("128"));

        HelpViewer help;
        help.ShowTopic(kHelpMainWindow);
        QVERIFY(ActivateWindow(help.Window()));
        QTest::keyClick(help.Window(), Qt::Key_Escape);
        QVERIFY(!help.Window()->isVisible());
    }

    // Without a sound server, Play says so instead of doing nothing.
    void playWithoutSoundOutputSaysSo() {
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            QSKIP("this machine has a sound output");
        }
        QtSoundOutput sound;
        m_h->window->Wave().SetSoundOutput(&sound);
        m_h->Click("playButton");  // nothing loaded: nothing to say
        QVERIFY(m_h->dialogs.Messages().empty());
        m_h->LoadAudio(m_h->StereoWave("take.wav"));
        m_h->Click("playButton");
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No sound output device is available"});
        m_h->window->Wave().SetSoundOutput(nullptr);
    }

    // The file type chosen in the save dialog decides the extension of a name typed without one.
    void saveDialogAddsTheExtensionOfTheChosenType() {
        QtUserDialogs qt;
        struct Case {
            std::vector<Qt::Key> typeKeys;  // in the file type list, as a user chooses
            const char* typed;
            const char* expected;
        };
        const std::vector<Case> cases = {{{}, "plain", "plain.wav"},
                                         {{Qt::Key_Down}, "out", "out.mp3"},
                                         {{Qt::Key_Down}, "named.wav", "named.wav"},
                                         {{Qt::Key_Down, Qt::Key_Up}, "back", "back.wav"}};
        for (const Case& c : cases) {
            std::optional<std::string> chosen;
            WithModal([&] { chosen = qt.ChooseFileToSave({"Wave (.wav) (*.wav);;MP3 (.mp3) (*.mp3)", "", "wav"}); },
                      [&](QWidget* modal) {
                          auto* dialog = qobject_cast<QFileDialog*>(modal);
                          QVERIFY(dialog);
                          dialog->setDirectory(QString::fromStdString(m_h->scratch.Path().string()));
                          for (Qt::Key key : c.typeKeys) {
                              QTest::keyClick(Child<QComboBox>(dialog, "fileTypeCombo"), key);
                          }
                          dialog->selectFile(c.typed);
                          QMetaObject::invokeMethod(dialog, "accept");
                      });
            QVERIFY2(chosen && *chosen == m_h->scratch.File(c.expected), c.typed);
        }
    }

    // "Select Filter" asks for the last filter chosen, and the open dialog starts in that file's folder,
    // also when the file itself has gone since.
    void openDialogStartsInTheFolderOfTheLastFile() {
        const std::filesystem::path filters = m_h->scratch.Path() / "filters";
        std::filesystem::create_directories(filters);
        const std::string hum = m_h->WriteText("filters/hum.txt", "0.25\n0.5\n0.25\n");
        m_h->SelectFilter(hum);
        m_h->dialogs.Answer(std::nullopt);
        m_h->Click("selectFilterButton");
        QCOMPARE(m_h->dialogs.openRequests.back().initialName, hum);

        QtUserDialogs qt;
        const std::vector<std::string> lastFiles = {hum, (filters / "gone.txt").string()};
        for (const std::string& last : lastFiles) {
            QString folder;
            WithModal([&] { qt.ChooseFileToOpen({"Filter Logfile (*.txt)", last, ""}); },
                      [&](QWidget* modal) {
                          auto* dialog = qobject_cast<QFileDialog*>(modal);
                          QVERIFY(dialog);
                          folder = dialog->directory().absolutePath();
                          QMetaObject::invokeMethod(dialog, "reject");
                      });
            QCOMPARE(folder, QString::fromStdString(filters.string()));
        }
    }

    void droppedFilesAreSortedByWhatTheyHold() {
        CMainDialog& window = *m_h->window;
        const std::string filter = m_h->WriteText("hum.txt", "; notch\n0.25\n0.5\n0.25\n");
        const std::string wave = m_h->StereoWave("take.wav");
        // Audio by content whatever its name; the first of each kind counts.
        const std::string waveNamedText = m_h->StereoWave("take.txt", 3);
        const std::string folder = m_h->scratch.File("folder.wav");
        std::filesystem::create_directory(folder);
        const std::string binary = m_h->WriteFile("picture.png", {0x89, 'P', 'N', 'G', 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
        const std::string tooShort = m_h->WriteText("two.txt", "0.5\n0.5\n");
        struct Case {
            const char* name;
            QList<QUrl> urls;
            std::string audio;   // the display name afterwards
            std::string filter;  // the filter file afterwards
            std::size_t refusals;
        };
        const std::vector<Case> cases = {
            {"audio", {Local(wave)}, wave, "", 0},
            {"filter", {Local(filter)}, wave, filter, 0},
            {"several",
             {Local(folder), Local(waveNamedText), Local(wave), Local(tooShort), Local(filter), Local(binary),
              QUrl("https://example.org/a.wav"), Local(m_h->scratch.File("vanished.wav"))},
             waveNamedText, filter, 5},
            {"nothing usable", {Local(binary), Local(tooShort), Local(folder)}, waveNamedText, filter, 3},
        };
        for (const Case& c : cases) {
            m_h->dialogs.ClearMessages();
            QVERIFY2(DropUrls(&window, c.urls), c.name);
            QVERIFY2(m_h->dialogs.Messages() == std::vector<std::string>(c.refusals, "Could not open file"), c.name);
            QVERIFY2(window.DisplayName() == c.audio, c.name);
            QVERIFY2(window.Filter().GetFileName() == c.filter, c.name);
        }
        QCOMPARE(window.Filter().GetCount(), 3);  // the refused files left the filter as it was
        QCOMPARE(m_h->Image(), ReadFileBytes(waveNamedText));
        QCOMPARE(window.MediaFileName(), waveNamedText);  // remembered as Load Audio remembers
        QCOMPARE(window.FilterFileName(), filter);
        QVERIFY(m_h->dialogs.saveChangesQuestions.empty());

        // An MP3 stream without an extension is decoded as Load Audio decodes one.
        const std::string mp3 = m_h->CopyVector("l2-fl10.bit", "tune");
        QVERIFY(DropUrls(&window, {Local(mp3)}));
        QCOMPARE(window.DisplayName(), mp3);
        QVERIFY(window.Wave().GetDataLength() > 0);
    }

    // The command line hands its files to the same sorting.
    void filesNamedAtStartOpenLikeDroppedOnes() {
        const std::string filter = m_h->WriteText("hum.txt", "0.25\n0.5\n0.25\n");
        const std::string wave = m_h->StereoWave("take.wav");
        m_h->window->OpenFiles({filter, wave});
        QCOMPARE(m_h->window->DisplayName(), wave);
        QCOMPARE(m_h->window->Filter().GetFileName(), filter);
        QCOMPARE(m_h->window->windowTitle(), QString("take.wav - Tressel"));
        m_h->window->OpenFiles({m_h->scratch.File("missing.wav")});
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Could not open file"});
        QCOMPARE(m_h->window->DisplayName(), wave);
    }

    void recentFilesListTheLastEightAndForgetVanishedOnes() {
        std::vector<std::string> waves;
        for (int i = 0; i < 10; ++i) {
            waves.push_back(m_h->StereoWave("take" + std::to_string(i) + ".wav", i));
            m_h->LoadAudio(waves.back());
        }
        const QString audioMenu = "Recent &Audio Files";
        QStringList expected;
        for (int i = 9; i >= 2; --i) {
            expected.push_back(QString("&%1 %2").arg(10 - i).arg(QString::fromStdString(waves[i])));
        }
        QCOMPARE(ContextSubmenu(m_h->window.get(), audioMenu), expected);

        // Gone files leave the list when the menu opens; the rest still works.
        std::filesystem::remove(waves[8]);
        const QStringList afterRemoval = ContextSubmenu(m_h->window.get(), audioMenu, 3);  // take5.wav
        QCOMPARE(afterRemoval.size(), 7);
        QVERIFY(!afterRemoval.join('\n').contains("take8.wav"));
        QCOMPARE(m_h->window->DisplayName(), waves[5]);
        QCOMPARE(m_h->window->MediaFileName(), waves[5]);  // the remembered name of the Parts' key
        QCOMPARE(RecentFiles("Audio").Entries().front(), waves[5]);

        // An entry whose file goes while the menu is open says so and leaves the list.
        ContextSubmenu(m_h->window.get(), audioMenu, 1, [&] { std::filesystem::remove(waves[9]); });
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Could not open file"});
        QCOMPARE(RecentFiles("Audio").Entries().size(), std::size_t{6});

        const std::string first = m_h->WriteText("first.txt", "0.5\n0.5\n0.5\n");
        const std::string second = m_h->WriteText("second.txt", "1.0\n0.0\n0.0\n0.0\n");
        m_h->SelectFilter(first);
        m_h->SelectFilter(second);
        const QStringList filters = ContextSubmenu(m_h->window.get(), "Recent &Filter Files", 1);
        QCOMPARE(filters, (QStringList{"&1 " + QString::fromStdString(second), "&2 " + QString::fromStdString(first)}));
        QCOMPARE(m_h->window->Filter().GetFileName(), first);

        // Lists survive a restart; a store that cannot be read starts them empty without a word.
        m_h->OpenWindow();
        QCOMPARE(ContextSubmenu(m_h->window.get(), "Recent &Filter Files").size(), 2);
        QVERIFY(std::filesystem::exists(m_h->scratch.File("config/Brindlewick/Tressel/RecentFiles.conf")));
        const std::filesystem::path broken = m_h->scratch.File("broken/Brindlewick/Tressel/RecentFiles.conf");
        std::filesystem::create_directories(broken);  // neither readable as a file nor writable
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_h->scratch.File("broken")));
        m_h->dialogs.ClearMessages();
        m_h->OpenWindow();
        QVERIFY(ContextSubmenu(m_h->window.get(), audioMenu).isEmpty());
        m_h->LoadAudio(waves[0]);
        QVERIFY(ContextSubmenu(m_h->window.get(), audioMenu).isEmpty());
        QVERIFY(m_h->dialogs.Messages().empty());
    }
};

QTEST_MAIN(DesktopUseTest)
#include "DesktopUseTest.moc"
