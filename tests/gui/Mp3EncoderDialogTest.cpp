// The "MP3 Encoder" dialog on its own and driven from "Save Audio" in the main window, offscreen, with the
// real encoder module beside the test.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>

#include "app/Help.h"
#include "app/MainDialog.h"
#include "app/Mp3EncoderDialog.h"
#include "tests/gui/support/DialogHarness.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {


// Acts on the encoder dialog once it runs modally; records whether one appeared at all.
class DialogScript {
public:
    explicit DialogScript(std::function<void(CMp3EncoderDialog&)> action) : m_action(std::move(action)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }
    bool Ran() const { return m_ran; }

private:
    void Poll() {
        auto* dialog = qobject_cast<CMp3EncoderDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        m_timer.stop();
        m_ran = true;
        m_action(*dialog);
    }

    std::function<void(CMp3EncoderDialog&)> m_action;
    QTimer m_timer;
    bool m_ran = false;
};

// The header fields of the first frame: bitrate index, CRC present.
struct FirstFrame {
    int bitrateIndex = -1;
    bool crc = false;
};

FirstFrame ReadFirstFrame(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    FirstFrame frame;
    if (bytes.size() >= 4 && bytes[0] == 0xFF && (bytes[1] & 0xFE) == 0xFA) {
        frame.bitrateIndex = bytes[2] >> 4;
        frame.crc = (bytes[1] & 1) == 0;
    }
    return frame;
}

}  // namespace

class Mp3EncoderDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogHarness> m_h;

    static QComboBox* Bitrate(QWidget& dialog) { return Child<QComboBox>(&dialog, "combo1059"); }
    static QCheckBox* Check(QWidget& dialog, const char* name) { return Child<QCheckBox>(&dialog, name); }
    static void Click(QWidget& dialog, const char* name) {
        QTest::mouseClick(Child<QPushButton>(&dialog, name), Qt::LeftButton);
    }
    static void Type(QWidget& dialog, const QString& text) {
        QLineEdit* edit = Bitrate(dialog)->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    std::string WriteWave(std::uint32_t rate, std::uint16_t channels) {
        WaveLayout layout;
        layout.channels = channels;
        layout.samplesPerSecond = rate;
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 20000 * channels; ++i) {
            samples.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 0.05)));
        }
        return m_h->WriteFile("in.wav", BuildWave16(layout, samples));
    }

