// The wave picture's min/max pyramid against the plain minimum and maximum of each pixel column, read
// straight from the interleaved sample bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/MinMaxPyramid.h"
#include "audio/Wave.h"
#include "audio/WaveSamples.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

struct Layout {
    int channels;
    int bits;
};

// Noise with a few full-scale spikes, so extremes sit at odd places inside blocks.
std::vector<std::uint8_t> SampleBytes(Layout layout, std::int64_t frames) {
    const std::size_t size = static_cast<std::size_t>(frames * layout.channels * layout.bits / 8);
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345u + static_cast<std::uint32_t>(frames);
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<std::uint8_t>(state >> 24);
        if (state % 997 == 0) {
            bytes[i] = state % 2 ? 0xFF : 0x00;
        }
    }
    return bytes;
}

// The sample of `channel` in frame f as the wave stores it: 8-bit centred on 127, 16-bit signed.
int StoredSample(const std::vector<std::uint8_t>& bytes, Layout layout, std::int64_t f, int channel) {
    const std::size_t at = static_cast<std::size_t>((f * layout.channels + channel) * (layout.bits / 8));
    if (layout.bits == 8) {
        return bytes[at] - 127;
    }
    return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

SampleExtent PlainExtent(const std::vector<std::uint8_t>& bytes, Layout layout, std::int64_t frames, int channel,
                         std::int64_t first, std::int64_t last) {
    SampleExtent extent;
    for (std::int64_t f = std::max<std::int64_t>(first, 0); f < std::min(last, frames); ++f) {
        extent.Include(static_cast<std::int16_t>(StoredSample(bytes, layout, f, channel)));
    }
    return extent;
}

}  // namespace

TEST(MinMaxPyramidTest, ColumnsEqualThePlainMinimumAndMaximumOfTheirFrames) {
    const Layout layouts[] = {{1, 8}, {1, 16}, {2, 8}, {2, 16}};
    const std::int64_t sizes[] = {1, 63, 64, 65, 257, 4096 * 4 + 17, 300001};
    for (const Layout layout : layouts) {
        for (const std::int64_t frames : sizes) {
            const std::vector<std::uint8_t> bytes = SampleBytes(layout, frames);
            const auto samples = WaveSamples::FromInterleaved(bytes.data(), bytes.size(), layout.channels,
                                                              layout.bits, 44100);
            ASSERT_TRUE(samples);
            ASSERT_EQ(samples->Frames(), frames);
            const MinMaxPyramid pyramid(samples);
            // From several samples per pixel down to the whole wave in a few columns, starting inside
            // the wave, at its start and before it, and running past its end.
            const double zooms[] = {0.25, 1.0, 7.5, 64.0, 333.3, frames / 97.0, frames / 3.0};
            const double starts[] = {0.0, 5.5, frames / 3.0, -40.0};
            for (const double framesPerColumn : zooms) {
                for (const double start : starts) {
                    const int columns = 120;
                    for (int c = 0; c < layout.channels; ++c) {
                        const auto got = pyramid.Columns(c, start, framesPerColumn, columns);
                        ASSERT_EQ(got.size(), std::size_t(columns));
                        for (int j = 0; j < columns; ++j) {
                            const auto [first, last] = ColumnFrames(start, framesPerColumn, j);
                            ASSERT_EQ(got[j], PlainExtent(bytes, layout, frames, c, first, last))
                                << layout.channels << " ch " << layout.bits << " bit, " << frames << " frames, "
                                << framesPerColumn << " per column from " << start << ", channel " << c
                                << ", column " << j;
                        }
                    }
                }
            }
        }
    }
}

