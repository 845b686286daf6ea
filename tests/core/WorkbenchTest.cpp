// The workbench as the window and the command-line tool drive it: the order of the checks, what counts
// as a change of the samples, what is recorded for a macro, and the two ways an MP3 file comes in.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

class WorkbenchTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(scratch.File(name), bytes);
        return scratch.File(name);
    }
    std::string Taps(const std::string& name, const std::string& text) {
        return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    std::string Stereo() {
        WaveLayout layout;
        layout.channels = 2;
        return Write("stereo.wav", BuildWave16(layout, {100, -200, 3000, -4000, 50, 60}));
    }
    std::vector<std::uint8_t> Image() const {
        const CWave& wave = workbench.Wave();
        return {wave.GetImage(), wave.GetImage() + wave.GetImageLength()};
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    Workbench workbench{&feedback};
};

}  // namespace

// Each step: what the command answers, whether it got as far as the samples (for the commands that change
// them), and what the workbench then says about its samples.
TEST_F(WorkbenchTest, ChecksComeInTheWindowsOrderAndOnlyDoneWorkCountsAsAChange) {
    struct Step {
        std::string name;
        std::function<Result()> command;
        std::string message;
        std::optional<bool> reached;
        bool modified;
        std::size_t recorded;
    };
    const std::string stereo = Stereo();
    const std::string taps = Taps("double.txt", "0.0\n2.0\n0.0\n");
    FixedMp3Settings mp3("128", {});
    const std::vector<Step> steps = {
        {"no filter yet", [&] { return workbench.ApplyFilter(); }, "No filter specified", false, false, 0},
        {"filter, no wave",
         [&] { return workbench.SelectFilter(taps).AndThen([&] { return workbench.ApplyFilter(); }); },
         "No valid Wave file loaded", false, false, 0},
        {"nothing to save", [&] { return workbench.CheckSomethingToSave(); }, "No Wave file to save", {}, false, 0},
        {"load", [&] { return workbench.LoadAudio(stereo); }, "", {}, false, 0},
        {"no channel chosen",
         [&] {
             workbench.SetChannels({false, false});
             return workbench.ApplyFilter();
         },
         "Select at least one channel for the filter process", true, false, 0},
        {"filter channel 2",
         [&] {
             workbench.SetChannels({false, true});
             return workbench.ApplyFilter();
         },
         "", true, true, 1},
        {"median too long", [&] { return workbench.ApplyMedian(40); }, "Median length must be between 1 and 33", true,
         true, 1},
        {"save", [&] { return workbench.SaveWave(scratch.File("out.wav")); }, "", {}, false, 1},
        {"amplify", [&] { return workbench.Amplify(0.5, 2.0); }, "", true, true, 2},
        {"other format", [&] { return workbench.SaveAudio(scratch.File("out.aiff"), mp3); }, "No valid format selected",
         {}, true, 2},
        {"reload", [&] { return workbench.ReloadAudio(); }, "", {}, false, 0},
        {"missing file", [&] { return workbench.LoadAudio(scratch.File("gone.wav")); }, "Could not open file", {},
         false, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const Result result = step.command();
        EXPECT_EQ(result.FailureText(), step.message);
        EXPECT_EQ(result.Ok(), step.message.empty());
        if (step.reached) {
            EXPECT_EQ(workbench.LastCommandReachedSamples(), *step.reached);
        }
        EXPECT_EQ(workbench.IsModified(), step.modified);
        EXPECT_EQ(workbench.AppliedSteps().size(), step.recorded);
    }
    // The file that failed left the audio in hand as it was.
    EXPECT_TRUE(workbench.Wave().IsLoaded());
    EXPECT_EQ(workbench.DisplayName(), stereo);
    // Channel 2 doubled, channel 1 as it was: the file saved halfway.
    WaveLayout layout;
    layout.channels = 2;
    EXPECT_EQ(ReadFileBytes(scratch.File("out.wav")), BuildWave16(layout, {100, -400, 3000, -8000, 50, 120}));
}

// The revision tells states of the samples apart: done work moves it on, refused commands and saves
// leave it, and a save or a load makes the current revision the one on disk.
TEST_F(WorkbenchTest, RevisionMovesWithEveryChangeAndSavingRecordsIt) {
    struct Step {
        std::string name;
        std::function<Result()> command;
        bool moves;
        bool modified;
    };
    const std::string stereo = Stereo();
    const std::vector<Step> steps = {
        {"refused before any wave", [&] { return workbench.Amplify(2.0, 2.0); }, false, false},
        {"load", [&] { return workbench.LoadAudio(stereo); }, true, false},
        {"median", [&] { return workbench.ApplyMedian(3); }, true, true},
        {"refused median", [&] { return workbench.ApplyMedian(40); }, false, true},
        {"save", [&] { return workbench.SaveWave(scratch.File("a.wav")); }, false, false},
        {"failed save", [&] { return workbench.SaveWave(scratch.File("no/such/b.wav")); }, false, false},
        {"amplify", [&] { return workbench.Amplify(0.5, 0.5); }, true, true},
        {"failed save keeps the change", [&] { return workbench.SaveWave(scratch.File("no/b.wav")); }, false, true},
        {"normalize", [&] { return workbench.Normalize(); }, true, true},
        {"reload", [&] { return workbench.ReloadAudio(); }, true, false},
        {"amplify again", [&] { return workbench.Amplify(2.0, 2.0); }, true, true},
        {"failed load keeps the work", [&] { return workbench.LoadAudio(scratch.File("gone.wav")); }, false, true},
    };
    std::uint64_t before = workbench.Revision();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.command();
        EXPECT_EQ(workbench.Revision() != before, step.moves);
        EXPECT_GE(workbench.Revision(), before);
        EXPECT_EQ(workbench.IsModified(), step.modified);
        EXPECT_EQ(workbench.IsModified(), workbench.Revision() != workbench.SavedRevision());
        before = workbench.Revision();
    }
}

