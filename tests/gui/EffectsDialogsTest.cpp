// Drives the Effects, Median Filter and Amplify windows offscreen, alone and from the main window.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "app/AmplifyDialog.h"
#include "app/DialogUnits.h"
#include "app/EffectsDialog.h"
#include "app/Help.h"
#include "app/MainDialog.h"
#include "app/MedianDialog.h"
#include "tests/gui/support/DialogHarness.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

void Click(QWidget* window, const char* name) {
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

struct Expected {
    const char* name;
    const char* text;  // nullptr for controls without one
    int id;            // -1 for controls without one
    QRect units;
};

// Checks text, control id and dialog-unit geometry of each control, and the window's own size.
void ExpectLayout(QWidget* window, QSize units, const std::vector<Expected>& controls) {
    const DialogUnits du;
    QCOMPARE(window->size(), QSize(du.Width(units.width()), du.Height(units.height())));
    for (const Expected& c : controls) {
        QWidget* control = Child<QWidget>(window, c.name);
        QCOMPARE(control->geometry(), du.Rect(c.units.x(), c.units.y(), c.units.width(), c.units.height()));
        if (c.id >= 0) {
            QCOMPARE(control->property("controlId").toInt(), c.id);
        }
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), QString(c.text));
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), QString(c.text));
        }
    }
}

std::vector<std::uint8_t> DataOf(CWave& wave) {
    const std::uint8_t* data = wave.GetImage() + wave.GetDataOffset();
    return std::vector<std::uint8_t>(data, data + wave.GetDataLength());
}

std::vector<std::int16_t> Samples16(CWave& wave) {
    const auto data = DataOf(wave);
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        samples.push_back(static_cast<std::int16_t>(data[i] | (data[i + 1] << 8)));
    }
    return samples;
}

}  // namespace

class EffectsDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogHarness> m_h;

    std::string WriteWave(const std::vector<std::uint8_t>& image, const std::string& name = "in.wav") {
        return m_h->WriteFile(name, image);
    }
    void LoadInto(CWave& wave, const std::vector<std::uint8_t>& image) {
        wave.SetFeedback(&m_h->dialogs);
        QVERIFY(wave.Load(WriteWave(image)));
    }
    void LoadInto(Workbench& workbench, const std::vector<std::uint8_t>& image) {
        QVERIFY(workbench.LoadAudio(WriteWave(image)));
    }
    static WaveLayout WaveFormat(int channels, int bits) {
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(channels);
        layout.bitsPerSample = static_cast<std::uint16_t>(bits);
        return layout;
    }

