// Stopping a long command half-way: whoever watches its progress asks to stop once half of it is done,
// and the command leaves everything as it was before it started (samples, history, the loaded audio, an
// older file of the output's name) and no file of its own behind.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "spectrum/FilterResponse.h"
#include "tests/support/WaveBuilder.h"
#include "workbench/MacroRunner.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// Progress that asks to stop from the first position at or past the middle of its range on; it notes
// whether any indicator reached its end, so a test can tell the work really stopped early.
class HalfwayFeedback final : public Feedback {
public:
    void ShowMessage(std::string_view, MessageIcon) override {}
    std::unique_ptr<ProgressSink> CreateProgress() override { return std::make_unique<Sink>(*this); }

    bool stop = false;
    bool reachedEnd = false;

private:
    class Sink final : public ProgressSink {
    public:
        explicit Sink(HalfwayFeedback& owner) : m_owner(owner) {}
        void SetRange(int low, int high) override {
            m_low = low;
            m_high = high;
        }
        void Show() override {}
        void SetPosition(int position) override {
            m_owner.reachedEnd = m_owner.reachedEnd || position >= m_high;
            m_reached = m_reached || 2 * (position - m_low) >= m_high - m_low;
        }
        bool CancelRequested() const override { return m_owner.stop && m_reached; }

    private:
        HalfwayFeedback& m_owner;
        int m_low = 0;
        int m_high = 0;
        bool m_reached = false;
    };
};

// What must not change: the samples, the revision, the history and every file in the folder.
struct Snapshot {
    std::vector<std::uint8_t> image;
    std::string displayName;
    std::uint64_t revision;
    std::size_t undoSteps;
    std::map<std::string, std::vector<std::uint8_t>> files;

    bool operator==(const Snapshot&) const = default;
};

class CancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The window's import makes its temporary file here, so a leftover one shows.
        if (const char* tmp = std::getenv("TMP")) {
            oldTmp = tmp;
        }
        setenv("TMP", scratch.Path().c_str(), 1);
        WaveLayout layout;
        layout.channels = 2;
        layout.samplesPerSecond = 44100;
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 2 * 60000; ++i) {
            samples.push_back(static_cast<std::int16_t>((i * 7919) % 20000 - 10000));
        }
        input = scratch.File("in.wav");
        WriteFileBytes(input, BuildWave16(layout, samples));
        WriteFileBytes(scratch.File("taps.txt"), {'0', '.', '2', '\n', '0', '.', '5', '\n', '0', '.', '3', '\n'});
        workbench.KeepHistory();
        ASSERT_TRUE(workbench.SelectFilter(scratch.File("taps.txt")));
        ASSERT_TRUE(workbench.LoadAudio(input));
        ASSERT_TRUE(workbench.ApplyMedian(3));  // one undo step to keep
        // An older file of the export's name, which a stopped export must leave alone.
        FixedMp3Settings mp3("128", {});
        ASSERT_TRUE(workbench.SaveMp3(scratch.File("older.mp3"), mp3));
        std::vector<int> frames;
        LoadOptions counting;
        counting.mp3.progress = [&](int frame) { frames.push_back(frame); };
        Workbench other;
        ASSERT_TRUE(other.LoadAudio(scratch.File("older.mp3"), counting));
        mp3Frames = frames.size() - 2;  // the opening 0 and the closing -1
        ASSERT_GT(mp3Frames, 20);
    }
    void TearDown() override {
        if (oldTmp) {
            setenv("TMP", oldTmp->c_str(), 1);
        } else {
            unsetenv("TMP");
        }
    }
    Snapshot Now() const {
        Snapshot snapshot;
        const CWave& wave = workbench.Wave();
        snapshot.image.assign(wave.GetImage(), wave.GetImage() + wave.GetImageLength());
        snapshot.displayName = workbench.DisplayName();
        snapshot.revision = workbench.Revision();
        snapshot.undoSteps = workbench.GetHistory()->UndoSteps();
        for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
            snapshot.files[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
        }
        return snapshot;
    }
    // An MP3 import that asks to stop halfway, as the share done is shown: by the frame count the
    // decoder's scan announces.
    Result ImportStoppedHalfway(bool keepDecodedFile) {
        LoadOptions options;
        options.keepDecodedFile = keepDecodedFile;
        int frames = 0;
        std::uint32_t expected = 0;
        options.mp3.progress = [&](int frame) { frames = frame; };
        options.mp3.expectedFrames = [&](std::uint32_t count) { expected = count; };
        options.mp3.cancelRequested = [&] { return expected > 0 && 2 * frames >= static_cast<int>(expected); };
        Result result = workbench.LoadAudio(scratch.File("older.mp3"), options);
        EXPECT_EQ(expected, mp3Frames);
        EXPECT_LT(frames, static_cast<int>(mp3Frames) - 1);  // it stopped early
        return result;
    }

    std::optional<std::string> oldTmp;
    ScratchDir scratch;
    std::string input;
    HalfwayFeedback feedback;
    Workbench workbench{&feedback};
    std::size_t mp3Frames = 0;
};

}  // namespace

