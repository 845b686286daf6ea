// "Load Audio" on MP3 files through the real main window: decode into a temporary WAV file with the
// Frames Decoded window on screen and the main window hidden, then everything a WAV file offers.

#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

#include <filesystem>

#include "app/FramesDecodedWindow.h"
#include "app/MainDialog.h"
#include "tests/gui/support/MainWindowHarness.h"

using namespace tressel;
using namespace tressel::testing;
namespace fs = std::filesystem;

namespace {

// What the Frames Decoded window painted while the decode held the event loop, and whether the main
// window was visible at those moments.
class DecodeWatcher final : public QObject {
public:
    explicit DecodeWatcher(QWidget* mainWindow) : m_mainWindow(mainWindow) { qApp->installEventFilter(this); }
    ~DecodeWatcher() override { qApp->removeEventFilter(this); }

    QStringList paintedCounts;
    bool mainWindowShownDuringDecode = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->objectName() == "frameCount1065") {
            paintedCounts << static_cast<QLabel*>(watched)->text();
            mainWindowShownDuringDecode |= m_mainWindow->isVisible();
        }
        return false;
    }

private:
    QWidget* m_mainWindow;
};

std::vector<fs::path> TemporaryFilesIn(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("tsl", 0) == 0) {
            found.push_back(entry.path());
        }
    }
    return found;
}

}  // namespace

class Mp3ImportTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowHarness> m_h;
    fs::path m_tmp;

