// Every writer facing a full disk or a folder it may not write to: saving as WAV, exporting as MP3 through
// the encoder module and writing a decoded stream. Each reports, leaves a file that was there untouched
// and leaves no temporary file behind.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "audio/AtomicFileWriter.h"
#include "mp3dec/decoder.h"
#include "mp3enc/Mp3Export.h"
#include "tests/support/FileLimits.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"
#include "workbench/Mp3Import.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

const std::vector<std::uint8_t> kOldContent = {'o', 'l', 'd'};

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Runs body in a child process as a user without write access to a folder of mode 0555 (root writes
// everywhere, so the child gives up root first). body answers 0 when all its checks held.
int InReadOnlyFolder(const std::filesystem::path& folder, const std::function<int()>& body) {
    std::filesystem::permissions(folder.parent_path(), std::filesystem::perms::all);  // reachable for the child
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read |
                                             std::filesystem::perms::others_exec);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class WriterFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder);
        WriteFileBytes(target, kOldContent);
        std::vector<std::int16_t> samples(44100 * 2);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 977) % 20000);
        WaveLayout layout;
        layout.channels = 2;
        WriteFileBytes(scratch.File("in.wav"), BuildWave16(layout, samples));
        ASSERT_TRUE(workbench.LoadAudio(scratch.File("in.wav")));
    }

    ScratchDir scratch;
    std::filesystem::path folder = scratch.Path() / "out";
    std::string target = (folder / "target").string();
    RecordingFeedback feedback;
    Workbench workbench{&feedback};
    CWave wave;
};