private slots:
    void init() { m_h = std::make_unique<DialogHarness>(); }
    void cleanup() { m_h.reset(); }

    void windowsHaveTheirControlsTextsAndPlaces() {
        CEffectsDialog effects;
        QCOMPARE(effects.windowTitle(), QString("Effects"));
        QCOMPARE(effects.property("controlId").toInt(), 130);
        ExpectLayout(&effects, {158, 68},
                     {{"medianFilterButton", "Median Filter", 1045, {7, 7, 50, 14}},
                      {"amplifyButton", "Amplify", 1040, {7, 27, 50, 14}},
                      {"okButton", "OK", 1, {101, 7, 50, 14}},
                      {"helpButton", "Help", 1046, {101, 27, 50, 14}}});
        QVERIFY(Child<QPushButton>(&effects, "okButton")->isDefault());
        QVERIFY(!effects.isVisible());
        QVERIFY(!effects.MedianDialog().isVisible());

        CAmplifyDialog amplify;
        QCOMPARE(amplify.windowTitle(), QString("Amplify"));
        QCOMPARE(amplify.property("controlId").toInt(), 131);
        QVERIFY(amplify.isModal());
        ExpectLayout(&amplify, {177, 65},
                     {{"channel1Label", "Channel 1", -1, {7, 10, 37, 8}},
                      {"gain1Edit", nullptr, 1041, {45, 7, 52, 14}},
                      {"channel2Label", "Channel 2", -1, {7, 26, 33, 8}},
                      {"gain2Edit", nullptr, 1042, {45, 24, 52, 14}},
                      {"applyButton", "Apply", 1, {120, 7, 50, 14}},
                      {"closeButton", "Close", 2, {120, 24, 50, 14}},
                      {"helpButton", "Help", 1051, {120, 42, 50, 14}}});
        QVERIFY(Child<QPushButton>(&amplify, "applyButton")->isDefault());

        CMedianDialog& median = effects.MedianDialog();
        QCOMPARE(median.windowTitle(), QString("Median Filter"));
        QCOMPARE(median.property("controlId").toInt(), 132);
        ExpectLayout(&median, {186, 63},
                     {{"lengthLabel", "Median Filter Length", -1, {13, 14, 88, 8}},
                      {"lengthSlider", nullptr, 1053, {7, 28, 100, 15}},
                      {"lengthText", "3", 1055, {109, 31, 8, 8}},
                      {"applyButton", "Apply", 1, {129, 7, 50, 14}},
                      {"closeButton", "Close", 2, {129, 24, 50, 14}},
                      {"helpButton", "Help", 1051, {129, 42, 50, 14}}});
        auto* slider = Child<QSlider>(&median, "lengthSlider");
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
        QVERIFY(Child<QPushButton>(&median, "applyButton")->isDefault());
    }

    void helpButtonsAskForTheirTopics() {
        CEffectsDialog effects;
        effects.show();
        Click(&effects, "helpButton");
        Click(&effects.MedianDialog(), "helpButton");
        CAmplifyDialog amplify;
        Click(&amplify, "helpButton");
        QCOMPARE(m_h->help.topics, (std::vector<int>{100, 101, 102}));
    }

    void medianSliderGivesOddLengthsFromThreeToThirtyThree() {
        CEffectsDialog effects;
        effects.show();
        Click(&effects, "medianFilterButton");
        CMedianDialog& median = effects.MedianDialog();
        QVERIFY(median.isVisible());
        auto* slider = Child<QSlider>(&median, "lengthSlider");
        auto* label = Child<QLabel>(&median, "lengthText");
        QCOMPARE(slider->minimum(), 1);
        QCOMPARE(slider->maximum(), 16);
        QCOMPARE(slider->value(), 1);
        QCOMPARE(median.Length(), 3);

        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(label->text(), QString("33"));
        QCOMPARE(median.Length(), 33);
        QTest::keyClick(slider, Qt::Key_Left);
        QCOMPARE(label->text(), QString("31"));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(label->text(), QString("3"));
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(label->text(), QString("5"));
        QTest::keyClick(slider, Qt::Key_PageUp);  // a page step moves several positions, still odd
        QVERIFY(median.Length() > 5 && median.Length() % 2 == 1);
        QCOMPARE(label->text(), QString::number(median.Length()));

        // Dragging the handle to the far right end.
        slider->setValue(1);
        const QPoint handle(3, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, handle);
        QTest::mouseMove(slider, QPoint(slider->width() + 40, slider->height() / 2));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() + 40, slider->height() / 2));
        QCOMPARE(slider->value(), 16);
        QCOMPARE(label->text(), QString("33"));

        QSignalSpy applied(&median, &CMedianDialog::ApplyRequested);
        Click(&median, "applyButton");
        QVERIFY(median.isVisible());
        QCOMPARE(applied.count(), 1);
        QCOMPARE(applied.at(0).at(0).toInt(), 33);

        // Hidden by Close or Escape; the length survives.
        Click(&median, "closeButton");
        QVERIFY(!median.isVisible());
        Click(&effects, "medianFilterButton");
        QVERIFY(median.isVisible());
        QCOMPARE(label->text(), QString("33"));
        QTest::keyClick(&median, Qt::Key_Escape);
        QVERIFY(!median.isVisible());
        QCOMPARE(median.Length(), 33);

        QTest::keyClick(&effects, Qt::Key_Escape);
        QVERIFY(!effects.isVisible());
        effects.show();
        Click(&effects, "okButton");
        QVERIFY(!effects.isVisible());
    }

    void amplifyProposesGainsAndDisablesMissingChannels() {
        struct Case {
            std::vector<std::uint8_t> image;
            QString gain1;
            QString gain2;
            bool secondEnabled;
        };
        const std::vector<Case> cases = {
            {BuildWave16(WaveFormat(1, 16), {100, -16384, 3}), "1.99993896484375", "0", false},
            {BuildWave(WaveFormat(1, 8), {127, 227, 60}), "1.27", "0", false},
            {BuildWave16(WaveFormat(2, 16), {-32768, 0, 5, 0}), "0.999969482421875", "1", true},  // silent channel 2
        };
        for (const Case& c : cases) {
            Workbench workbench(&m_h->dialogs);
            LoadInto(workbench, c.image);
            CAmplifyDialog amplify;
            amplify.SetWorkbench(&workbench);
            amplify.show();
            QCOMPARE(Child<QLineEdit>(&amplify, "gain1Edit")->text(), c.gain1);
            QCOMPARE(Child<QLineEdit>(&amplify, "gain2Edit")->text(), c.gain2);
            QVERIFY(Child<QLineEdit>(&amplify, "gain1Edit")->isEnabled());
            QCOMPARE(Child<QLineEdit>(&amplify, "gain2Edit")->isEnabled(), c.secondEnabled);
        }
    }

    void amplifyRefusesTextThatIsNotANumberAndKeepsTheFocusThere() {
        Workbench workbench(&m_h->dialogs);
        CWave& wave = workbench.Wave();
        LoadInto(workbench, BuildWave16(WaveFormat(2, 16), {1000, 100, -2000, 200}));
        const auto before = DataOf(wave);
        CAmplifyDialog amplify;
        amplify.SetWorkbench(&workbench);
        amplify.show();
        QApplication::setActiveWindow(&amplify);
        QVERIFY(QTest::qWaitForWindowActive(&amplify));
        auto* gain1 = Child<QLineEdit>(&amplify, "gain1Edit");
        auto* gain2 = Child<QLineEdit>(&amplify, "gain2Edit");

        for (const QString bad : {"abc", "", "1.5x", "1,5", "inf", "--2", "1e999"}) {
            m_h->dialogs.ClearMessages();
            gain2->setFocus();
            gain1->setText(bad);
            Click(&amplify, "applyButton");
            QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Please enter a number."});
            QVERIFY2(amplify.isVisible(), qPrintable(bad));
            QVERIFY(gain1->hasFocus());
            QCOMPARE(DataOf(wave), before);
        }
        m_h->dialogs.ClearMessages();
        gain1->setText(" 2 ");
        gain2->setText("half");
        gain1->setFocus();
        QTest::keyClick(&amplify, Qt::Key_Return);  // Enter presses the default "Apply"
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Please enter a number."});
        QVERIFY(gain2->hasFocus());
        QVERIFY(amplify.isVisible());

        // Only the first 31 characters count: the digits past them are not read.
        gain2->setText("+0.5" + QString(27, ' ') + "99");
        Click(&amplify, "applyButton");
        QVERIFY(!amplify.isVisible());
        QCOMPARE(amplify.Gain1(), 2.0);
        QCOMPARE(amplify.Gain2(), 0.5);
        QCOMPARE(Samples16(wave), (std::vector<std::int16_t>{2000, 50, -4000, 100}));
    }

    void amplifyFromTheEffectsWindowAppliesOrClosesUnchanged() {
        CEffectsDialog effects;
        effects.show();
        Click(&effects, "amplifyButton");  // no wave yet
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No valid Wave file loaded"});
        QVERIFY(!QApplication::activeModalWidget());

        Workbench workbench(&m_h->dialogs);
        CWave& wave = workbench.Wave();
        effects.SetWorkbench(&workbench);
        m_h->dialogs.ClearMessages();
        Click(&effects, "amplifyButton");  // a workbench without audio has no channels
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No valid Wave file loaded"});

        LoadInto(workbench, BuildWave(WaveFormat(1, 8), {63, 191, 127}));
        WithModal([&] { Click(&effects, "amplifyButton"); },
                  [](QWidget* modal) {
                      QVERIFY(qobject_cast<CAmplifyDialog*>(modal));
                      QCOMPARE(modal->windowTitle(), QString("Amplify"));
                      Click(modal, "closeButton");
                  });
        QCOMPARE(DataOf(wave), (std::vector<std::uint8_t>{63, 191, 127}));

        WithModal([&] { Click(&effects, "amplifyButton"); },
                  [](QWidget* modal) {
                      QCOMPARE(Child<QLineEdit>(modal, "gain1Edit")->text(), QString("1.984375"));
                      Click(modal, "applyButton");
                      QVERIFY(!modal->isVisible());
                  });
        QCOMPARE(DataOf(wave), (std::vector<std::uint8_t>{0, 254, 127}));

        // Measured anew on every opening: the peak is now full scale.
        WithModal([&] { Click(&effects, "amplifyButton"); },
                  [](QWidget* modal) {
                      QCOMPARE(Child<QLineEdit>(modal, "gain1Edit")->text(), QString("1"));
                      QTest::keyClick(modal, Qt::Key_Escape);
                  });
        QVERIFY(m_h->dialogs.Messages().size() == 1);
    }

    void mainWindowRunsTheMedianFilterFromItsEffectsWindow() {
        CMainDialog window;
        window.show();
        CEffectsDialog& effects = window.EffectsDialog();
        QVERIFY(!effects.isVisible());
        Click(&window, "effectsButton");
        QVERIFY(effects.isVisible());
        Click(&effects, "medianFilterButton");
        CMedianDialog& median = effects.MedianDialog();

        Click(&median, "applyButton");  // nothing loaded
        QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"No valid Wave file loaded"});

        // Stereo 8-bit: channel 1 a ramp with spikes, channel 2 alternating extremes.
        std::vector<std::uint8_t> frames;
        for (int i = 0; i < 300; ++i) {
            frames.push_back(static_cast<std::uint8_t>(i % 37 == 5 ? 250 : 60 + i / 10));
            frames.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? 10 : 240));
        }
        const std::string path = WriteWave(BuildWave(WaveFormat(2, 8), frames), "stereo.wav");
        m_h->dialogs.Answer(path);
        Click(&window, "loadAudioButton");
        m_h->dialogs.ClearMessages();

        // Only "Channel 2" selected: channel 1 stays, channel 2 is filtered with length 5.
        Child<QCheckBox>(&window, "channel1Check")->setChecked(false);
        Child<QSlider>(&median, "lengthSlider")->setValue(2);
        Click(&median, "applyButton");
        QVERIFY(m_h->dialogs.Messages().empty());
        CWave expected;
        LoadInto(expected, BuildWave(WaveFormat(2, 8), frames));
        const auto once = DataOf(window.Wave());
        for (std::size_t i = 0; i < frames.size(); i += 2) {
            QCOMPARE(once[i], frames[i]);
        }
        expected.ApplyMedian(5, 0, 1);
        QCOMPARE(once, DataOf(expected));
        QVERIFY(once != frames);

        // Both channels, twice: the second press filters the filtered wave again.
        Child<QCheckBox>(&window, "channel1Check")->setChecked(true);
        Click(&median, "applyButton");
        Click(&median, "applyButton");
        expected.ApplyMedian(5, 1, 1);
        const auto thrice = DataOf(expected);
        QVERIFY(thrice != once);
        expected.ApplyMedian(5, 1, 1);
        QCOMPARE(DataOf(window.Wave()), DataOf(expected));
        QVERIFY(DataOf(window.Wave()) != thrice);

        // Neither box: the median's own message.
        Child<QCheckBox>(&window, "channel1Check")->setChecked(false);
        Child<QCheckBox>(&window, "channel2Check")->setChecked(false);
        Click(&median, "applyButton");
        QCOMPARE(m_h->dialogs.Messages(),
                 std::vector<std::string>{"Select at least one channel for the median process"});
        expected.SetFeedback(nullptr);
    }
};

QTEST_MAIN(EffectsDialogsTest)
#include "EffectsDialogsTest.moc"