TEST(MinMaxPyramidTest, AnyStretchEqualsThePlainExtent) {
    const Layout layout{1, 16};
    const std::int64_t frames = 64 * 4 * 4 * 4 * 3 + 5;
    const std::vector<std::uint8_t> bytes = SampleBytes(layout, frames);
    const MinMaxPyramid pyramid(WaveSamples::FromInterleaved(bytes.data(), bytes.size(), 1, 16, 8000));
    // Stretches that end on, just before and just after block borders of every level.
    const std::int64_t edges[] = {0, 1, 63, 64, 65, 255, 256, 257, 1023, 1024, 4095, 4096, 4097, 9000, frames - 1,
                                  frames};
    for (const std::int64_t first : edges) {
        for (const std::int64_t last : edges) {
            ASSERT_EQ(pyramid.Range(0, first, last), PlainExtent(bytes, layout, frames, 0, first, last))
                << first << ".." << last;
        }
    }
    EXPECT_TRUE(pyramid.Range(0, frames, frames + 10).Empty());
    EXPECT_TRUE(pyramid.Range(0, 10, 10).Empty());
}

TEST(MinMaxPyramidTest, ColumnsTileTheFramesWithoutGapsOrOverlaps) {
    for (const double framesPerColumn : {0.3, 1.0, 2.7, 100.0, 255.9, 256.0, 1000.7}) {
        std::int64_t expectedFirst = ColumnFrames(1000.0, framesPerColumn, 0).first;
        // Zoomed out, columns start on base blocks and stay within one block of where they would lie.
        const bool onBlocks = framesPerColumn >= 256.0;
        EXPECT_EQ(expectedFirst, onBlocks ? 960 : 1000) << framesPerColumn;
        for (int j = 0; j < 50; ++j) {
            const auto [first, last] = ColumnFrames(1000.0, framesPerColumn, j);
            ASSERT_GT(last, first);
            if (framesPerColumn >= 1.0) {
                ASSERT_EQ(first, expectedFirst) << framesPerColumn << " column " << j;
                expectedFirst = last;
            }
            if (onBlocks) {
                ASSERT_EQ(first % 64, 0);
                ASSERT_LT(1000.0 + j * framesPerColumn - first, 64.0);
            }
        }
    }
    EXPECT_EQ(ColumnFrames(-100.0, 300.0, 0).first, -128);
}

// Copying (and taking the block extents) on several threads must give the very samples and blocks one
// thread gives.
TEST(MinMaxPyramidTest, ThreadsChangeNothing) {
    const Layout layout{2, 16};
    const std::int64_t frames = 2'500'003;
    const std::vector<std::uint8_t> bytes = SampleBytes(layout, frames);
    const auto one = WaveSamples::FromInterleaved(bytes.data(), bytes.size(), 2, 16, 44100, 1);
    const MinMaxPyramid single(one);
    for (const int threads : {2, 3}) {
        const auto many = WaveSamples::FromInterleaved(bytes.data(), bytes.size(), 2, 16, 44100, threads);
        for (int c = 0; c < 2; ++c) {
            ASSERT_TRUE(std::ranges::equal(many->Channel(c), one->Channel(c)));
        }
        const MinMaxPyramid pyramid(many);
        ASSERT_EQ(pyramid.Levels(), single.Levels());
        for (int c = 0; c < 2; ++c) {
            for (int level = 0; level < pyramid.Levels(); ++level) {
                ASSERT_EQ(pyramid.Level(c, level), single.Level(c, level)) << threads << " threads, level " << level;
            }
        }
    }
}

