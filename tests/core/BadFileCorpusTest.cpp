// The bad-file corpus (tests/data/bad/MANIFEST): every file a user might pick by mistake or malice, with
// the message or result the program answers. One data-driven test walks the manifest; the command-line
// script tests/cli/bad_files.sh walks the same manifest through the tool.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "workbench/AudioFiles.h"
#include "dsp/FilterCoefficients.h"
#include "mp3dec/decoder.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

const std::string kCorpus = std::string(TRESSEL_TEST_DATA) + "/bad/";

struct Case {
    std::string file;
    std::string kind;
    std::string message;              // the expected message, empty when a result is expected
    std::vector<std::string> result;  // the words after "ok" (or after "frames")
};

std::vector<Case> ReadManifest() {
    std::ifstream manifest(kCorpus + "MANIFEST");
    std::vector<Case> cases;
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        Case entry;
        words >> entry.file >> entry.kind;
        std::string rest;
        std::getline(words >> std::ws, rest);
        if (!rest.empty() && rest.front() == '"') {
            entry.message = rest.substr(1, rest.rfind('"') - 1);
        } else {
            std::istringstream results(rest);
            std::string word;
            results >> word;  // "ok" or "frames"
            while (results >> word) entry.result.push_back(word);
        }
        cases.push_back(entry);
    }
    return cases;
}

std::uint32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes.at(offset + i)) << (8 * i);
    return value;
}

struct Decoded {
    bool ok = false;
    std::vector<std::uint8_t> wave;
};

Decoded Decode(const std::string& path) {
    Decoded decoded;
    std::FILE* output = std::tmpfile();
    if (!output) return decoded;
    decoded.ok = DecodeMp3ToWave(path, output);
    if (decoded.ok) {
        int c;
        while ((c = std::fgetc(output)) != EOF) decoded.wave.push_back(static_cast<std::uint8_t>(c));
    }
    std::fclose(output);
    return decoded;
}

void CheckWave(const Case& entry) {
    CWave wave;
    const Result loaded = LoadWaveFile(wave, kCorpus + entry.file);
    if (!entry.message.empty()) {
        EXPECT_FALSE(loaded);
        EXPECT_EQ(loaded.Texts(), std::vector<std::string>{entry.message});
        EXPECT_FALSE(wave.IsLoaded());
        return;
    }
    ASSERT_TRUE(loaded) << loaded.FailureText();
    ASSERT_EQ(entry.result.size(), 4u);
    // The read-outs print the unsigned header values with "%i".
    EXPECT_EQ(std::to_string(static_cast<int>(wave.GetChannels())), entry.result[0]);
    EXPECT_EQ(std::to_string(static_cast<int>(wave.GetSamplesPerSecond())), entry.result[1]);
    EXPECT_EQ(std::to_string(static_cast<int>(wave.GetBitsPerSample())), entry.result[2]);
    EXPECT_EQ(std::to_string(static_cast<int>(wave.GetDataLength())), entry.result[3]);
    // Processing checks the channel count first, then the sample width, and refuses what it cannot take.
    const std::string channels = entry.result[0];
    const std::string bits = entry.result[2];
    const Result median = wave.ApplyMedian(3, 1, 1);
    if (channels != "1" && channels != "2") {
        EXPECT_EQ(median.Texts(), std::vector<std::string>{"1 or 2 channels expected"});
    } else if (bits != "8" && bits != "16") {
        EXPECT_EQ(median.Texts(), std::vector<std::string>{"8 or 16 bits expected"});
    }
    // Whatever the header claims, the data chunk lies inside the image.
    EXPECT_LE(static_cast<std::uint64_t>(wave.GetDataLength()) + static_cast<std::uint64_t>(wave.GetDataOffset()),
              std::max<std::uint64_t>(wave.GetImageLength(), static_cast<std::uint64_t>(wave.GetDataOffset())));
}

void CheckMp3(const Case& entry) {
    const Decoded decoded = Decode(kCorpus + entry.file);
    if (!entry.message.empty()) {
        EXPECT_FALSE(decoded.ok);  // the import then shows the message
        EXPECT_EQ(entry.message, "Failed to decode MP3 file");
        return;
    }
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(entry.result.size(), 3u);
    const std::vector<std::uint8_t>& wave = decoded.wave;
    ASSERT_GE(wave.size(), 44u);
    const std::uint32_t channels = Field(wave, 22, 2);
    const std::uint32_t blockAlign = Field(wave, 32, 2);
    EXPECT_EQ(std::to_string(channels), entry.result[0]);
    EXPECT_EQ(std::to_string(Field(wave, 24, 4)), entry.result[1]);
    EXPECT_EQ(blockAlign, 2 * channels);
    EXPECT_EQ(std::to_string(Field(wave, 40, 4) / blockAlign), entry.result[2]);
    EXPECT_EQ(Field(wave, 4, 4), Field(wave, 40, 4) + 36);
}

