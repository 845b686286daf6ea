#pragma once
// What every window test starts from, with or without the main window: a scratch folder that also holds
// the settings store, scripted dialogs and a recording help service, each installed for the program to
// find. Dropping it takes them away again.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/gui/support/ScriptedUserDialogs.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/WaveBuilder.h"

namespace tressel::testing {

class DialogHarness {
public:
    DialogHarness() {
        UseScratchSettings(scratch);
        SetAppHelp(&help);
    }
    ~DialogHarness() { SetAppHelp(nullptr); }
    DialogHarness(const DialogHarness&) = delete;
    DialogHarness& operator=(const DialogHarness&) = delete;

    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(scratch.File(name), bytes);
        return scratch.File(name);
    }
    std::string WriteText(const std::string& name, const std::string& text) {
        return WriteFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    // A conformance stream from the test data, copied under `name` so that the program may own it.
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

    ScratchDir scratch;
    ScriptedUserDialogs dialogs;
    RecordingHelp help;
};

}  // namespace tressel::testing