TEST_F(CancelTest, EachLongCommandStoppedHalfwayLeavesTheEarlierStateAndNoFile) {
    FixedMp3Settings mp3("128", {});
    std::vector<double> first(kSpectrumBins);
    std::vector<double> second(kSpectrumBins);
    const std::vector<std::pair<std::string, std::function<Result()>>> commands = {
        {"Apply Filter", [&] { return workbench.ApplyFilter(); }},
        {"Median", [&] { return workbench.ApplyMedian(5); }},
        {"audio spectrum", [&] { return workbench.ComputeAudioSpectrum(first.data(), second.data()); }},
        {"MP3 export over an older file", [&] { return workbench.SaveMp3(scratch.File("older.mp3"), mp3); }},
        {"MP3 export to a new name", [&] { return workbench.SaveMp3(scratch.File("new.mp3"), mp3); }},
        {"MP3 import kept as a file", [&] { return ImportStoppedHalfway(true); }},
        {"MP3 import in memory", [&] { return ImportStoppedHalfway(false); }},
        // Stopped in its filter, the macro takes back its amplification too.
        {"Run Macro", [&] {
             Macro macro;
             EXPECT_TRUE(LoadMacro(scratch.File("louder-then-filter.txt"), macro));
             return workbench.AsOneStep([&] { return RunMacro(workbench, macro, {input, ""}); });
         }},
    };
    const std::string macroText = "amplify 0.5 0.5\nfir taps.txt\n";
    WriteFileBytes(scratch.File("louder-then-filter.txt"), {macroText.begin(), macroText.end()});
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        const Snapshot before = Now();
        feedback.stop = true;
        feedback.reachedEnd = false;
        const Result result = command();
        feedback.stop = false;
        EXPECT_FALSE(result.Ok());
        EXPECT_TRUE(result.WasCancelled());
        EXPECT_TRUE(result.Messages().empty());
        EXPECT_FALSE(feedback.reachedEnd);  // it stopped early
        EXPECT_TRUE(Now() == before);
    }
    // The undo that follows goes past the stopped commands to the state before the median.
    ASSERT_TRUE(workbench.Undo());
    EXPECT_EQ(ReadFileBytes(input).size(), workbench.Wave().GetImageLength());
    EXPECT_EQ(std::vector<std::uint8_t>(workbench.Wave().GetImage(),
                                        workbench.Wave().GetImage() + workbench.Wave().GetImageLength()),
              ReadFileBytes(input));
}

// Without a copy of its starting state a command could not put it back: then it cannot be stopped, and
// runs to its end as it would have without the request.
TEST_F(CancelTest, ACommandWithoutACopyOfItsStartRunsToTheEnd) {
    Workbench plain{&feedback};
    ASSERT_TRUE(plain.SelectFilter(scratch.File("taps.txt")));
    ASSERT_TRUE(plain.LoadAudio(input));
    feedback.stop = true;
    EXPECT_TRUE(plain.ApplyFilter());
    ASSERT_TRUE(workbench.LoadAudio(input));
    feedback.stop = false;
    ASSERT_TRUE(workbench.ApplyFilter());
    EXPECT_EQ(std::vector<std::uint8_t>(plain.Wave().GetImage(), plain.Wave().GetImage() + plain.Wave().GetImageLength()),
              std::vector<std::uint8_t>(workbench.Wave().GetImage(),
                                        workbench.Wave().GetImage() + workbench.Wave().GetImageLength()));
}
