// The progress window of a long command, driven for real: it names the command, sits over the main window,
// keeps the buttons that would start another command disabled, and its Cancel button, Escape or closing
// it stops the command, which leaves the samples, the history and the title as they were.

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/EffectsDialog.h"
#include "app/HistoryActions.h"
#include "app/MedianDialog.h"
#include "app/ProgressWindow.h"
#include "mp3dec/decode_stream.h"
#include "tests/gui/support/MainWindowHarness.h"
#include "tests/gui/support/RealProgressDialogs.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// What the progress window showed when it was stopped.
struct Seen {
    bool stopped = false;
    QString name;
    QPoint centreOffset;  // from the main window's centre
    bool applyButtonEnabled = true;
    bool listeningKeyEnabled = true;  // Shift+Space, which reads the samples the command is changing
    bool runMacroOffered = true;      // the context menu's entry that would start another command
    bool cancelVisible = false;
    QString status;
};

// Stops the command the given way as soon as its progress window is on screen (once the window's show
// has been handled, as a person's click would come).
class Stopper : public QObject {
public:
    Stopper(QWidget& mainWindow, std::function<void(CProgressWindow&)> stop)
        : m_mainWindow(mainWindow), m_stop(std::move(stop)) {
        qApp->installEventFilter(this);
    }
    ~Stopper() override { qApp->removeEventFilter(this); }
    const Seen& Result() const { return m_seen; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* window = qobject_cast<CProgressWindow*>(object);
        if (window && event->type() == QEvent::Show && !m_seen.stopped) {
            m_seen.stopped = true;
            QTimer::singleShot(0, this, [this, window = QPointer<CProgressWindow>(window)] {
                if (window) {
                    Stop(*window);
                }
            });
        }
        return false;
    }

private:
    void Stop(CProgressWindow& window) {
        m_seen.name = window.findChild<QLabel*>("commandName")->text();
        m_seen.centreOffset = window.frameGeometry().center() - m_mainWindow.frameGeometry().center();
        m_seen.applyButtonEnabled = m_mainWindow.findChild<QPushButton*>("applyFilterButton")->isEnabled();
        for (const QShortcut* shortcut : m_mainWindow.findChildren<QShortcut*>()) {
            if (shortcut->key() == QKeySequence(Qt::SHIFT | Qt::Key_Space)) {
                m_seen.listeningKeyEnabled = shortcut->isEnabled();
            }
        }
        m_seen.runMacroOffered = ChooseFromContextMenu(&m_mainWindow, "Run Macro...");
        m_seen.cancelVisible = window.CancelButton()->isVisible();
        m_seen.status = window.StatusText();
        m_stop(window);
    }

    QWidget& m_mainWindow;
    std::function<void(CProgressWindow&)> m_stop;
    Seen m_seen;
};

// A long MPEG stream: one conformance stream's frames over and over.
std::vector<std::uint8_t> RepeatedStream(const std::string& vector, int times) {
    const auto once = ReadFileBytes(std::filesystem::path(TRESSEL_TEST_DATA) / "vectors" / vector);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < times; ++i) {
        bytes.insert(bytes.end(), once.begin(), once.end());
    }
    return bytes;
}

std::string ManyTaps(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "0.001\n";
    }
    return text;
}

}  // namespace

class CancelCommandTest : public QObject {
    Q_OBJECT

private slots:
    void cancelOrEscapeStopsTheCommandAndLeavesTheSamples() {
        struct Case {
            const char* command;
            const char* name;
            std::function<void(CProgressWindow&)> stop;
        };
        const auto clickCancel = [](CProgressWindow& window) {
            QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
        };
        const auto pressEscape = [](CProgressWindow& window) { QTest::keyClick(&window, Qt::Key_Escape); };
        const auto closeWindow = [](CProgressWindow& window) { window.close(); };
        const std::vector<Case> cases = {
            {"Apply Filter", "Apply Filter", clickCancel},
            {"Median", "Median Filter", pressEscape},
            {"Apply Filter", "Apply Filter", closeWindow},
            {"Run Macro", "Run Macro", clickCancel},
        };
        for (const Case& test : cases) {
            MainWindowHarness harness;
            RealProgressDialogs dialogs(harness.dialogs);
            harness.OpenWindow();
            WaveLayout layout;
            layout.channels = 2;
            std::vector<std::int16_t> samples(2 * 2000000);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
            }
            harness.LoadAudio(harness.WriteFile("long.wav", BuildWave16(layout, samples)));
            harness.SelectFilter(harness.WriteText("taps.txt", ManyTaps(2001)));
            const std::string macro = harness.WriteText("louder-then-filter.txt", "amplify 0.5 0.5\nfir taps.txt\n");
            const std::vector<std::uint8_t> before = harness.Image();
            const QString title = harness.window->windowTitle();

            harness.window->activateWindow();  // as the click of a person would
            QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(harness.window.get()));
            Stopper stopper(*harness.window, test.stop);
            if (std::string(test.command) == "Apply Filter") {
                harness.Click("applyFilterButton");
            } else if (std::string(test.command) == "Run Macro") {
                // Stopped in its filter, the macro takes back its amplification too.
                harness.dialogs.Answer(macro);
                QVERIFY(ChooseFromContextMenu(harness.window.get(), "Run Macro..."));
            } else {
                harness.Click("effectsButton");
                CEffectsDialog& effects = harness.window->EffectsDialog();
                QTest::mouseClick(Child<QPushButton>(&effects, "medianFilterButton"), Qt::LeftButton);
                Child<QSlider>(&effects.MedianDialog(), "lengthSlider")->setValue(16);  // length 33
                QTest::mouseClick(Child<QPushButton>(&effects.MedianDialog(), "applyButton"), Qt::LeftButton);
            }

