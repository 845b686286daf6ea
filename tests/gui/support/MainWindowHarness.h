#pragma once
// The main window on its own: a scratch folder that also holds the settings store, scripted dialogs, a
// recording help service and the window itself, shown. Building one gives every window test the same
// start; dropping it tears everything down in the right order.

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "tests/gui/support/ScriptedUserDialogs.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

namespace tressel::testing {

class MainWindowHarness {
public:
    MainWindowHarness() {
        UseScratchSettings(scratch);
        SetAppHelp(&help);
        OpenWindow();
    }
    ~MainWindowHarness() {
        window.reset();  // before the dialogs and the help it reports to
        SetAppHelp(nullptr);
    }
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    // A new window over the same store, as after a restart.
    void OpenWindow() {
        window.reset();
        window = std::make_unique<CMainDialog>();
        window->show();
    }

    template <typename T = QPushButton>
    T* Control(const char* name) {
        return Child<T>(window.get(), name);
    }
    // Any button of the window, check boxes too.
    void Click(const char* name) { QTest::mouseClick(Control<QAbstractButton>(name), Qt::LeftButton); }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }

    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(scratch.File(name), bytes);
        return scratch.File(name);
    }
    std::string WriteText(const std::string& name, const std::string& text) {
        return WriteFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    // A conformance stream from the test data, copied under `name` so that the window may own it.
    std::string CopyVector(const std::string& vector, const std::string& name) {
        std::filesystem::copy_file(std::filesystem::path(TRESSEL_TEST_DATA) / "vectors" / vector, scratch.File(name));
        return scratch.File(name);
    }
    // A short stereo 16-bit wave; `seed` makes its samples differ from another's.
    std::string StereoWave(const std::string& name, int seed = 1,
                           std::uint32_t samplesPerSecond = WaveLayout{}.samplesPerSecond) {
        WaveLayout layout;
        layout.channels = 2;
        layout.samplesPerSecond = samplesPerSecond;
        const auto s = static_cast<std::int16_t>(seed);
        return WriteFile(name, BuildWave16(layout, {s, -1, 300, -300, 7, 8}));
    }
    void LoadAudio(const std::string& path) {
        dialogs.Answer(path);
        Click("loadAudioButton");
    }
    void SelectFilter(const std::string& path) {
        dialogs.Answer(path);
        Click("selectFilterButton");
    }
    // The whole file image of the audio in hand, header and all.
    std::vector<std::uint8_t> Image() const {
        const CWave& wave = window->Wave();
        return {wave.GetImage(), wave.GetImage() + wave.GetImageLength()};
    }

    ScratchDir scratch;
    ScriptedUserDialogs dialogs;
    RecordingHelp help;
    std::unique_ptr<CMainDialog> window;
};

}  // namespace tressel::testing
