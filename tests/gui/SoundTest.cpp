// Plays through a real PulseAudio daemon of the test's own (null sink, private runtime folder) and
// records the sink's monitor with parec, so "Play" and "Stop" are checked by what comes out.

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>

#include "app/ABListening.h"
#include "app/QtSoundOutput.h"
#include "audio/Wave.h"
#include "tests/gui/support/MainWindowHarness.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel::testing;

namespace {

constexpr int kRate = 44100;

// Power of one frequency relative to the whole signal over a range of mono samples (Goertzel).
double ToneShare(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end, double frequency) {
    const double w = 2.0 * M_PI * frequency / kRate;
    double s1 = 0, s2 = 0, total = 0;
    for (std::size_t i = begin; i < end && i < samples.size(); ++i) {
        const double s0 = samples[i] + 2.0 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
        total += double(samples[i]) * samples[i];
    }
    const double n = double(end - begin);
    const double tone = s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
    return total > 0 ? (2.0 * tone / n) / total : 0.0;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end) {
    double sum = 0;
    for (std::size_t i = begin; i < end && i < samples.size(); ++i) {
        sum += double(samples[i]) * samples[i];
    }
    return end > begin ? std::sqrt(sum / double(end - begin)) : 0.0;
}

// The last sample of a recording that still sounds.
std::size_t LastSound(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = samples.size(); i > 0; --i) {
        if (std::abs(samples[i - 1]) > 1000) {
            return i - 1;
        }
    }
    return 0;
}

std::vector<std::uint8_t> ToneWave(double seconds, double frequency) {
    WaveLayout layout;
    layout.channels = 2;
    layout.samplesPerSecond = kRate;
    std::vector<std::int16_t> samples;
    const int frames = int(seconds * kRate);
    for (int i = 0; i < frames; ++i) {
        const auto v = std::int16_t(12000 * std::sin(2 * M_PI * frequency * i / kRate));
        samples.push_back(v);
        samples.push_back(v);
    }
    return BuildWave16(layout, samples);
}

}  // namespace

class SoundTest : public QObject {
    Q_OBJECT
public:
    explicit SoundTest(QString runtime) : m_runtime(std::move(runtime)) {}

private:
    QString m_runtime;
    QProcess m_recorder;
    ScratchDir m_scratch;

    void StartRecording() {
        m_recorder.setStandardOutputFile(QString::fromStdString(m_scratch.File("recording.raw")));
        m_recorder.start("parec", {"-d", "tressel_null.monitor", "--format=s16le", "--rate=44100", "--channels=1",
                                   "--latency-msec=20"});
        QVERIFY(m_recorder.waitForStarted());
        QTest::qWait(400);
    }
    std::vector<std::int16_t> StopRecording() {
        m_recorder.terminate();
        m_recorder.waitForFinished();
        const auto bytes = ReadFileBytes(m_scratch.File("recording.raw"));
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }
    // The first sample where the tone is clearly present.
    static std::size_t Onset(const std::vector<std::int16_t>& samples, int threshold = 3000) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) > threshold) {
                return i;
            }
        }
        return samples.size();
    }