            const Seen& seen = stopper.Result();
            QVERIFY2(seen.stopped, test.command);
            QCOMPARE(seen.name, QString(test.name));
            // Centred up to the rounding of odd sizes and the frame.
            QVERIFY2(seen.centreOffset.manhattanLength() <= 4, test.command);
            QVERIFY2(!seen.applyButtonEnabled, test.command);
            QVERIFY2(!seen.listeningKeyEnabled, test.command);
            QVERIFY2(!seen.runMacroOffered, test.command);
            QVERIFY2(seen.cancelVisible, test.command);
            QVERIFY2(seen.status.contains(QRegularExpression("^\\d+ %")), qPrintable(seen.status));
            QVERIFY2(harness.Image() == before, test.command);
            QVERIFY2(!harness.window->Workbench().CanUndo(), test.command);
            QCOMPARE(harness.window->windowTitle(), title);
            QVERIFY2(harness.dialogs.Messages().empty(), test.command);
            QVERIFY2(!VisibleProgressWindow(), test.command);
            QVERIFY2(harness.Control("applyFilterButton")->isEnabled(), test.command);
            harness.window.reset();  // before the dialogs it reports to
        }
    }

    // The decoder's scan counts the frames while it decodes: the bar runs through them, and a Cancel leaves
    // the audio loaded before, with no file of the stopped import left behind.
    void anImportShowsTheShareDoneAndCancelKeepsTheAudioBefore() {
        MainWindowHarness harness;
        RealProgressDialogs dialogs(harness.dialogs);
        harness.OpenWindow();
        const std::filesystem::path temporaryFolder = harness.scratch.Path() / "tmp";
        std::filesystem::create_directory(temporaryFolder);
        qputenv("TMP", QByteArray::fromStdString(temporaryFolder.string()));

        const std::string shortMp3 = harness.WriteFile("short.mp3", RepeatedStream("l2-fl10.bit", 3));
        const std::uint32_t frames = mp3dec::decode_file_to_pcm(shortMp3, {}, {}, {}).summary.frames;
        harness.LoadAudio(shortMp3);
        QVERIFY(harness.dialogs.Messages().empty());
        const std::vector<int>& positions = dialogs.positionsOnScreen;
        QVERIFY(!positions.empty());
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QCOMPARE(positions.back(), static_cast<int>(frames) - 1);  // each report comes before its frame

        const std::vector<std::uint8_t> before = harness.Image();
        const auto kept = harness.window->TemporaryFileName();
        Stopper stopper(*harness.window, [](CProgressWindow& window) {
            QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
        });
        harness.LoadAudio(harness.WriteFile("long.mp3", RepeatedStream("l2-fl10.bit", 2000)));
        QVERIFY(stopper.Result().stopped);
        QCOMPARE(stopper.Result().name, QString("Load Audio"));
        QVERIFY(harness.dialogs.Messages().empty());
        QCOMPARE(harness.Text("waveFileNameText").toStdString(), shortMp3);
        QVERIFY(harness.Image() == before);
        QVERIFY(harness.window->isVisible());
        QVERIFY(harness.window->TemporaryFileName() == kept);
        QCOMPARE(std::distance(std::filesystem::directory_iterator(temporaryFolder), {}), 1);
        qunsetenv("TMP");
        harness.window.reset();  // before the dialogs it reports to
    }

    void theTimeLeftIsGuessedOnceEnoughIsDone() {
        struct Case {
            double fraction;
            qint64 elapsedMs;
            QString text;
        };
        const std::vector<Case> cases = {
            {0.01, 5000, ""},           // too little done
            {0.5, 100, ""},             // too early
            {0.5, 10000, "About 10 s left"},
            {0.25, 3000, "About 9 s left"},
            {0.1, 100000, "About 15 min left"},
            {0.9, 1000, "About 1 s left"},  // a part of a second counts as one
            {1.0, 1000, ""},
        };
        for (const Case& test : cases) {
            QCOMPARE(TimeLeftText(test.fraction, test.elapsedMs), test.text);
        }
    }
};

QTEST_MAIN(CancelCommandTest)
#include "CancelCommandTest.moc"
