// Undo, redo and the state before the last command in the main window: every sample command, run the
// way a person runs it, can be taken back by Ctrl+Z or the context menu and done again by Ctrl+Shift+Z,
// and the Wave View and the audio spectrum window show the state before it behind the new one.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/EffectsDialog.h"
#include "app/HistoryActions.h"
#include "app/MainDialog.h"
#include "app/WaveViewHost.h"
#include "app/WaveViewWindow.h"
#include "spectrum/PrismDataWindow.h"
#include "tests/gui/support/MainWindowHarness.h"
#include "tests/gui/support/ScriptedUserDialogs.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

class CommandHistoryTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowHarness> m_harness;

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Stereo clicks over a low hum: something every command changes.
    std::string ClickyWave() {
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 6000; ++i) {
            samples.push_back(static_cast<std::int16_t>((i * 7919) % 16000 - 8000));
        }
        WaveLayout layout;
        layout.channels = 2;
        return m_harness->WriteFile("clicky.wav", BuildWave16(layout, samples));
    }
    // A shortcut of the main window, pressed while it is the active window (a context menu takes that away).
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Activate();
        QTest::keyClick(m_harness->window.get(), key, modifiers);
    }
    // The main window itself, not one of its child windows (a window counts as active while a child of
    // it has the focus, but its shortcuts then do not reach it).
    void Activate() {
        m_harness->window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(m_harness->window.get()));
    }
    void OpenEffects() { m_harness->Click("effectsButton"); }