private slots:
    void init() {
        m_h = std::make_unique<MainWindowHarness>();
        m_tmp = m_h->scratch.Path() / "tmp";
        fs::create_directory(m_tmp);
        qputenv("TMP", QByteArray::fromStdString(m_tmp.string()));
    }
    void cleanup() {
        m_h.reset();
        qunsetenv("TMP");
        qunsetenv("TMPDIR");
    }

    void importShowsTheFileLikeAWave_data() {
        QTest::addColumn<QString>("vector");
        QTest::newRow("Layer I") << "l1-fl1.bit";
        QTest::newRow("Layer II") << "l2-fl10.bit";
    }
    void importShowsTheFileLikeAWave() {
        QFETCH(QString, vector);
        const std::string mp3 = m_h->CopyVector(vector.toStdString(), "song.mp3");
        DecodeWatcher watcher(m_h->window.get());
        m_h->LoadAudio(mp3);

        const std::vector<std::string>& messages = m_h->dialogs.Messages();
        QVERIFY2(messages.empty(), messages.empty() ? "" : messages[0].c_str());
        QCOMPARE(m_h->Text("waveFileNameText").toStdString(), mp3);
        QCOMPARE(m_h->Text("channelsText"), QString("2"));
        QCOMPARE(m_h->Text("samplesPerSecondText"), QString("32000"));
        QCOMPARE(m_h->Text("bitsPerSampleText"), QString("16"));
        QVERIFY(m_h->Text("dataLengthText").toLongLong() > 0);

        // Counted on screen while the main window was away, which is back now and the counter gone.
        QVERIFY(!watcher.paintedCounts.isEmpty());
        QCOMPARE(watcher.paintedCounts.front(), QString("0"));
        for (int i = 1; i < watcher.paintedCounts.size(); ++i) {
            QVERIFY(watcher.paintedCounts[i].toInt() >= watcher.paintedCounts[i - 1].toInt());
        }
        QVERIFY(!watcher.mainWindowShownDuringDecode);
        QVERIFY(m_h->window->isVisible());
        QVERIFY(FramesDecodedWindow() == nullptr);

        // The decoded WAV file waits in TMP; the wave reads from it.
        const auto temporary = m_h->window->TemporaryFileName();
        QVERIFY(temporary.has_value());
        QCOMPARE(fs::path(*temporary).parent_path(), m_tmp);
        QCOMPARE(m_h->window->Wave().GetFileName(), *temporary);
        QCOMPARE(TemporaryFilesIn(m_tmp).size(), std::size_t(1));
    }

    void reloadReadsTheDecodedFileAndSaveProposesTheMp3Name() {
        const std::string mp3 = m_h->CopyVector("l2-fl10.bit", "tune.mp3");
        m_h->LoadAudio(mp3);
        const std::vector<std::uint8_t> decoded = m_h->Image();
        m_h->window->Wave().ApplyGains(0.25, 0.25);
        m_h->Click("reloadAudioButton");
        QVERIFY(m_h->Image() == decoded);

        m_h->dialogs.Answer(std::nullopt);
        m_h->Click("saveAudioButton");
        QCOMPARE(m_h->dialogs.saveRequests.back().initialName, m_h->scratch.File("tune"));
    }

    void theTemporaryFileGoesAtTheNextLoadAndWithTheWindow() {
        m_h->LoadAudio(m_h->CopyVector("l1-fl1.bit", "a.mp3"));
        const std::string first = *m_h->window->TemporaryFileName();
        m_h->LoadAudio(m_h->CopyVector("l1-fl2.bit", "b.mp3"));
        QVERIFY(!fs::exists(first));
        const std::string second = *m_h->window->TemporaryFileName();
        QVERIFY(fs::exists(second));

        WaveLayout layout;
        m_h->LoadAudio(m_h->WriteFile("plain.wav", BuildWave16(layout, {1, 2, 3})));
        QVERIFY(!fs::exists(second));
        QVERIFY(!m_h->window->TemporaryFileName());

        m_h->LoadAudio(m_h->CopyVector("l1-fl1.bit", "c.mp3"));
        const std::string third = *m_h->window->TemporaryFileName();
        m_h->window.reset();
        QVERIFY(!fs::exists(third));
        QVERIFY(TemporaryFilesIn(m_tmp).empty());
    }

    // The failed decode leaves no file of its own, and the audio in hand (with its temporary file) as it was.
    void aFileWithoutFramesFailsAndLeavesNothingBehind() {
        const std::string good = m_h->CopyVector("l2-fl10.bit", "good.mp3");
        m_h->LoadAudio(good);
        const std::string temporary = *m_h->window->TemporaryFileName();
        m_h->LoadAudio(m_h->WriteFile("noise.mp3", std::vector<std::uint8_t>(5000, 0x55)));

        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Failed to decode MP3 file"});
        QCOMPARE(m_h->Text("waveFileNameText"), QString::fromStdString(good));
        QVERIFY(m_h->window->Wave().IsLoaded());
        QCOMPARE(*m_h->window->TemporaryFileName(), temporary);
        QCOMPARE(TemporaryFilesIn(m_tmp), std::vector<fs::path>{fs::path(temporary)});
        QVERIFY(m_h->window->isVisible());
        QVERIFY(FramesDecodedWindow() == nullptr);
    }

    void aTruncatedFileDecodesWhatIsThere() {
        const std::string whole = m_h->CopyVector("l2-fl10.bit", "whole.mp3");
        m_h->LoadAudio(whole);
        const long long wholeLength = m_h->Text("dataLengthText").toLongLong();
        auto bytes = ReadFileBytes(whole);
        bytes.resize(bytes.size() / 2);
        m_h->LoadAudio(m_h->WriteFile("half.mp3", bytes));

        QVERIFY(m_h->dialogs.Messages().empty());
        const long long halfLength = m_h->Text("dataLengthText").toLongLong();
        QVERIFY(halfLength > 0);
        QVERIFY(halfLength < wholeLength);
    }

    void aMissingTmpFolderFallsBackToTheSystemFolder() {
        qputenv("TMP", QByteArray::fromStdString((m_h->scratch.Path() / "missing").string()));
        const fs::path system = m_h->scratch.Path() / "system";
        fs::create_directory(system);
        qputenv("TMPDIR", QByteArray::fromStdString(system.string()));
        m_h->LoadAudio(m_h->CopyVector("l1-fl1.bit", "x.mp3"));
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(fs::path(*m_h->window->TemporaryFileName()).parent_path(), system);
    }

    void aTemporaryNameThatCannotBeMadeIsReported() {
        const fs::path locked = m_h->scratch.Path() / "locked";
        fs::create_directory(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        qputenv("TMP", QByteArray::fromStdString(locked.string()));
        m_h->LoadAudio(m_h->CopyVector("l1-fl1.bit", "y.mp3"));
        fs::permissions(locked, fs::perms::owner_all);
        if (::geteuid() == 0) {
            QSKIP("the superuser writes into read-only folders");
        }
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Create temporary filename failed"});
        QVERIFY(!m_h->window->Wave().IsLoaded());
        QVERIFY(m_h->window->isVisible());
    }

    void layerThreeFilesFromAnEncoderImport() {
        if (QStandardPaths::findExecutable("lame").isEmpty() || QStandardPaths::findExecutable("sox").isEmpty()) {
            QSKIP("lame or sox is not installed");
        }
        const QString wav = QString::fromStdString(m_h->scratch.File("tone.wav"));
        const QString mp3 = QString::fromStdString(m_h->scratch.File("tone.mp3"));
        QCOMPARE(QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "1", "sine", "440"}), 0);
        QCOMPARE(QProcess::execute("lame", {"--quiet", "-b", "128", wav, mp3}), 0);
        m_h->LoadAudio(mp3.toStdString());
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(m_h->Text("samplesPerSecondText"), QString("44100"));
        // Gapless by default: lame's Info frame gives no samples, its delay and padding are trimmed, and one
        // second of sound comes back as exactly one second.
        QCOMPARE(m_h->Text("dataLengthText").toLongLong(), 44100LL * 4);
    }

    void framesDecodedWindowCountsAndGoes() {
        QVERIFY(FramesDecodedWindow() == nullptr);
        OnFramesDecoded(0);
        QVERIFY(FramesDecodedWindow() != nullptr);
        QCOMPARE(FramesDecodedWindow()->windowTitle(), QString("Frames Decoded"));
        QCOMPARE(FramesDecodedWindow()->Text(), QString("0"));
        QCOMPARE(FramesDecodedWindow()->pos(), QPoint(0, 0));
        QVERIFY(FramesDecodedWindow()->isVisible());
        for (int frames : {0, 1, 2, 17}) {
            OnFramesDecoded(frames);
            QCOMPARE(FramesDecodedWindow()->Text(), QString::number(frames));
        }
        OnFramesDecoded(-1);
        QVERIFY(FramesDecodedWindow() == nullptr);
    }
};

QTEST_MAIN(Mp3ImportTest)
#include "Mp3ImportTest.moc"