// A file is audio by its first bytes, not by its name; a dropped WAV file named otherwise loads as one.
TEST_F(WorkbenchTest, AudioIsRecognisedByContent) {
    const auto bytes = [](std::initializer_list<int> values) {
        std::vector<std::uint8_t> out;
        for (int v : values) {
            out.push_back(static_cast<std::uint8_t>(v));
        }
        return out;
    };
    auto riffNotWave = BuildWave({}, {1, 2});
    riffNotWave[8] = 'A';
    std::filesystem::create_directory(scratch.File("folder.wav"));
    const std::vector<std::pair<std::string, AudioFileKind>> cases = {
        {Write("tone.mp3", BuildWave({}, {1, 2})), AudioFileKind::Wave},
        {Write("riff.wav", riffNotWave), AudioFileKind::Other},
        {Write("tagged", bytes({'I', 'D', '3', 4, 0})), AudioFileKind::Mp3},
        {Write("layer3.wav", bytes({0xFF, 0xFB, 0x90, 0x64})), AudioFileKind::Mp3},
        {Write("mpeg2.bin", bytes({0xFF, 0xF3, 0x40, 0x00})), AudioFileKind::Mp3},
        {Write("reserved-layer", bytes({0xFF, 0xF9, 0x90, 0x64})), AudioFileKind::Other},
        {Write("reserved-bitrate", bytes({0xFF, 0xFB, 0xF0, 0x64})), AudioFileKind::Other},
        {Write("reserved-rate", bytes({0xFF, 0xFB, 0x9C, 0x64})), AudioFileKind::Other},
        {Write("short", bytes({0xFF, 0xFB})), AudioFileKind::Other},
        {Write("empty", {}), AudioFileKind::Other},
        {Taps("taps.wav", "0.5\n0.25\n0.125\n"), AudioFileKind::Other},
        {scratch.File("folder.wav"), AudioFileKind::Other},
        {scratch.File("missing.wav"), AudioFileKind::Other},
    };
    for (const auto& [path, kind] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(DetectAudioFileKind(path), kind);
    }
    LoadOptions byContent;
    byContent.kind = AudioFileKind::Wave;
    EXPECT_FALSE(workbench.LoadAudio(scratch.File("tone.mp3")));  // by its name: an MP3 file
    ASSERT_TRUE(workbench.LoadAudio(scratch.File("tone.mp3"), byContent));
    EXPECT_EQ(Image(), BuildWave({}, {1, 2}));
    ASSERT_TRUE(workbench.ReloadAudio());
    EXPECT_EQ(Image(), BuildWave({}, {1, 2}));
}

// The final rename cannot put a file where a folder is: the save says so, the folder stays as it was and
// no temporary file is left beside it.
TEST_F(WorkbenchTest, SaveOverAFolderFailsAndLeavesNothingBehind) {
    ASSERT_TRUE(workbench.LoadAudio(Stereo()));
    ASSERT_TRUE(workbench.Amplify(2.0, 2.0));
    const std::string folder = scratch.File("out.wav");
    std::filesystem::create_directory(folder);
    Write("out.wav/inside.txt", {'k'});
    const Result saved = workbench.SaveWave(folder);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.FailureText(), "");
    EXPECT_TRUE(workbench.IsModified());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(ReadFileBytes(scratch.File("out.wav/inside.txt")), std::vector<std::uint8_t>{'k'});
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out.wav", "stereo.wav"}));
}