private slots:
    void init() { m_h = std::make_unique<DialogHarness>(); }
    void cleanup() { m_h.reset(); }

    void opensWithItsControlsAndDefaults() {
        CMp3EncoderDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("MP3 Encoder"));
        QComboBox* bitrate = Bitrate(dialog);
        QVERIFY(bitrate->isEditable());
        QStringList items;
        for (int i = 0; i < bitrate->count(); ++i) {
            items << bitrate->itemText(i);
        }
        QCOMPARE(items, QStringList({"32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224",
                                     "256", "320"}));
        QCOMPARE(bitrate->currentText(), QString("128"));
        const std::vector<std::pair<const char*, const char*>> checks = {
            {"check1061", "CRC"}, {"check1062", "Copyright"}, {"check1063", "Private"}, {"check1064", "Original"}};
        for (const auto& [name, text] : checks) {
            QCOMPARE(Check(dialog, name)->text(), QString(text));
            QVERIFY(!Check(dialog, name)->isChecked());
            QCOMPARE(Check(dialog, name)->layoutDirection(), Qt::RightToLeft);  // text left of the box
        }
        QCOMPARE(Child<QPushButton>(&dialog, "button1")->text(), QString("Apply"));
        QVERIFY(Child<QPushButton>(&dialog, "button1")->isDefault());
        QCOMPARE(Child<QPushButton>(&dialog, "button2")->text(), QString("Close"));
        QCOMPARE(Child<QPushButton>(&dialog, "button1051")->text(), QString("Help"));
    }

    void applyingUntouchedGives128AndNoFlags() {
        CMp3EncoderDialog dialog;
        dialog.show();
        Click(dialog, "button1");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetBitrate(), 128);
        QCOMPARE(dialog.GetCrc() + dialog.GetCopyright() + dialog.GetPrivate() + dialog.GetOriginal(), 0);
        QVERIFY(m_h->dialogs.Messages().empty());
    }

    void aListChoiceAndTickedBoxesAreTakenAtApply() {
        CMp3EncoderDialog dialog;
        dialog.show();
        Bitrate(dialog)->setCurrentIndex(13);
        QTest::mouseClick(Check(dialog, "check1061"), Qt::LeftButton);
        QTest::mouseClick(Check(dialog, "check1064"), Qt::LeftButton);
        Click(dialog, "button1");
        QCOMPARE(dialog.GetBitrate(), 320);
        QCOMPARE(dialog.GetCrc(), 1);
        QCOMPARE(dialog.GetCopyright(), 0);
        QCOMPARE(dialog.GetPrivate(), 0);
        QCOMPARE(dialog.GetOriginal(), 1);
        QVERIFY(m_h->dialogs.Messages().empty());
    }

    void aTypedTextOutsideTheListEncodesAt128AfterOneMessage() {
        for (const QString& typed : {QString(" 128"), QString("128k"), QString("100")}) {
            m_h->dialogs.ClearMessages();
            CMp3EncoderDialog dialog;
            dialog.show();
            Type(dialog, typed);
            QTest::keyClick(Bitrate(dialog)->lineEdit(), Qt::Key_Return);  // Enter accepts like "Apply"
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.GetBitrate(), 128);
            QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No valid selection - Encoding with 128 kbit"});
        }
        // A typed list entry counts like a chosen one.
        m_h->dialogs.ClearMessages();
        CMp3EncoderDialog dialog;
        dialog.show();
        Type(dialog, "96");
        Click(dialog, "button1");
        QCOMPARE(dialog.GetBitrate(), 96);
        QVERIFY(m_h->dialogs.Messages().empty());
    }

    void closeKeepsTheInitialValues() {
        CMp3EncoderDialog dialog;
        dialog.show();
        Type(dialog, "320");
        QTest::mouseClick(Check(dialog, "check1062"), Qt::LeftButton);
        Click(dialog, "button2");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.GetBitrate(), 128);
        QCOMPARE(dialog.GetCopyright(), 0);
    }

    void helpShowsTopic200() {
        CMp3EncoderDialog dialog;
        dialog.show();
        Click(dialog, "button1051");
        QCOMPARE(m_h->help.topics, std::vector<int>{200});
        QVERIFY(dialog.isVisible());
    }

    void saveAudioAsMp3AsksTheDialogAndWritesTheFile() {
        CMainDialog window;
        window.show();
        m_h->dialogs.Answer(WriteWave(44100, 2));
        QTest::mouseClick(Child<QPushButton>(&window, "loadAudioButton"), Qt::LeftButton);
        QVERIFY(m_h->dialogs.Messages().empty());

        const std::string out = m_h->scratch.File("out.mp3");
        m_h->dialogs.Answer(out);
        DialogScript script([](CMp3EncoderDialog& dialog) {
            Bitrate(dialog)->setCurrentIndex(13);
            QTest::mouseClick(Check(dialog, "check1061"), Qt::LeftButton);
            Click(dialog, "button1");
        });
        QTest::mouseClick(Child<QPushButton>(&window, "saveAudioButton"), Qt::LeftButton);
        QVERIFY(script.Ran());
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Loaded File saved as MP3"});
        QCOMPARE(int(m_h->dialogs.Icons().back()), int(MessageIcon::Information));
        const FirstFrame frame = ReadFirstFrame(out);
        QCOMPARE(frame.bitrateIndex, 14);  // 320 kbit/s
        QVERIFY(frame.crc);
        QCOMPARE(m_h->dialogs.Progress().size(), std::size_t{1});
        const ProgressRecord& progress = *m_h->dialogs.Progress()[0];
        QCOMPARE(progress.high, static_cast<int>(window.Wave().GetDataLength()));
        QCOMPARE(progress.positions.back(), progress.high);
        QVERIFY(progress.destroyed);
    }

    void closingTheDialogStopsTheExportWithoutAMessage() {
        CMainDialog window;
        window.show();
        m_h->dialogs.Answer(WriteWave(48000, 1));
        QTest::mouseClick(Child<QPushButton>(&window, "loadAudioButton"), Qt::LeftButton);
        const std::string out = m_h->scratch.File("out.mp3");
        m_h->dialogs.Answer(out);
        DialogScript script([](CMp3EncoderDialog& dialog) {
            QTest::mouseClick(Check(dialog, "check1061"), Qt::LeftButton);
            Click(dialog, "button2");
        });
        QTest::mouseClick(Child<QPushButton>(&window, "saveAudioButton"), Qt::LeftButton);
        QVERIFY(script.Ran());
        QVERIFY(m_h->dialogs.Messages().empty());
        QVERIFY(!std::filesystem::exists(out));
    }

    void anUnsupportedRateIsRefusedBeforeTheDialog() {
        CMainDialog window;
        window.show();
        m_h->dialogs.Answer(WriteWave(22050, 2));
        QTest::mouseClick(Child<QPushButton>(&window, "loadAudioButton"), Qt::LeftButton);
        const std::string out = m_h->scratch.File("out.MP3");
        m_h->dialogs.Answer(out);
        DialogScript script([](CMp3EncoderDialog& dialog) { Click(dialog, "button2"); });
        QTest::mouseClick(Child<QPushButton>(&window, "saveAudioButton"), Qt::LeftButton);
        QVERIFY(!script.Ran());
        QCOMPARE(m_h->dialogs.Messages(),
                 std::vector<std::string>{
                     "SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 supported."});
        QVERIFY(!std::filesystem::exists(out));
    }
};

QTEST_MAIN(Mp3EncoderDialogTest)
#include "Mp3EncoderDialogTest.moc"