TEST(MinMaxPyramidTest, SamplesComeFromTheWavesDataChunkOnly) {
    WaveLayout layout;
    layout.channels = 2;
    layout.bitsPerSample = 8;
    layout.samplesPerSecond = 11025;
    layout.extraChunks = BuildChunk("LIST", {1, 2, 3, 4});
    layout.trailing = {9, 9, 9};
    const std::vector<std::uint8_t> data = {0, 255, 127, 128, 10};  // two frames and one odd byte
    ScratchDir scratch;
    WriteFileBytes(scratch.File("w.wav"), BuildWave(layout, data));
    CWave wave;
    SilentFeedback silent;
    wave.SetFeedback(&silent);
    ASSERT_TRUE(wave.Load(scratch.File("w.wav")));
    const auto samples = WaveSamples::FromWave(wave);
    ASSERT_TRUE(samples);
    EXPECT_EQ(samples->Frames(), 2);
    EXPECT_EQ(samples->SampleRate(), 11025u);
    EXPECT_EQ(samples->FullScale(), 128.0);
    EXPECT_EQ(std::vector<std::int16_t>(samples->Channel(0).begin(), samples->Channel(0).end()),
              (std::vector<std::int16_t>{-127, 0}));
    EXPECT_EQ(std::vector<std::int16_t>(samples->Channel(1).begin(), samples->Channel(1).end()),
              (std::vector<std::int16_t>{128, 1}));

    // Nothing to show for what the processing refuses.
    const std::uint8_t bytes[4] = {};
    EXPECT_FALSE(WaveSamples::FromInterleaved(bytes, 4, 3, 16, 44100));
    EXPECT_FALSE(WaveSamples::FromInterleaved(bytes, 4, 1, 24, 44100));
    wave.Release();
    EXPECT_FALSE(WaveSamples::FromWave(wave));
}

// Samples nobody holds any more lend their memory to the next copy of the same shape; the copy comes out
// as a fresh one would, and samples someone still shows are never written.
TEST(MinMaxPyramidTest, ReusedSamplesEqualFreshOnesAndOnlyUnheldOnesAreReused) {
    struct Case {
        const char* name;
        Layout old;
        std::int64_t oldFrames;
        Layout now;
        bool stillHeld;
        bool reused;
    };
    const std::int64_t frames = 100'003;
    const Case cases[] = {
        {"same shape", {2, 16}, frames, {2, 16}, false, true},
        {"8 bits into 16-bit samples", {2, 16}, frames, {2, 8}, false, true},
        {"still shown elsewhere", {2, 16}, frames, {2, 16}, true, false},
        {"other length", {2, 16}, frames - 1, {2, 16}, false, false},
        {"other channels", {1, 16}, frames, {2, 16}, false, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::vector<std::uint8_t> oldBytes = SampleBytes(test.old, test.oldFrames);
        auto old = WaveSamples::FromInterleaved(oldBytes.data(), oldBytes.size(), test.old.channels, test.old.bits,
                                                8000);
        const std::vector<std::int16_t> oldFirst(old->Channel(0).begin(), old->Channel(0).end());
        const std::weak_ptr<const WaveSamples> oldObject = old;
        const std::shared_ptr<const WaveSamples> holder = test.stillHeld ? old : nullptr;

        std::vector<std::uint8_t> bytes = SampleBytes(test.now, frames);
        std::reverse(bytes.begin(), bytes.end());  // other samples than the old ones, also for equal shapes
        const auto fresh =
            WaveSamples::FromInterleaved(bytes.data(), bytes.size(), test.now.channels, test.now.bits, 44100, 1);
        const auto copy = WaveSamples::FromInterleaved(bytes.data(), bytes.size(), test.now.channels, test.now.bits,
                                                       44100, 2, std::move(old));

        EXPECT_EQ(copy == oldObject.lock(), test.reused);
        EXPECT_EQ(copy->BitsPerSample(), test.now.bits);
        EXPECT_EQ(copy->SampleRate(), 44100u);
        ASSERT_EQ(copy->Frames(), frames);
        for (int c = 0; c < test.now.channels; ++c) {
            EXPECT_TRUE(std::ranges::equal(copy->Channel(c), fresh->Channel(c)));
            EXPECT_TRUE(std::ranges::equal(copy->BlockExtents(c), fresh->BlockExtents(c)));
        }
        if (holder) {
            EXPECT_TRUE(std::ranges::equal(holder->Channel(0), oldFirst));
        }
    }
}
