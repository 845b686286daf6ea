// The MP3 export of an arbitrary wave through a stub encoder whose answers (chunk size, buffer size,
// failures, bytes per chunk) come from the input. The stub reads every sample it is handed, so the
// sanitizers see any read past the image; on success the file must be exactly the bytes the stub
// returned, on failure a file that was there before must be untouched.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <filesystem>

#include "audio/Wave.h"
#include "fuzz/FuzzSupport.h"
#include "mp3enc/Mp3Export.h"

using namespace tressel;
using namespace tressel::fuzz;

namespace {

struct StubScript {
    std::uint32_t samplesPerChunk = 1152;
    std::uint32_t outputBufferSize = 4096;
    bool initFails = false;
    int failingEncodeCall = -1;
    bool deinitFails = false;
    std::vector<std::uint32_t> answerSizes;  // bytes answered by successive calls, cycled
    std::vector<std::uint8_t> produced;
    int encodeCalls = 0;
    bool streamOpen = false;
    std::uint64_t sampleSum = 0;

    std::uint32_t NextAnswer() {
        if (answerSizes.empty()) return 0;
        return answerSizes[static_cast<std::size_t>(encodeCalls) % answerSizes.size()];
    }
};

StubScript* g_script = nullptr;

bladeenc::Status Init(const std::uint8_t*, std::uint32_t* samplesPerChunk, std::uint32_t* outputBufferSize,
                      bladeenc::StreamHandle* stream) {
    *samplesPerChunk = g_script->samplesPerChunk;
    *outputBufferSize = g_script->outputBufferSize;
    *stream = 1;
    g_script->streamOpen = !g_script->initFails;
    return g_script->initFails ? 1 : bladeenc::kOk;
}

bladeenc::Status Encode(bladeenc::StreamHandle, std::uint32_t sampleCount, std::int16_t* samples, std::uint8_t* output,
                        std::uint32_t* outputBytes) {
    FUZZ_CHECK(g_script->streamOpen);
    FUZZ_CHECK(sampleCount <= g_script->samplesPerChunk);
    for (std::uint32_t i = 0; i < sampleCount; ++i) g_script->sampleSum += static_cast<std::uint16_t>(samples[i]);
    const int call = g_script->encodeCalls;
    const std::uint32_t answer = g_script->NextAnswer();
    ++g_script->encodeCalls;
    if (call == g_script->failingEncodeCall) return 3;
    // A well-behaved encoder never answers more than its buffer; a faulty one may, and must not be trusted.
    const std::uint32_t written = std::min(answer, g_script->outputBufferSize);
    std::fill(output, output + written, static_cast<std::uint8_t>(call));
    if (answer <= g_script->outputBufferSize) {
        g_script->produced.insert(g_script->produced.end(), output, output + written);
    }
    *outputBytes = answer;
    return bladeenc::kOk;
}

bladeenc::Status Deinit(bladeenc::StreamHandle, std::uint8_t* output, std::uint32_t* outputBytes) {
    FUZZ_CHECK(g_script->streamOpen);
    const std::uint32_t answer = std::min<std::uint32_t>(7, g_script->outputBufferSize);
    std::fill(output, output + answer, 0xEE);
    g_script->produced.insert(g_script->produced.end(), output, output + answer);
    *outputBytes = answer;
    return g_script->deinitFails ? 1 : bladeenc::kOk;
}

bladeenc::Status Close(bladeenc::StreamHandle) {
    FUZZ_CHECK(g_script->streamOpen);
    g_script->streamOpen = false;
    return bladeenc::kOk;
}

bladeenc::Status Version(bladeenc::VersionRecord*) {
    return bladeenc::kOk;
}

class StubLibrary final : public EncoderLibrary {
public:
    bool Load(const std::string&) override { return true; }
    bool Resolve(bladeenc::Functions& functions) override {
        functions = {Init, Encode, Deinit, Close, Version};
        return true;
    }
};

std::vector<std::uint8_t> CanonicalImage(FuzzedDataProvider& input) {
    const std::uint16_t channels = input.ConsumeIntegralInRange<std::uint16_t>(0, 3);
    const std::uint32_t rates[] = {44100, 48000, 32000, 22050, 0};
    const std::uint32_t rate = rates[input.ConsumeIntegralInRange(0, 4)];
    const std::uint16_t bits = input.ConsumeBool() ? 16 : input.ConsumeIntegralInRange<std::uint16_t>(0, 32);
    const std::uint32_t declared = input.ConsumeIntegral<std::uint32_t>();
    const bool declaredTrue = input.ConsumeBool();
    std::vector<std::uint8_t> data = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(0, 20000));
    std::vector<std::uint8_t> image = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                       16,  0,   0,   0,   1, 0, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,
                                       0,   0,   0,   0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    auto put = [&image](std::size_t offset, std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(22, channels, 2);
    put(24, rate, 4);
    put(34, bits, 2);
    put(40, declaredTrue ? static_cast<std::uint32_t>(data.size()) : declared, 4);
    image.insert(image.end(), data.begin(), data.end());
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile source("export.wav");
    static const std::filesystem::path folder = source.Folder();
    FuzzedDataProvider input(data, size);

    StubScript script;
    script.samplesPerChunk = input.ConsumeBool() ? 1152 * 2 : input.ConsumeIntegralInRange<std::uint32_t>(0, 5000);
    script.outputBufferSize = input.ConsumeIntegralInRange<std::uint32_t>(0, 9000);
    script.initFails = input.ConsumeIntegralInRange(0, 15) == 0;
    script.deinitFails = input.ConsumeIntegralInRange(0, 15) == 0;
    script.failingEncodeCall = input.ConsumeIntegralInRange(-8, 8);
    for (int i = input.ConsumeIntegralInRange(0, 4); i > 0; --i) {
        script.answerSizes.push_back(input.ConsumeIntegralInRange<std::uint32_t>(0, 10000));
    }
    const bool targetExists = input.ConsumeBool();
    const bool raw = input.ConsumeIntegralInRange(0, 3) == 0;
    std::vector<std::uint8_t> image =
        raw ? input.ConsumeRemainingBytes<std::uint8_t>() : CanonicalImage(input);
    source.Write(image);

    RecordingFeedback feedback;
    CWave wave;
    wave.SetFeedback(&feedback);
    FUZZ_CHECK(wave.Load(source.Path()));

    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    const std::string target = (folder / "out.mp3").string();
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    if (targetExists) {
        WriteWholeFile(target, old);
    }

    g_script = &script;
    FixedMp3Settings settings("128", {});
    StubLibrary library;
    CMp3Export exporter(settings, library, "stub");
    const bool exported = feedback.Take(exporter.Export(target, wave));
    g_script = nullptr;

    FUZZ_CHECK(!script.streamOpen);  // every opened stream was closed
    if (exported) {
        FUZZ_CHECK(feedback.messages.empty());
        FUZZ_CHECK(ReadWholeFile(target) == script.produced);
    } else {
        FUZZ_CHECK(!feedback.messages.empty());
        if (targetExists) FUZZ_CHECK(ReadWholeFile(target) == old);
    }
    // Only the target itself may be left in the folder: no temporary file survives.
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        FUZZ_CHECK(entry.path().filename() == "out.mp3");
    }
    return 0;
}
