// What A/B listening plays as the reference: the bytes as loaded and as before the last command, taken
// from the history after any run of commands and undos, and nothing once the history no longer keeps it.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/WaveBuilder.h"
#include "workbench/ListeningReference.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ImageOf(const CWave& wave) {
    return {wave.GetImage(), wave.GetImage() + wave.GetImageLength()};
}

std::optional<Bytes> Reference(const Workbench& workbench, ListeningReference which) {
    const std::span<const std::uint8_t> image = ReferenceImage(workbench, which);
    return image.empty() ? std::nullopt : std::optional<Bytes>(Bytes(image.begin(), image.end()));
}

// The states a case walks through: loaded (0), after the first command (1), after the second (2).
enum Expect { kNone = -1, kLoaded = 0, kFirst = 1, kSecond = 2 };

struct Case {
    const char* name;
    std::optional<HistoryLimits> history;  // none: the workbench keeps no history
    int commands;                          // amplifications run after the load
    int undos;
    Expect asLoaded;
    Expect beforeLast;
};

TEST(ListeningReferenceTest, ReferenceIsTheStateAsLoadedOrBeforeTheLastCommand) {
    const Case cases[] = {
        {"nothing done yet", HistoryLimits{}, 0, 0, kLoaded, kLoaded},
        {"one command", HistoryLimits{}, 1, 0, kLoaded, kLoaded},
        {"two commands", HistoryLimits{}, 2, 0, kLoaded, kFirst},
        {"two commands, one undone", HistoryLimits{}, 2, 1, kLoaded, kLoaded},
        {"two commands, both undone", HistoryLimits{}, 2, 2, kLoaded, kLoaded},
        {"the loaded state dropped for the bound", HistoryLimits{1, std::size_t{1} << 30}, 2, 0, kNone, kFirst},
        {"no history kept", std::nullopt, 2, 0, kNone, kNone},
    };
    WaveLayout layout;
    layout.channels = 2;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 64; ++i) {
        samples.push_back(static_cast<std::int16_t>((i * 613) % 9000 - 4500));
    }
    ScratchDir scratch;
    const std::string input = scratch.File("in.wav");
    WriteFileBytes(input, BuildWave16(layout, samples));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workbench workbench;
        EXPECT_FALSE(Reference(workbench, ListeningReference::AsLoaded)) << "nothing loaded";
        if (c.history) {
            workbench.KeepHistory(*c.history);
        }
        ASSERT_TRUE(workbench.LoadAudio(input));
        std::vector<Bytes> states = {ImageOf(workbench.Wave())};
        for (int i = 0; i < c.commands; ++i) {
            ASSERT_TRUE(workbench.Amplify(1.5 + i, 0.5));
            states.push_back(ImageOf(workbench.Wave()));
            ASSERT_NE(states.back(), states[states.size() - 2]);
        }
        for (int i = 0; i < c.undos; ++i) {
            ASSERT_TRUE(workbench.Undo());
        }
        const auto expected = [&](Expect which) {
            return which == kNone ? std::nullopt : std::optional<Bytes>(states[which]);
        };
        EXPECT_EQ(Reference(workbench, ListeningReference::AsLoaded), expected(c.asLoaded));
        EXPECT_EQ(Reference(workbench, ListeningReference::BeforeLastCommand), expected(c.beforeLast));
    }
}

}  // namespace
