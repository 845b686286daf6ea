#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "audio/SampleConversion.h"
#include "audio/Wave.h"
#include "dsp/DelayLine.h"
#include "dsp/FirChunkPlan.h"
#include "dsp/FirEngine.h"
#include "workbench/StreamedFir.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

// The AVX-512 kernel's own source at its lane count and register block, built for whatever runs the tests:
// its arithmetic is checked here even on processors that cannot run the real one.
#define TRESSEL_FIR_LANES 8
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kAvx512Tile
#include "dsp/FirKernelBody.h"

using namespace tressel;
using namespace tressel::testing;
using tressel::dsp::FirEngineSettings;
using tressel::dsp::FirKernelKind;

namespace {

// ---- The filter written out plainly, straight from its definition --------------------------------------

struct Format {
    int channels;
    int bits;
};

int ReferenceRead(const std::vector<std::uint8_t>& data, Format format, int channel, std::int64_t i) {
    const std::size_t at = static_cast<std::size_t>((i * format.channels + channel) * (format.bits / 8));
    if (format.bits == 8) {
        return data[at] - 127;
    }
    return static_cast<std::int16_t>(data[at] | (data[at + 1] << 8));
}

void ReferenceWrite(std::vector<std::uint8_t>& data, Format format, int channel, std::int64_t i, float v) {
    const std::size_t at = static_cast<std::size_t>((i * format.channels + channel) * (format.bits / 8));
    if (format.bits == 8) {
        float t = v + 127;
        if (t > 255) t = 255;
        if (t < 0) t = 0;
        data[at] = std::isnan(t) ? 0 : static_cast<std::uint8_t>(t);
    } else {
        if (v > 32767) v = 32767;
        if (v < -32768) v = -32768;
        const auto s = std::isnan(v) ? std::int16_t{-32768} : static_cast<std::int16_t>(v);
        data[at] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF);
        data[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8);
    }
}

// y[i] = convert(a * float(sum over j of h[j] * x[i - M + j]) + b * x[i]), terms outside the data left out.
std::vector<std::uint8_t> ReferenceFilter(std::vector<std::uint8_t> data, Format format,
                                          const std::vector<double>& h, bool channel1, bool channel2, float a,
                                          float b) {
    const std::int64_t length = static_cast<std::int64_t>(data.size()) / (format.channels * format.bits / 8);
    const std::int64_t half = static_cast<std::int64_t>(h.size()) / 2;
    const std::vector<std::uint8_t> original = data;
    for (int channel = 0; channel < format.channels; ++channel) {
        if (format.channels == 2 && !(channel == 0 ? channel1 : channel2)) {
            continue;
        }
        for (std::int64_t i = 0; i < length; ++i) {
            double sum = 0.0;
            for (std::size_t j = 0; j < h.size(); ++j) {
                const std::int64_t n = i - half + static_cast<std::int64_t>(j);
                if (n >= 0 && n < length) {
                    sum += h[j] * ReferenceRead(original, format, channel, n);
                }
            }
            const float filtered = static_cast<float>(sum);
            const double mixed = static_cast<double>(a) * filtered +
                                 static_cast<double>(b) * ReferenceRead(original, format, channel, i);
            ReferenceWrite(data, format, channel, i, static_cast<float>(mixed));
        }
    }
    return data;
}

// The positions at every step that is a multiple of 100, steps -(M + 1) .. L - 1 per pass.
std::vector<int> ReferencePositions(std::int64_t length, int count, int passes, bool bothChannels) {
    std::vector<int> positions;
    for (int pass = 0; pass < passes; ++pass) {
        const std::int64_t offset = pass == 1 && bothChannels ? length : 0;
        for (std::int64_t i = -(count / 2 + 1); i < length; ++i) {
            if (i % 100 == 0) {
                positions.push_back(static_cast<int>((i + offset) / 100));
            }
        }
    }
    return positions;
}

// ---- Fixtures -------------------------------------------------------------------------------------------