// Each prefix either fails or gives a WAV whose header counts exactly the samples written, in whole
// frames, never more than the frames the whole stream holds.
void CheckMp3Cuts(const Case& entry) {
    const std::vector<std::uint8_t> stream = ReadFileBytes(kCorpus + entry.file);
    ASSERT_EQ(entry.result.size(), 1u);
    const std::uint32_t frames = static_cast<std::uint32_t>(std::stoul(entry.result[0]));
    ScratchDir scratch;
    const std::string prefixPath = scratch.File("prefix.mp3");
    std::uint32_t decodedPrefixes = 0;
    for (std::size_t length = 0; length <= stream.size(); ++length) {
        SCOPED_TRACE("prefix of " + std::to_string(length) + " bytes");
        WriteFileBytes(prefixPath, std::vector<std::uint8_t>(stream.begin(), stream.begin() + length));
        const Decoded decoded = Decode(prefixPath);
        if (length < 2) {
            EXPECT_FALSE(decoded.ok);  // no sync word
        }
        if (!decoded.ok) continue;
        ++decodedPrefixes;
        ASSERT_GE(decoded.wave.size(), 44u);
        const std::uint32_t dataSize = Field(decoded.wave, 40, 4);
        const std::uint32_t blockAlign = Field(decoded.wave, 32, 2);
        ASSERT_EQ(blockAlign, 4u);
        EXPECT_EQ(dataSize, decoded.wave.size() - 44);
        EXPECT_EQ(dataSize / blockAlign % 1152, 0u);
        EXPECT_LE(dataSize / blockAlign, frames * 1152);
        if (length == stream.size()) {
            EXPECT_EQ(dataSize / blockAlign, frames * 1152);
        }
    }
    EXPECT_GT(decodedPrefixes, 0u);
}

void CheckFilter(const Case& entry) {
    CFilterCoefficients filter;
    const bool read = filter.Read(kCorpus + entry.file);
    if (!entry.message.empty()) {
        EXPECT_FALSE(read);  // "Select Filter" shows the message for every failure
        EXPECT_EQ(entry.message, "Could not open file");
        EXPECT_EQ(filter.GetCount(), 0);
        return;
    }
    ASSERT_TRUE(read);
    ASSERT_EQ(entry.result.size(), 1u);
    EXPECT_EQ(std::to_string(filter.GetCount()), entry.result[0]);
}

}  // namespace

TEST(BadFileCorpus, EveryCaseOfTheManifestGivesItsMessageOrResult) {
    const std::vector<Case> cases = ReadManifest();
    ASSERT_GE(cases.size(), 30u);
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.file + " (" + entry.kind + ")");
        if (entry.kind == "wav") {
            CheckWave(entry);
        } else if (entry.kind == "mp3") {
            CheckMp3(entry);
        } else if (entry.kind == "mp3-cuts") {
            CheckMp3Cuts(entry);
        } else if (entry.kind == "filter") {
            CheckFilter(entry);
        } else {
            ADD_FAILURE() << "unknown kind";
        }
    }
}

// No file over 4 GiB can be a RIFF image: it is refused before anything is allocated, not cut to 32 bits.
TEST(BadFileCorpus, AFileOver4GiBIsRefusedAtLoad) {
    ScratchDir scratch;
    const std::string path = scratch.File("huge.wav");
    WriteFileBytes(path, BuildWave({}, {1, 2, 3, 4}));
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    // A sparse file: the size is there, the disk blocks are not.
    ASSERT_EQ(fseeko(file, (off_t{1} << 32) + 44, SEEK_SET), 0);
    ASSERT_EQ(std::fputc(0, file), 0);
    std::fclose(file);

    CWave wave;
    const Result loaded = LoadWaveFile(wave, path);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.Texts(), std::vector<std::string>{"Could not open file"});
    EXPECT_FALSE(wave.IsLoaded());
    EXPECT_EQ(wave.GetImageLength(), 0u);
}