TEST_F(WriterFailureTest, WaveSaveIntoAReadOnlyFolderReportsAndKeepsTheOldFile) {
    const int status = InReadOnlyFolder(folder, [this] {
        if (feedback.Take(workbench.SaveWave(target))) return 1;
        if (feedback.messages != std::vector<std::string>{"Could not open File"}) return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(target), kOldContent);
    EXPECT_EQ(FilesIn(folder), 1u);
}

TEST_F(WriterFailureTest, Mp3ExportIntoAReadOnlyFolderReportsAndKeepsTheOldFile) {
    const int status = InReadOnlyFolder(folder, [this] {
        FixedMp3Settings settings("128", {});
        if (feedback.Take(workbench.SaveMp3(target, settings))) return 1;
        if (feedback.messages != std::vector<std::string>{"Could not open File"}) return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(target), kOldContent);
    EXPECT_EQ(FilesIn(folder), 1u);
}

TEST_F(WriterFailureTest, Mp3ExportOntoAFullDiskReportsAndKeepsTheOldFile) {
    FixedMp3Settings settings("320", {});
    bool saved = true;
    // One second of stereo at 320 kbit/s is about 40 000 bytes.
    ASSERT_TRUE(WithFileSizeLimit(8192, [&] { saved = feedback.Take(workbench.SaveMp3(target, settings)); }));
    EXPECT_FALSE(saved);
    EXPECT_EQ(feedback.messages, std::vector<std::string>{"Write error"});
    EXPECT_EQ(ReadFileBytes(target), kOldContent);
    EXPECT_EQ(FilesIn(folder), 1u);
}

// The window leaves what was written, so the user sees how far it came; a batch run leaves nothing, so a
// resumed run cannot take a cut file for a finished one.
TEST_F(WriterFailureTest, Mp3ExportOntoAFullDiskWithoutAnOldFileLeavesWhatWasWrittenOrNothing) {
    for (const bool leavePartialFile : {true, false}) {
        SCOPED_TRACE(leavePartialFile);
        std::filesystem::remove(target);
        feedback.messages.clear();
        FixedMp3Settings settings("320", {});
        bool saved = true;
        ASSERT_TRUE(WithFileSizeLimit(8192, [&] {
            saved = feedback.Take(workbench.SaveMp3(target, settings, Mp3SaveOptions{leavePartialFile}));
        }));
        EXPECT_FALSE(saved);
        EXPECT_EQ(feedback.messages, std::vector<std::string>{"Write error"});
        if (leavePartialFile) {
            EXPECT_LE(std::filesystem::file_size(target), 8192u);
        }
        EXPECT_EQ(FilesIn(folder), leavePartialFile ? 1u : 0u);
    }
}

// The decoded stream goes to a scratch file first; when that cannot take the samples, the decode fails
// (the import's failure path) instead of handing a cut stream to the wave.
TEST_F(WriterFailureTest, DecodingOntoAFullDiskFails) {
    const std::string mp3 = std::string(TRESSEL_TEST_DATA) + "/bad/layer2.mp3";
    const std::string decodedPath = scratch.File("decoded.wav");
    std::FILE* output = std::fopen(decodedPath.c_str(), "wb+");
    ASSERT_NE(output, nullptr);
    bool decoded = true;
    ASSERT_TRUE(WithFileSizeLimit(4096, [&] { decoded = DecodeMp3ToWave(mp3, output); }));
    std::fclose(output);
    EXPECT_FALSE(decoded);

    // The same stream decodes when there is room.
    output = std::fopen(decodedPath.c_str(), "wb+");
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(DecodeMp3ToWave(mp3, output));
    std::fclose(output);
}

// An import whose temporary file cannot take the decoded samples takes the failure path: the message, an
// empty wave and no temporary file left behind.
TEST_F(WriterFailureTest, Mp3ImportOntoAFullDiskFailsAndLeavesNoTemporaryFile) {
    const std::string mp3 = std::string(TRESSEL_TEST_DATA) + "/bad/layer2.mp3";
    const char* previousTmp = std::getenv("TMP");
    const std::string savedTmp = previousTmp ? previousTmp : "";
    ASSERT_EQ(setenv("TMP", folder.c_str(), 1), 0);
    std::filesystem::remove(target);
    std::optional<std::string> temporaryName;
    bool imported = true;
    ASSERT_TRUE(WithFileSizeLimit(4096, [&] { imported = feedback.Take(ImportMp3(wave, mp3, temporaryName)); }));
    EXPECT_FALSE(imported);
    EXPECT_EQ(feedback.messages, std::vector<std::string>{"Failed to decode MP3 file"});
    EXPECT_FALSE(wave.IsLoaded());
    EXPECT_FALSE(temporaryName.has_value());
    EXPECT_EQ(FilesIn(folder), 0u);

    // With room the same import succeeds into that folder.
    feedback.messages.clear();
    EXPECT_TRUE(feedback.Take(ImportMp3(wave, mp3, temporaryName)));
    EXPECT_TRUE(feedback.messages.empty());
    ASSERT_TRUE(temporaryName.has_value());
    EXPECT_EQ(std::filesystem::path(*temporaryName).parent_path(), folder);
    std::filesystem::remove(*temporaryName);
    if (previousTmp) {
        setenv("TMP", savedTmp.c_str(), 1);
    } else {
        unsetenv("TMP");
    }
}

// An interrupted batch run removes what its writers have not finished; what they finished stays.
TEST_F(WriterFailureTest, UnfinishedFilesAreRemovedAndFinishedOnesStay) {
    const std::string finished = (folder / "finished").string();
    AtomicFileWriter done(finished);
    ASSERT_TRUE(done.Open() && done.Write("whole", 5) && done.Commit());
    AtomicFileWriter cut(target);
    ASSERT_TRUE(cut.Open() && cut.Write("half", 4));
    EXPECT_EQ(FilesIn(folder), 3u);  // the old target, the finished file, the unfinished one

    RemoveUnfinishedFiles();
    EXPECT_EQ(FilesIn(folder), 2u);
    EXPECT_FALSE(cut.Commit());
    EXPECT_EQ(ReadFileBytes(target), kOldContent);
    EXPECT_EQ(ReadFileBytes(finished), (std::vector<std::uint8_t>{'w', 'h', 'o', 'l', 'e'}));
}

// Before an interrupted run exits, a worker that comes to its next output must not leave a new partial file.
TEST_F(WriterFailureTest, AfterTheRemovalBeforeExitNoWriterOpens) {
    const std::string late = (folder / "late").string();
    EXPECT_EXIT(
        {
            RemoveUnfinishedFilesBeforeExit();
            AtomicFileWriter writer(late);
            const bool opened = writer.Open();
            std::_Exit(!opened && writer.LastError() == EINTR ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(FilesIn(folder), 1u);  // the old target only
}

}  // namespace