// Forces one way of running the filter for the lifetime of the object.
class EngineSettingsScope {
public:
    explicit EngineSettingsScope(const FirEngineSettings& settings) : m_saved(dsp::GetFirEngineSettings()) {
        dsp::GetFirEngineSettings() = settings;
    }
    ~EngineSettingsScope() { dsp::GetFirEngineSettings() = m_saved; }

private:
    FirEngineSettings m_saved;
};

struct NamedSettings {
    std::string name;
    FirEngineSettings settings;
};

// The kernels this processor runs; the first call says which ones it cannot and are left out.
std::vector<FirKernelKind> SupportedKernels() {
    static const std::vector<FirKernelKind> supported = [] {
        std::vector<FirKernelKind> kinds;
        std::string skipped;
        for (FirKernelKind kind : dsp::kFirKernelKinds) {
            if (dsp::FirKernelSupported(kind)) {
                kinds.push_back(kind);
            } else {
                skipped += std::string(skipped.empty() ? "" : ", ") + dsp::FirKernelName(kind);
            }
        }
        std::cout << "FIR kernels skipped, not supported here: " << (skipped.empty() ? "none" : skipped) << "\n";
        return kinds;
    }();
    return supported;
}

// Every way the engine can run: the literal delay-line walk, each kernel this processor has, one thread
// and several with blocks and chunks of awkward sizes (the smallest blocks put chunk and block boundaries
// well inside the reach of long filters), and the automatic choice.
std::vector<NamedSettings> EveryEngine() {
    std::vector<NamedSettings> engines;
    FirEngineSettings literal;
    literal.literal = true;
    engines.push_back({"literal", literal});
    engines.push_back({"automatic", FirEngineSettings{}});
    for (FirKernelKind kind : SupportedKernels()) {
        const std::string name = dsp::FirKernelName(kind);
        FirEngineSettings one;
        one.autoKernel = false;
        one.kernel = kind;
        one.threads = 1;
        one.blockSize = 61;
        engines.push_back({name + " 1 thread", one});
        FirEngineSettings three = one;
        three.threads = 3;
        three.blockSize = 37;
        engines.push_back({name + " 3 threads", three});
        FirEngineSettings smallest = one;
        smallest.threads = 2;
        smallest.blockSize = 1;
        engines.push_back({name + " 2 threads, smallest blocks", smallest});
    }
    return engines;
}

class FirTest : public ::testing::Test {
protected:
    void Load(Format format, const std::vector<std::uint8_t>& data) {
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(format.channels);
        layout.bitsPerSample = static_cast<std::uint16_t>(format.bits);
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, BuildWave(layout, data));
        wave.SetFeedback(&feedback);
        ASSERT_TRUE(wave.Load(path));
    }
    std::vector<std::uint8_t> Data() const {
        const std::uint8_t* first = wave.GetImage() + wave.GetDataOffset();
        return std::vector<std::uint8_t>(first, first + wave.GetDataLength());
    }
    std::vector<std::uint8_t> Header() const {
        return std::vector<std::uint8_t>(wave.GetImage(), wave.GetImage() + wave.GetDataOffset());
    }
    void Apply(const std::vector<double>& h, int channel1 = 1, int channel2 = 1, float a = 1.0f, float b = 0.0f) {
        feedback.Take(wave.ApplyFir(h.data(), static_cast<int>(h.size()), channel1, channel2, a, b));
    }
    // 16-bit sample values as bytes.
    static std::vector<std::uint8_t> Bytes16(const std::vector<std::int16_t>& samples) {
        std::vector<std::uint8_t> bytes;
        for (std::int16_t s : samples) {
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
        }
        return bytes;
    }

    // The same filter from a file into a file while the file is still being read: the output file's bytes,
    // or nothing when the streamed path declined and wrote nothing.
    std::optional<std::vector<std::uint8_t>> FilterStreamed(const std::vector<std::uint8_t>& image,
                                                            const std::vector<double>& h, ChannelChoice channels,
                                                            dsp::MixLevels levels, const StreamedFirJob& shape,
                                                            const std::string& inputName = "streamed-in.wav") {
        StreamedFirJob job = shape;
        job.inputPath = scratch.File(inputName);
        job.outputPath = scratch.File("streamed-out.wav");
        job.taps = h.data();
        job.count = static_cast<int>(h.size());
        job.levels = levels;
        job.channels = channels;
        WriteFileBytes(job.inputPath, image);
        std::filesystem::remove(job.outputPath);
        RecordingFeedback local;
        const std::optional<Result> result = FilterWaveFileStreamed(job, local);
        if (!result) {
            EXPECT_FALSE(std::filesystem::exists(job.outputPath));
            return std::nullopt;
        }
        EXPECT_TRUE(*result) << result->FailureText();
        EXPECT_TRUE(local.messages.empty());
        return ReadFileBytes(job.outputPath);
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
};

