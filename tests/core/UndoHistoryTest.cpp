// Undo and redo through the workbench: every sample command goes back to the exact bytes, revision and
// recorded steps it started from, the bounds drop the oldest steps first, and a step that cannot be kept
// still runs and cuts the history short rather than leading an undo astray.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/WaveBuilder.h"
#include "workbench/MacroRunner.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

struct State {
    std::vector<std::uint8_t> image;
    std::uint64_t revision;
    std::size_t applied;

    bool operator==(const State&) const = default;
};

class UndoHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        WaveLayout layout;
        layout.channels = 2;
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 400; ++i) {
            samples.push_back(static_cast<std::int16_t>((i * 7919) % 20000 - 10000));  // clicky, no repeats
        }
        input = scratch.File("in.wav");
        WriteFileBytes(input, BuildWave16(layout, samples));
        const std::string taps = scratch.File("taps.txt");
        WriteFileBytes(taps, {'0', '.', '2', '\n', '0', '.', '5', '\n', '0', '.', '3', '\n'});
        workbench.KeepHistory(limits);
        ASSERT_TRUE(workbench.SelectFilter(taps));
        ASSERT_TRUE(workbench.LoadAudio(input));
    }
    State Now() const {
        const CWave& wave = workbench.Wave();
        return {{wave.GetImage(), wave.GetImage() + wave.GetImageLength()},
                workbench.Revision(),
                workbench.AppliedSteps().size()};
    }
    Result RunMacroText(const std::string& text) {
        Macro macro;
        const std::string path = scratch.File("m.txt");
        return ParseMacro(text, path, macro).AndThen([&] {
            return workbench.AsOneStep([&] { return RunMacro(workbench, macro, {input, scratch.Path().string()}); });
        });
    }

    HistoryLimits limits;
    ScratchDir scratch;
    std::string input;
    Workbench workbench;
};

}  // namespace

// Three runs of each command, then back to the start and forward to the end, one step at a time; a save
// in the middle makes exactly its own state the unmodified one.
TEST_F(UndoHistoryTest, UndoAndRedoGoBackAndForthToTheExactEarlierStates) {
    const std::vector<std::pair<std::string, std::function<Result(int)>>> commands = {
        {"Apply Filter", [&](int) { return workbench.ApplyFilter(); }},
        {"Median", [&](int run) { return workbench.ApplyMedian(3 + 2 * run); }},
        {"Amplify", [&](int run) { return workbench.Amplify(1.5 + run, 0.25); }},
        {"Run Macro", [&](int run) { return RunMacroText("median 3\namplify " + std::to_string(run + 2) + " 0.5\n"); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(workbench.LoadAudio(input));
        std::vector<State> states = {Now()};
        for (int run = 0; run < 3; ++run) {
            ASSERT_TRUE(command(run));
            if (run == 1) {
                ASSERT_TRUE(workbench.SaveWave(scratch.File("saved.wav")));
            }
            states.push_back(Now());
            EXPECT_NE(states.back().image, states[states.size() - 2].image);
        }
        EXPECT_FALSE(workbench.CanRedo());
        for (std::size_t i = states.size() - 1; i-- > 0;) {
            ASSERT_TRUE(workbench.Undo());
            EXPECT_EQ(Now(), states[i]) << "undone to " << i;
            EXPECT_EQ(workbench.IsModified(), i != 2);
        }
        EXPECT_FALSE(workbench.Undo());
        EXPECT_EQ(Now(), states[0]);
        for (std::size_t i = 1; i < states.size(); ++i) {
            ASSERT_TRUE(workbench.Redo());
            EXPECT_EQ(Now(), states[i]) << "redone to " << i;
        }
        EXPECT_FALSE(workbench.Redo());
    }
}

// Undo and then a new command: the redo steps go, and the new state is never taken for the saved one.
TEST_F(UndoHistoryTest, ANewCommandAfterUndoDropsTheRedoStepsAndGetsANewRevision) {
    ASSERT_TRUE(workbench.Amplify(2.0, 2.0));
    ASSERT_TRUE(workbench.SaveWave(scratch.File("saved.wav")));
    ASSERT_TRUE(workbench.Undo());
    ASSERT_TRUE(workbench.Amplify(0.5, 0.5));
    EXPECT_FALSE(workbench.CanRedo());
    EXPECT_TRUE(workbench.IsModified());
    ASSERT_TRUE(workbench.Undo());
    EXPECT_TRUE(workbench.IsModified());  // the loaded state; the saved one is gone
}

// What does not change the samples leaves the history alone: refusals, failures, a macro that fails
// before its first line; Load and Reload start it afresh.
TEST_F(UndoHistoryTest, RefusedCommandsRecordNothingAndLoadingClears) {
    const State loaded = Now();
    EXPECT_FALSE(workbench.ApplyMedian(40));
    EXPECT_FALSE(RunMacroText("median 3\nsave in.wav\n"));  // would overwrite its input
    workbench.SetChannels({false, false});
    EXPECT_FALSE(workbench.ApplyFilter());
    EXPECT_FALSE(workbench.CanUndo());
    EXPECT_EQ(Now(), loaded);

    workbench.SetChannels({true, true});
    ASSERT_TRUE(workbench.ApplyFilter());
    ASSERT_TRUE(workbench.ReloadAudio());
    EXPECT_FALSE(workbench.CanUndo());
    ASSERT_TRUE(workbench.ApplyMedian(5));
    ASSERT_TRUE(workbench.Undo());
    ASSERT_TRUE(workbench.LoadAudio(input));
    EXPECT_FALSE(workbench.CanUndo());
    EXPECT_FALSE(workbench.CanRedo());
}

// The step bound and the byte bound each drop the oldest steps first; a state larger than the byte bound
// is not kept, the command runs all the same, and undo then goes no further back than that command.
TEST_F(UndoHistoryTest, TheBoundsDropTheOldestStepsAndAStepTooLargeCutsTheHistoryShort) {
    const std::size_t imageBytes = Now().image.size();
    struct Case {
        std::string name;
        HistoryLimits limits;
        std::size_t kept;
        bool cutShort;
    };
    const std::vector<Case> cases = {
        {"16 steps", {}, 16, false},
        {"3 steps", {3, std::size_t{1} << 30}, 3, false},
        {"room for 5 images", {16, imageBytes * 5 + 1}, 5, false},
        {"room for none", {16, imageBytes - 1}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        workbench.KeepHistory(c.limits);
        ASSERT_TRUE(workbench.LoadAudio(input));
        std::vector<State> states = {Now()};
        for (int run = 0; run < 20; ++run) {
            ASSERT_TRUE(workbench.Amplify(1.0 + run / 8.0, 1.0));
            states.push_back(Now());
        }
        const History& history = *workbench.GetHistory();
        EXPECT_EQ(history.UndoSteps(), c.kept);
        EXPECT_LE(history.KeptBytes(), c.limits.maxBytes);
        EXPECT_EQ(history.CutShort(), c.cutShort);
        for (std::size_t i = 0; i < c.kept; ++i) {
            ASSERT_TRUE(workbench.Undo());
        }
        EXPECT_FALSE(workbench.Undo());
        EXPECT_EQ(Now(), states[states.size() - 1 - c.kept]);
    }
}