private slots:
    void init() {
        m_harness = std::make_unique<MainWindowHarness>();
        Activate();
    }
    void cleanup() {
        m_harness.reset();
    }

    void everySampleCommandGoesBackAndForthAndShowsTheStateBefore() {
        const std::string input = ClickyWave();
        m_harness->SelectFilter(m_harness->WriteText("taps.txt", "0.25\n0.5\n0.25\n"));
        m_harness->Click("displayAudioCheck");
        m_harness->window->WaveView().Open();
        const std::string macro = m_harness->WriteText("macro.txt", "median 5\namplify 0.7 0.6\n");
        const std::vector<std::pair<const char*, std::function<void()>>> commands = {
            {"Apply Filter", [&] { m_harness->Click("applyFilterButton"); }},
            {"Median",
             [&] {
                 OpenEffects();
                 CEffectsDialog& effects = m_harness->window->EffectsDialog();
                 Click(Child<QPushButton>(&effects, "medianFilterButton"));
                 Click(Child<QPushButton>(&effects.MedianDialog(), "applyButton"));
             }},
            {"Amplify",
             [&] {
                 OpenEffects();
                 WithModal([&] { Click(Child<QPushButton>(&m_harness->window->EffectsDialog(), "amplifyButton")); },
                           [](QWidget* amplify) {
                               Child<QLineEdit>(amplify, "gain1Edit")->setText("0.5");
                               Child<QLineEdit>(amplify, "gain2Edit")->setText("1.5");
                               QTest::mouseClick(Child<QPushButton>(amplify, "applyButton"), Qt::LeftButton);
                           });
             }},
            {"Run Macro",
             [&] {
                 m_harness->dialogs.Answer(macro);
                 QVERIFY(ChooseFromContextMenu(m_harness->window.get(), "Run Macro..."));
             }},
        };
        for (const auto& [name, command] : commands) {
            m_harness->LoadAudio(input);
            QVERIFY2(!ChooseFromContextMenu(m_harness->window.get(), "Undo"), name);
            const std::vector<std::uint8_t> loaded = m_harness->Image();
            CPrismDataWindow* spectrum = m_harness->window->AudioSpectrumWindow();
            const std::vector<double> loadedCurve = spectrum->Plot().GetCurve(0);
            WaveViewWindow* view = m_harness->window->WaveView().Window();
            QVERIFY2(!view->Before(), name);

            command();
            const std::vector<std::uint8_t> changed = m_harness->Image();
            QVERIFY2(changed != loaded, name);
            QVERIFY2(m_harness->dialogs.Messages().empty(), name);
            // The displays follow the command (Amplify too) and keep the state before behind it.
            QVERIFY2(spectrum->Plot().GetCurve(0) != loadedCurve, name);
            QVERIFY2(spectrum->Plot().HasBeforeData(), name);
            QVERIFY2(spectrum->Plot().GetBeforeCurve(0) == loadedCurve, name);
            QVERIFY2(view->Before(), name);
            const auto before = view->Before()->Samples().Channel(1);
            const auto* loadedSamples = reinterpret_cast<const std::int16_t*>(loaded.data() + 44);
            for (std::size_t f = 0; f < before.size(); f += 101) {
                QCOMPARE(before[f], loadedSamples[2 * f + 1]);
            }

            Key(Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(m_harness->Image() == loaded, name);
            QVERIFY2(!m_harness->window->Workbench().IsModified(), name);
            QVERIFY2(spectrum->Plot().GetCurve(0) == loadedCurve, name);
            QVERIFY2(!ChooseFromContextMenu(m_harness->window.get(), "Undo"), name);  // nothing further back
            Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(m_harness->Image() == changed, name);
            QVERIFY2(m_harness->window->Workbench().IsModified(), name);
            QVERIFY2(!ChooseFromContextMenu(m_harness->window.get(), "Redo"), name);
            QVERIFY2(ChooseFromContextMenu(m_harness->window.get(), "Undo"), name);
            QVERIFY2(m_harness->Image() == loaded, name);
            QVERIFY2(ChooseFromContextMenu(m_harness->window.get(), "Redo"), name);
            QVERIFY2(m_harness->Image() == changed, name);
            m_harness->window->EffectsDialog().hide();
            m_harness->window->EffectsDialog().MedianDialog().hide();
        }
        // Reloading starts afresh: nothing to undo, nothing drawn behind.
        m_harness->Click("reloadAudioButton");
        QVERIFY(!ChooseFromContextMenu(m_harness->window.get(), "Undo"));
        QVERIFY(!m_harness->window->WaveView().Window()->Before());
        QVERIFY(!m_harness->window->AudioSpectrumWindow()->Plot().HasBeforeData());
    }

    // Command after command, the view shows the new samples over those of the command before; the copy of
    // the new ones reuses the memory of the state that is no longer shown.
    void theWaveViewFollowsCommandAfterCommand() {
        m_harness->LoadAudio(ClickyWave());
        m_harness->SelectFilter(m_harness->WriteText("softer.txt", "0.125\n0.25\n0.125\n"));
        m_harness->window->WaveView().Open();
        WaveViewWindow* view = m_harness->window->WaveView().Window();
        const auto shows = [](const MinMaxPyramid* pyramid, const std::vector<std::uint8_t>& image) {
            const auto* stored = reinterpret_cast<const std::int16_t*>(image.data() + 44);
            for (int c = 0; c < 2; ++c) {
                const auto samples = pyramid->Samples().Channel(c);
                for (std::size_t f = 0; f < samples.size(); ++f) {
                    if (samples[f] != stored[2 * f + static_cast<std::size_t>(c)]) {
                        return false;
                    }
                }
            }
            return true;
        };
        std::vector<std::uint8_t> before = m_harness->Image();
        for (int command = 0; command < 4; ++command) {
            m_harness->Click("applyFilterButton");
            const std::vector<std::uint8_t> now = m_harness->Image();
            QVERIFY(now != before);
            QVERIFY(shows(view->Current(), now));
            QVERIFY(shows(view->Before(), before));
            before = now;
        }
    }

    // A step that cannot be kept still runs; the menu says the history was cut short and undo goes nowhere.
    void aStepTooLargeToKeepRunsAndTheMenuSaysSo() {
        m_harness->window->Workbench().KeepHistory({16, 100});
        m_harness->LoadAudio(ClickyWave());
        const std::vector<std::uint8_t> loaded = m_harness->Image();
        m_harness->window->RunMedianFilter(5);
        QVERIFY(m_harness->Image() != loaded);
        const std::vector<std::pair<QString, bool>> expected = {
            {"Undo", false}, {"Redo", false}, {"Undo history cut short: not enough memory", false}};
        auto entries = ContextMenuEntries(m_harness->window.get());
        entries.resize(std::min<std::size_t>(entries.size(), 3));
        QVERIFY(entries == expected);
    }

    void theShortcutsAreTheStandardOnes() {
        QCOMPARE(m_harness->window->History().UndoAction()->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(m_harness->window->History().RedoAction()->shortcut(), QKeySequence("Ctrl+Shift+Z"));
        Key(Qt::Key_Z, Qt::ControlModifier);  // nothing loaded: nothing happens, nothing is said
        QVERIFY(m_harness->dialogs.Messages().empty());
    }
};

QTEST_MAIN(CommandHistoryTest)
#include "CommandHistoryTest.moc"