// Ways to cut the streamed work: the usual sizes, and pieces so small that the filter waits for nearly
// every read, the first chunk starts before most of the file is in and chunks end inside a long filter's
// reach.
std::vector<StreamedFirJob> StreamShapes() {
    StreamedFirJob usual;
    StreamedFirJob small;
    small.headerRead = 64;
    small.readPiece = 13;
    small.chunkOutputs = 50;
    StreamedFirJob odd = small;
    odd.headerRead = 45;
    odd.readPiece = 3;
    odd.chunkOutputs = 1;
    return {usual, small, odd};
}

// ---- Building blocks ------------------------------------------------------------------------------------

TEST(DelayLineTest, GivesBackWhatWasPushedLengthPushesAgoInSinglePrecision) {
    CDelayLine line(3);
    EXPECT_EQ(line.Oldest(), 0.0f);
    const double values[] = {0.1, 2.0, 3.0, 4.0, 5.0};
    for (int n = 0; n < 5; ++n) {
        line.Push(values[n]);
        // After a push the slot to be overwritten next holds the value pushed three pushes before it.
        EXPECT_EQ(line.Oldest(), n >= 2 ? static_cast<float>(values[n - 2]) : 0.0f) << n;
    }
    CDelayLine single(1);
    single.Push(1e300);
    EXPECT_EQ(single.Oldest(), std::numeric_limits<float>::infinity());
}