TEST_F(WorkbenchTest, SavingAsWaveConfirmsForTheWindowOnly) {
    ASSERT_TRUE(workbench.LoadAudio(Stereo()));
    FixedMp3Settings unused("128", {});
    const Result saved = workbench.SaveAudio(scratch.File("copy.WAV"), unused);
    ASSERT_EQ(saved.Messages().size(), 1u);
    EXPECT_EQ(saved.Messages()[0], (Message{"Wave saved", MessageIcon::Information, Message::Kind::Confirmation}));
    EXPECT_TRUE(workbench.SaveWave(scratch.File("copy2.wav")).Messages().empty());
    EXPECT_EQ(ReadFileBytes(scratch.File("copy.WAV")), ReadFileBytes(Stereo()));
}

TEST_F(WorkbenchTest, NormalizeAmplifiesByTheProposedGainsAndAStepKeepsItsFilter) {
    WaveLayout layout;
    layout.channels = 2;
    const std::string input = Write("quiet.wav", BuildWave16(layout, {100, -2000, -16384, 700, 5, 0}));
    ASSERT_TRUE(workbench.LoadAudio(input));
    double gain1 = 0.0;
    double gain2 = 0.0;
    ASSERT_TRUE(workbench.MeasureGains(gain1, gain2));
    ASSERT_TRUE(workbench.Amplify(gain1, gain2));
    const std::vector<std::uint8_t> byHand = Image();
    ASSERT_TRUE(workbench.LoadAudio(input));
    ASSERT_TRUE(workbench.Normalize());
    EXPECT_EQ(Image(), byHand);

    ASSERT_TRUE(workbench.SelectFilter(Taps("a.txt", "0.0\n1.0\n0.0\n")));
    ASSERT_TRUE(workbench.ApplyFilter());
    const auto& applied = std::get<FirStep>(workbench.AppliedSteps().back());
    EXPECT_FALSE(workbench.SelectFilter(scratch.File("none.txt")));
    EXPECT_EQ(workbench.Filter().GetCount(), 0);
    EXPECT_EQ(applied.filter->GetCount(), 3);  // what ran stays what it was
}

// The window keeps the decoded file for "Reload Audio"; everybody else decodes into memory and leaves
// nothing behind. Both give the same samples.
TEST_F(WorkbenchTest, AnMp3FileComesInWithTheSameBytesKeptOrInMemory) {
    const std::string mp3 = std::string(TRESSEL_TEST_DATA) + "/bad/layer2.mp3";
    const std::string folder = scratch.File("tmp");
    std::filesystem::create_directory(folder);
    const char* previous = std::getenv("TMP");
    const std::string saved = previous ? previous : "";
    setenv("TMP", folder.c_str(), 1);

    LoadOptions window;
    window.keepDecodedFile = true;
    ASSERT_TRUE(workbench.LoadAudio(mp3, window));
    ASSERT_TRUE(workbench.TemporaryFileName());
    EXPECT_EQ(workbench.Wave().GetFileName(), *workbench.TemporaryFileName());
    const std::vector<std::uint8_t> kept = Image();

    std::vector<std::string> diagnostics;
    LoadOptions console;
    console.mp3.diagnostics = [&](const mp3dec::Diagnostic& d) { diagnostics.push_back(d.text); };
    ASSERT_TRUE(workbench.LoadAudio(mp3, console));
    EXPECT_EQ(Image(), kept);
    // The decoder's remarks reach the caller instead of standard output.
    EXPECT_EQ(diagnostics, std::vector<std::string>{"the bit stream file " + mp3 + " is a BINARY file\n"});
    EXPECT_EQ(workbench.DisplayName(), mp3);
    EXPECT_FALSE(workbench.TemporaryFileName());
    EXPECT_TRUE(std::filesystem::is_empty(folder));  // the window's file went with the next load
    ASSERT_TRUE(workbench.Amplify(0.5, 0.5));
    ASSERT_TRUE(workbench.ReloadAudio());  // decoded anew: there is no WAV file to read again
    EXPECT_EQ(Image(), kept);

    EXPECT_EQ(workbench.LoadAudio(Write("junk.mp3", {'U', 'U', 'U'}), console).FailureText(),
              "Failed to decode MP3 file");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    if (previous) {
        setenv("TMP", saved.c_str(), 1);
    } else {
        unsetenv("TMP");
    }
}