private slots:
    void playedToneReachesTheSinkAndStopEndsIt() {
        CWave wave;
        tressel::QtSoundOutput output;
        wave.SetSoundOutput(&output);
        WriteFileBytes(m_scratch.File("tone.wav"), ToneWave(4.0, 1000.0));
        QVERIFY(wave.Load(m_scratch.File("tone.wav")));

        StartRecording();
        QVERIFY(wave.Play(false));
        QTest::qWait(1500);
        QVERIFY(wave.Stop());
        QTest::qWait(1200);
        const auto recording = StopRecording();
        wave.SetSoundOutput(nullptr);

        const std::size_t onset = Onset(recording);
        QVERIFY2(onset < recording.size(), "no sound reached the sink");
        const std::size_t second = kRate / 2;
        QVERIFY2(ToneShare(recording, onset + 1000, onset + 1000 + second, 1000.0) > 0.9, "the tone is not 1 kHz");
        QVERIFY2(ToneShare(recording, onset + 1000, onset + 1000 + second, 1500.0) < 0.01, "unexpected content");
        // Stopped after 1.5 s of a 4 s tone: the last half second is silent.
        QVERIFY(recording.size() > onset + 2 * kRate);
        QVERIFY2(Rms(recording, recording.size() - second, recording.size()) < 50.0, "sound went on after Stop");
    }

    void loopingPlaysPastTheEndOfAShortImage() {
        CWave wave;
        tressel::QtSoundOutput output;
        wave.SetSoundOutput(&output);
        WriteFileBytes(m_scratch.File("short.wav"), ToneWave(0.25, 500.0));
        QVERIFY(wave.Load(m_scratch.File("short.wav")));
        StartRecording();
        QVERIFY(wave.Play(true));
        QTest::qWait(1500);
        wave.Release();  // stops before the image goes
        QTest::qWait(600);
        const auto recording = StopRecording();
        wave.SetSoundOutput(nullptr);
        const std::size_t onset = Onset(recording);
        QVERIFY(onset < recording.size());
        // Still sounding a whole second after the quarter-second image began.
        QVERIFY(Rms(recording, onset + kRate, onset + kRate + kRate / 10) > 3000.0);
        QVERIFY(Rms(recording, recording.size() - kRate / 4, recording.size()) < 50.0);
    }

    // A/B listening in the main window: the tone as loaded (amplitude 12000) was halved twice. Space plays
    // the current samples, Shift+Space switches to the reference, Space back again; which samples play
    // shows in their level, and the place is kept when the whole sound lasts as long as the tone.
    void abListeningPlaysTheChosenStateFromThePlaceReached() {
        struct Case {
            const char* choice;
            tressel::ListeningReference reference;
            double referenceAmplitude;
        };
        const std::vector<Case> cases = {
            {"Shift+Space Plays the Audio Before the Last Command", tressel::ListeningReference::BeforeLastCommand, 6000.0},
            {"Shift+Space Plays the Audio as Loaded", tressel::ListeningReference::AsLoaded, 12000.0}};
        for (const Case& c : cases) {
            MainWindowHarness h;
            tressel::QtSoundOutput output;
            h.window->Wave().SetSoundOutput(&output);
            h.LoadAudio(h.WriteFile("tone.wav", ToneWave(3.0, 1000.0)));
            QVERIFY(h.window->Workbench().Amplify(0.5, 0.5));
            QVERIFY(h.window->Workbench().Amplify(0.5, 0.5));
            QVERIFY(ChooseFromContextMenu(h.window.get(), c.choice));
            QApplication::setActiveWindow(h.window.get());  // the keys are the window's shortcuts
            QVERIFY(QTest::qWaitForWindowActive(h.window.get()));

            StartRecording();
            QTest::keyClick(h.window.get(), Qt::Key_Space);
            QTest::qWait(1000);
            QTest::keyClick(h.window.get(), Qt::Key_Space, Qt::ShiftModifier);
            QVERIFY(h.window->Listening().ReferencePlaying());
            QTest::qWait(1000);
            QTest::keyClick(h.window.get(), Qt::Key_Space);
            QVERIFY(!h.window->Listening().ReferencePlaying());
            QVERIFY(h.window->Wave().IsPlaying());
            QTest::qWait(2000);
            const auto recording = StopRecording();
            h.window->Wave().Stop();
            h.window->Wave().SetSoundOutput(nullptr);

            const std::size_t onset = Onset(recording, 1000);  // the quiet current samples come first
            QVERIFY2(onset < recording.size(), c.choice);
            const double sine = 1.0 / std::sqrt(2.0);
            const double levels[] = {Rms(recording, onset + kRate / 5, onset + 4 * kRate / 5),
                                     Rms(recording, onset + 6 * kRate / 5, onset + 9 * kRate / 5),
                                     Rms(recording, onset + 11 * kRate / 5, onset + 13 * kRate / 5)};
            const double expected[] = {3000.0 * sine, c.referenceAmplitude * sine, 3000.0 * sine};
            for (int i = 0; i < 3; ++i) {
                QVERIFY2(std::abs(levels[i] / expected[i] - 1.0) < 0.2,
                         qPrintable(QString("%1: part %2 at %3, not %4").arg(c.choice).arg(i).arg(levels[i]).arg(expected[i])));
            }
            // Switching twice from the place reached: three seconds of sound in all, as long as the tone
            // (starting the other state from its beginning would have added the second played so far).
            const double seconds = double(LastSound(recording) - onset) / kRate;
            QVERIFY2(seconds > 2.6 && seconds < 3.3, qPrintable(QString("%1: %2 s of sound").arg(c.choice).arg(seconds)));
            // The choice is remembered: the window of the next run starts with it.
            h.OpenWindow();
            QCOMPARE(h.window->Listening().Reference(), c.reference);
        }
    }

    void unplayableImagesAreRefusedSilently() {
        CWave wave;
        tressel::QtSoundOutput output;
        wave.SetSoundOutput(&output);
        WaveLayout layout;
        layout.bitsPerSample = 24;
        WriteFileBytes(m_scratch.File("odd.wav"), BuildWave(layout, std::vector<std::uint8_t>(30, 1)));
        QVERIFY(wave.Load(m_scratch.File("odd.wav")));
        QVERIFY(!wave.Play(false));
        wave.SetSoundOutput(nullptr);
    }
};

int main(int argc, char** argv) {
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("parec").isEmpty()) {
        std::puts("SKIP: pulseaudio or parec is not installed");
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A private daemon: its own runtime folder, a null sink, gone when the test ends. Rewinds are off: the
    // null sink of PulseAudio 16 stalls a stream it has rewound.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("PULSE_RUNTIME_PATH", (runtime.path() + "/pulse").toUtf8());
    qputenv("HOME", runtime.path().toUtf8());
    qunsetenv("PULSE_SERVER");
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--load=module-null-sink sink_name=tressel_null norewinds=1",
                                "--load=module-native-protocol-unix", "--log-level=error"});
    if (!daemon.waitForStarted()) {
        std::fputs("could not start pulseaudio\n", stderr);
        return 1;
    }
    bool ready = false;
    for (int attempt = 0; attempt < 50 && !ready; ++attempt) {
        ready = QProcess::execute("pactl", {"info"}) == 0;
        if (!ready) {
            QThread::msleep(100);
        }
    }
    int result = 1;
    if (ready) {
        QApplication application(argc, argv);
        SoundTest test(runtime.path());
        result = QTest::qExec(&test, argc, argv);
    } else {
        std::fputs("pulseaudio did not come up\n", stderr);
    }
    daemon.terminate();
    daemon.waitForFinished(5000);
    return result;
}

#include "SoundTest.moc"