TEST(SampleConversionTest, ClipsAndTruncatesAsEachWidthRequires) {
    EXPECT_EQ(ToSample8(-0.5f), 126);
    EXPECT_EQ(ToSample8(0.5f), 127);
    EXPECT_EQ(ToSample8(0.0f), 127);
    EXPECT_EQ(ToSample8(128.0f), 255);
    EXPECT_EQ(ToSample8(200.0f), 255);
    EXPECT_EQ(ToSample8(-127.0f), 0);
    EXPECT_EQ(ToSample8(-200.0f), 0);
    EXPECT_EQ(ToSample8(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(ToSample8(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ToSample16(-0.7f), 0);
    EXPECT_EQ(ToSample16(2.9f), 2);
    EXPECT_EQ(ToSample16(-2.9f), -2);
    EXPECT_EQ(ToSample16(40000.0f), 32767);
    EXPECT_EQ(ToSample16(-40000.0f), -32768);
    EXPECT_EQ(ToSample16(-std::numeric_limits<float>::infinity()), -32768);
    EXPECT_EQ(ToSample16(std::numeric_limits<float>::quiet_NaN()), -32768);
}

// The AVX-512 body built for this machine, beside the kernels it can run.
void SumsWideBody(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    ComputeSums(taps, count, input, stripe, sums);
}

TEST(FirKernelTest, EveryKernelKeepsTheSumOrderOfEachOutput) {
    std::vector<std::pair<std::string, dsp::FirKernel>> kernels;
    for (FirKernelKind kind : SupportedKernels()) {
        kernels.emplace_back(dsp::FirKernelName(kind), dsp::GetFirKernel(kind));
    }
    kernels.emplace_back("avx512 body, portable build", dsp::FirKernel{SumsWideBody, kLanes, kTile});
    // Values of wildly different size cancel, so any other summation order changes the float results.
    std::mt19937 random(99);
    const double inputValues[] = {0x1p60, -0x1p60, 0x1p30, -0x1p30, 1.0, -1.0, 0.375, 0.0};
    const double tapValues[] = {1.0, -1.0, 3.0, -3.0, 0x1p-20, 0.5};
    auto pick = [&random](const auto& values) {
        return values[std::uniform_int_distribution<std::size_t>(0, std::size(values) - 1)(random)];
    };
    // Tap counts below, at and past whole rounds of every register block; stripes shorter and longer than
    // one block, with and without a remainder.
    for (int count : {1, 2, 3, 7, 14, 15, 16, 31, 64}) {
        for (std::int64_t stripe : {1, 5, 7, 16, 45}) {
            for (const auto& [name, kernel] : kernels) {
                const auto lanes = static_cast<std::size_t>(kernel.lanes);
                std::vector<double> taps(static_cast<std::size_t>(count));
                std::vector<double> input(static_cast<std::size_t>(stripe + count - 1) * lanes);
                for (double& t : taps) t = pick(tapValues);
                for (double& x : input) x = pick(inputValues);
                std::vector<float> expected(static_cast<std::size_t>(stripe) * lanes);
                for (std::size_t o = 0; o < expected.size(); ++o) {
                    double sum = 0.0;
                    for (std::size_t j = 0; j < taps.size(); ++j) {
                        sum += taps[j] * input[o + j * lanes];
                    }
                    expected[o] = static_cast<float>(sum);
                }
                SCOPED_TRACE(name + ", " + std::to_string(count) + " taps, stripe " + std::to_string(stripe));
                std::vector<float> sums(expected.size(), -1.0f);
                kernel.sums(taps.data(), count, input.data(), stripe, sums.data());
                EXPECT_EQ(sums, expected);
            }
        }
    }
}

TEST(FirKernelTest, TheWidestSupportedKernelIsChosenAndUnsupportedOnesFallBackToScalar) {
    const FirKernelKind widest = dsp::WidestFirKernel();
    EXPECT_TRUE(dsp::FirKernelSupported(widest));
    for (FirKernelKind kind : dsp::kFirKernelKinds) {
        SCOPED_TRACE(dsp::FirKernelName(kind));
        if (dsp::FirKernelSupported(kind)) {
            EXPECT_LE(dsp::GetFirKernel(kind).lanes, dsp::GetFirKernel(widest).lanes);
        } else {
            EXPECT_EQ(dsp::GetFirKernel(kind).sums, dsp::GetFirKernel(FirKernelKind::Scalar).sums);
        }
    }
}

TEST(FirChunkPlanTest, ChunksCoverThePassInOrderAndEndInSingleBlocks) {
    struct PlanCase {
        std::int64_t first;
        std::int64_t end;
        std::int64_t block;
        int threads;
    };
    const PlanCase cases[] = {
        {0, 13'230'000, 8204, 2},  // five minutes of one channel
        {127, 999'872, 8204, 2},   // outputs summed apart at both ends
        {0, 1'000, 28, 3},
        {0, 50'000, 8204, 1},
        {0, 12'345, 7, 64},
        {0, 30, 28, 2},            // less than two blocks
        {5, 5, 28, 2},             // nothing to do
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.end - c.first) + " outputs, " + std::to_string(c.threads) + " threads");
        const std::vector<std::int64_t> starts = dsp::PlanFirChunks(c.first, c.end, c.block, c.threads);
        ASSERT_FALSE(starts.empty());
        EXPECT_EQ(starts.front(), c.first);
        EXPECT_EQ(starts.back(), c.end);
        const std::size_t chunks = starts.size() - 1;
        if (c.threads == 1) {
            EXPECT_LE(chunks, 1u);
        }
        for (std::size_t k = 0; k < chunks; ++k) {
            const std::int64_t size = starts[k + 1] - starts[k];
            ASSERT_GT(size, 0);
            if (k + 1 < chunks) {
                EXPECT_EQ(size % c.block, 0) << "chunk " << k;
            }
            if (k > 0) {
                EXPECT_LE(size, starts[k] - starts[k - 1]) << "chunk " << k;
            }
        }
        const std::int64_t blocks = (c.end - c.first) / c.block;
        if (c.threads > 1 && blocks >= 2 * c.threads) {
            // Nobody takes more than its share at once, and the last chunk of every thread is one block.
            EXPECT_LT(starts[1] - starts[0], (c.end - c.first) / c.threads);
            for (std::size_t k = chunks - static_cast<std::size_t>(c.threads); k < chunks; ++k) {
                EXPECT_LE(starts[k + 1] - starts[k], c.block) << "chunk " << k;
            }
        }
    }
}

// ---- The filter against its definition -----------------------------------------------------------------

struct RandomCase {
    Format format;
    std::int64_t frames;
    int taps;
    float filtered;
    float original;
    int channel1;
    int channel2;
    bool infiniteTap = false;  // one tap is +inf: the outputs near the ends must leave missing samples out
};

TEST_F(FirTest, EveryEngineEqualsTheReferenceByteForByteOnRandomWaves) {
    std::mt19937 random(20240607);
    std::uniform_real_distribution<double> tap(-1.0, 1.0);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::vector<RandomCase> cases = {
        {{1, 8}, 3001, 31, 1.0f, 0.0f, 0, 0},         // mono ignores the check boxes
        {{1, 16}, 2500, 32, -2.5f, 0.35f, 1, 1},
        {{2, 8}, 1999, 17, 0.6f, 1.2f, 1, 1},
        {{2, 16}, 2203, 64, 1.0f, 0.0f, 1, 1},
        {{2, 16}, 1800, 15, 3.0f, -0.0f, 0, 1},     // only channel 2
        {{2, 8}, 1500, 10, -1.0f, 0.5f, 1, 0},      // only channel 1
        {{2, 16}, 40, 101, 7.5f, 2.0f, 1, 1},       // shorter than the filter: edges only
        {{1, 16}, 700, 1, 9.95f, 10.0f, 1, 1},      // loud enough to clip almost everywhere
        {{1, 8}, 900, 2, 1.0f, 0.0f, 1, 1},
        {{2, 16}, 257, 255, 0.05f, 0.0f, 1, 1},
        {{2, 16}, 3100, 1023, 0.02f, 0.5f, 1, 1},   // long and odd: chunks and blocks far inside its reach
        {{2, 8}, 2100, 129, -0.8f, 0.0f, 0, 1},
        {{1, 8}, 5, 64, 1.0f, 0.0f, 1, 1},          // taps longer than the data, even count
        {{2, 16}, 130, 301, 0.3f, 0.25f, 1, 1},
        {{1, 16}, 1200, 33, 1.0f, 0.1f, 1, 1, true},
        {{2, 8}, 900, 8, 0.5f, 0.0f, 1, 0, true},
    };
    const std::vector<StreamedFirJob> shapes = StreamShapes();
    std::size_t shapeTurn = 0;
    for (const RandomCase& c : cases) {
        std::vector<double> h(static_cast<std::size_t>(c.taps));
        for (double& v : h) {
            v = tap(random) * (c.format.bits == 8 ? 0.3 : 0.2) * (c.taps > 300 ? 0.1 : 1.0);
        }
        if (c.infiniteTap) {
            h[h.size() / 3] = std::numeric_limits<double>::infinity();
        }
        std::vector<std::uint8_t> data(static_cast<std::size_t>(c.frames * c.format.channels * c.format.bits / 8));
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        const auto expected = ReferenceFilter(data, c.format, h, c.channel1, c.channel2, c.filtered, c.original);
        ASSERT_NE(expected, data);
        // The streamed path reads and writes whole files; bytes after the data go through untouched.
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(c.format.channels);
        layout.bitsPerSample = static_cast<std::uint16_t>(c.format.bits);
        layout.trailing = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 1, 2, 3};
        const auto expectedFile = BuildWave(layout, expected);
        for (const NamedSettings& engine : EveryEngine()) {
            SCOPED_TRACE(engine.name + ", " + std::to_string(c.format.channels) + " ch " +
                         std::to_string(c.format.bits) + " bit, " + std::to_string(c.taps) + " taps");
            const EngineSettingsScope scope(engine.settings);
            Load(c.format, data);
            const auto header = Header();
            Apply(h, c.channel1, c.channel2, c.filtered, c.original);
            EXPECT_EQ(Data(), expected);
            EXPECT_EQ(Header(), header);
            EXPECT_TRUE(feedback.messages.empty());
            // Each save is flushed to disk, so the shapes take turns over engines and cases.
            const StreamedFirJob& shape = shapes[shapeTurn++ % shapes.size()];
            SCOPED_TRACE("streamed, chunks of " + std::to_string(shape.chunkOutputs));
            EXPECT_EQ(FilterStreamed(BuildWave(layout, data), h, {c.channel1 != 0, c.channel2 != 0},
                                     {c.filtered, c.original}, shape),
                      expectedFile);
        }
    }
}

TEST_F(FirTest, StreamedFilteringLeavesToTheUsualWayWhatItWouldRefuseAndWritesNothing) {
    struct DeclineCase {
        std::string why;
        WaveLayout layout;
        ChannelChoice channels;
        std::string inputName;
        int taps;
    };
    WaveLayout stereo;
    stereo.channels = 2;
    WaveLayout wide;
    wide.bitsPerSample = 24;
    WaveLayout three;
    three.channels = 3;
    WaveLayout floating;
    floating.formatTag = 3;
    const DeclineCase cases[] = {
        {"no channel chosen", stereo, {false, false}, "in.wav", 5},
        {"24 bits", wide, {true, true}, "in.wav", 5},
        {"3 channels", three, {true, true}, "in.wav", 5},
        {"not PCM", floating, {true, true}, "in.wav", 5},
        {"named as MPEG audio", {}, {true, true}, "in.mp3", 5},
        {"no taps", {}, {true, true}, "in.wav", 0},
    };
    const std::vector<double> h(5, 0.2);
    for (const DeclineCase& c : cases) {
        SCOPED_TRACE(c.why);
        const auto image = BuildWave(c.layout, std::vector<std::uint8_t>(120, 9));
        const std::vector<double> taps(h.begin(), h.begin() + c.taps);
        EXPECT_FALSE(FilterStreamed(image, taps, c.channels, {}, {}, c.inputName));
    }
    // An output the folder does not allow: the usual way names the file that was at fault.
    StreamedFirJob job;
    job.inputPath = scratch.File("in.wav");
    job.outputPath = scratch.File("no/such/folder/out.wav");
    job.taps = h.data();
    job.count = 5;
    WriteFileBytes(job.inputPath, BuildWave({}, std::vector<std::uint8_t>(120, 9)));
    EXPECT_FALSE(FilterWaveFileStreamed(job, feedback));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(FirTest, LongWaveOnTheAutomaticPathSharesWorkBetweenThreadsWithoutChangingAByte) {
    // Large enough that the automatic choice uses every core.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<std::int16_t> samples(2 * 40000);
    for (auto& s : samples) {
        s = static_cast<std::int16_t>(sample(random));
    }
    std::vector<double> h(127);
    for (std::size_t j = 0; j < h.size(); ++j) {
        h[j] = std::sin(0.1 * static_cast<double>(j) + 0.3) / 40.0;
    }
    const auto data = Bytes16(samples);
    const auto expected = ReferenceFilter(data, {2, 16}, h, true, true, 1.35f, 0.4f);
    Load({2, 16}, data);
    Apply(h, 1, 1, 1.35f, 0.4f);
    EXPECT_EQ(Data(), expected);
}

TEST_F(FirTest, TapsOutsideTheDataAreLeftOutOfTheSumNotMultipliedByZero) {
    // An infinite tap times a missing neighbour would be not-a-number; left out, the edge stays finite.
    const std::vector<double> h = {std::numeric_limits<double>::infinity(), 0.0, 0.0};
    for (const NamedSettings& engine : EveryEngine()) {
        SCOPED_TRACE(engine.name);
        const EngineSettingsScope scope(engine.settings);
        Load({1, 16}, Bytes16({5, 0, -3, 7}));
        Apply(h);
        // y[0] has no tap in range (sum 0); y[1] = inf * 5; y[2] = inf * 0 = NaN; y[3] = inf * -3.
        EXPECT_EQ(Data(), Bytes16({0, 32767, -32768, -32768}));
    }
}

// ---- The named cases ------------------------------------------------------------------------------------

TEST_F(FirTest, IdentityDelayAndSilenceOnBothWidths) {
    for (Format format : {Format{1, 8}, Format{1, 16}}) {
        SCOPED_TRACE(format.bits);
        const std::vector<std::uint8_t> data =
            format.bits == 8 ? std::vector<std::uint8_t>{0, 60, 127, 128, 255, 3}
                             : Bytes16({-32768, -5, 0, 1, 32767, 1234});
        const std::size_t width = static_cast<std::size_t>(format.bits / 8);
        Load(format, data);
        Apply({0.0, 1.0, 0.0});
        EXPECT_EQ(Data(), data);
        Apply({0.3, -7.0, 2.0}, 1, 1, 0.0f, 1.0f);  // original only: unchanged whatever the taps
        EXPECT_EQ(Data(), data);

        Apply({1.0, 0.0, 0.0});  // y[i] = x[i - 1], y[0] the centre value
        std::vector<std::uint8_t> delayed(data.begin(), data.end() - static_cast<std::ptrdiff_t>(width));
        delayed.insert(delayed.begin(), width, format.bits == 8 ? 127 : 0);
        EXPECT_EQ(Data(), delayed);

        Apply({0.0, 1.0, 0.0}, 1, 1, 0.0f, 0.0f);
        EXPECT_EQ(Data(), std::vector<std::uint8_t>(data.size(), format.bits == 8 ? 127 : 0));
    }
}

TEST_F(FirTest, ResultsOutsideTheSampleRangeAreClippedNotWrapped) {
    Load({1, 16}, Bytes16({20000, -20000, 100}));
    Apply({0.0, 2.0, 0.0});
    EXPECT_EQ(Data(), Bytes16({32767, -32768, 200}));
    Load({1, 8}, {227, 27, 137});  // centred 100, -100, 10
    Apply({0.0, 1.0, 0.0}, 1, 1, 2.0f, 0.0f);
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{255, 0, 147}));
    Load({1, 16}, Bytes16({1000, -1000}));
    Apply({0.0, 1.0, 0.0}, 1, 1, -1.0f, 0.0f);  // a negative level inverts the filtered part
    EXPECT_EQ(Data(), Bytes16({-1000, 1000}));
}

TEST_F(FirTest, StereoFiltersOnlyTheSelectedChannelAndMonoIgnoresTheBoxes) {
    const auto data = Bytes16({100, 200, 300, 400, 500, 600});
    Load({2, 16}, data);
    Apply({0.0, 2.0, 0.0}, 0, 1);
    EXPECT_EQ(Data(), Bytes16({100, 400, 300, 800, 500, 1200}));
    Load({2, 16}, data);
    Apply({0.0, 2.0, 0.0}, 1, 0);
    EXPECT_EQ(Data(), Bytes16({200, 200, 600, 400, 1000, 600}));
    Load({1, 16}, data);
    Apply({0.0, 2.0, 0.0}, 0, 0);
    EXPECT_EQ(Data(), Bytes16({200, 400, 600, 800, 1000, 1200}));
}

TEST_F(FirTest, BytesOfAnIncompleteLastFrameAreNeverWritten) {
    Load({2, 16}, {10, 0, 20, 0, 30, 0, 99});  // one whole frame and three stray bytes
    Apply({0.0, 2.0, 0.0});
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{20, 0, 40, 0, 30, 0, 99}));
}

// ---- Messages, in their order, and progress -------------------------------------------------------------

TEST_F(FirTest, RefusedWavesKeepTheirBytesAndGetTheMessageOfTheFirstFailedCheck) {
    struct Refusal {
        int channels;
        int bits;
        int channel1;
        int channel2;
        const char* message;
    };
    const Refusal refusals[] = {
        {3, 12, 1, 1, "1 or 2 channels expected"},  // the channel count is checked first
        {0, 16, 1, 1, "1 or 2 channels expected"},
        {1, 24, 1, 1, "8 or 16 bits expected"},
        {2, 12, 0, 0, "8 or 16 bits expected"},     // the width before the check boxes
        {2, 16, 0, 0, "Select at least one channel for the filter process"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.message);
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(r.channels);
        layout.bitsPerSample = static_cast<std::uint16_t>(r.bits);
        const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        const std::string path = scratch.File("refused.wav");
        WriteFileBytes(path, BuildWave(layout, data));
        RecordingFeedback local;
        CWave refused;
        refused.SetFeedback(&local);
        ASSERT_TRUE(refused.Load(path));
        const std::vector<double> h = {0.0, 2.0, 0.0};
        local.Take(refused.ApplyFir(h.data(), 3, r.channel1, r.channel2, 1.0f, 0.0f));
        EXPECT_EQ(local.messages, std::vector<std::string>{r.message});
        EXPECT_TRUE(local.progress.empty());
        const std::uint8_t* first = refused.GetImage() + refused.GetDataOffset();
        EXPECT_EQ(std::vector<std::uint8_t>(first, first + 12), data);
    }
}

TEST_F(FirTest, ProgressCountsEveryHundredthStepOverAllPassesOnEveryEngine) {
    struct ProgressCase {
        Format format;
        std::int64_t frames;
        int taps;
        int channel1;
        int channel2;
        int range;
        bool infiniteTap = false;  // the ends summed apart from the rest
    };
    const ProgressCase cases[] = {
        {{1, 16}, 1234, 255, 1, 1, 12},  // steps from -128: position -1 comes first
        {{2, 8}, 950, 31, 1, 1, 19},     // both channels: (2 F) / 100, channel 2 offset by F
        {{2, 16}, 950, 401, 0, 1, 9},    // one channel: F / 100, positions from step 0 again
        {{2, 16}, 0, 301, 1, 1, 0},      // no data: the window still comes and goes
        {{1, 8}, 99, 3, 1, 1, 0},
        {{2, 16}, 1500, 201, 1, 1, 30, true},
    };
    for (const ProgressCase& c : cases) {
        const int passes = c.format.channels == 2 && c.channel1 && c.channel2 ? 2 : 1;
        const auto expected = ReferencePositions(c.frames, c.taps, passes, passes == 2);
        for (const NamedSettings& engine : EveryEngine()) {
            SCOPED_TRACE(engine.name + ", " + std::to_string(c.frames) + " frames");
            const EngineSettingsScope scope(engine.settings);
            Load(c.format, std::vector<std::uint8_t>(
                               static_cast<std::size_t>(c.frames * c.format.channels * c.format.bits / 8), 130));
            feedback.progress.clear();
            std::vector<double> h(static_cast<std::size_t>(c.taps), 0.01);
            if (c.infiniteTap) {
                h[1] = std::numeric_limits<double>::infinity();
            }
            Apply(h, c.channel1, c.channel2);
            ASSERT_EQ(feedback.progress.size(), 1u);
            const ProgressRecord& record = *feedback.progress[0];
            EXPECT_EQ(record.low, 0);
            EXPECT_EQ(record.high, c.range);
            EXPECT_TRUE(record.shown);
            EXPECT_TRUE(record.destroyed);
            EXPECT_EQ(record.positions, expected);
        }
    }
}

}  // namespace
