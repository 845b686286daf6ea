// Arbitrary bytes through the MPEG audio decode driver, in both input forms: the first byte chooses
// whether the rest is the file as it is, or the same bytes written as hexadecimal text (upper-case digit
// pairs with line breaks), so every binary seed is also explored through the text reader.
// Whatever the stream holds, the progress protocol and the WAV header written at the end must hold.

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "mp3dec/decoder.h"

using namespace tressel::fuzz;

namespace {

std::uint32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

void CheckWaveHeader(const std::vector<std::uint8_t>& wave, int frames) {
    FUZZ_CHECK(wave.size() >= 44);
    const std::string tags(wave.begin(), wave.begin() + 16);
    FUZZ_CHECK(tags.substr(0, 4) == "RIFF" && tags.substr(8, 8) == "WAVEfmt ");
    FUZZ_CHECK(std::string(wave.begin() + 36, wave.begin() + 40) == "data");
    const std::uint32_t channels = Field(wave, 22, 2);
    const std::uint32_t rate = Field(wave, 24, 4);
    const std::uint32_t blockAlign = Field(wave, 32, 2);
    const std::uint32_t dataSize = Field(wave, 40, 4);
    FUZZ_CHECK(Field(wave, 16, 4) == 16 && Field(wave, 20, 2) == 1 && Field(wave, 34, 2) == 16);
    FUZZ_CHECK(channels == 1 || channels == 2);
    FUZZ_CHECK(blockAlign == 2 * channels);
    FUZZ_CHECK(Field(wave, 28, 4) == rate * blockAlign);
    FUZZ_CHECK(Field(wave, 4, 4) == dataSize + 36);
    if (frames > 0) {
        // Only the six rates of the two versions can describe a decoded frame.
        FUZZ_CHECK(rate == 44100 || rate == 48000 || rate == 32000 || rate == 22050 || rate == 24000 ||
                   rate == 16000);
    }
    // A frame holds at most 1152 sample frames.
    FUZZ_CHECK(dataSize / blockAlign <= static_cast<std::uint64_t>(frames) * 1152);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile input("stream.mp3");
    if (size == 0) {
        input.Write(data, 0);
    } else if ((data[0] & 1) == 0) {
        input.Write(data + 1, size - 1);
    } else {
        input.Write(AsHexText(data + 1, size - 1, (data[0] & 2) != 0));
    }

    std::FILE* output = std::tmpfile();
    FUZZ_CHECK(output != nullptr);
    ProgressProtocol protocol;
    const int result =
        mp3dec::decode_mpeg_audio_to_wave(output, input.Path(), [&protocol](int value) { protocol(value); });
    FUZZ_CHECK(result == 0 || result == -1);
    FUZZ_CHECK(protocol.Ended());
    if (result == 0) {
        FUZZ_CHECK(protocol.Frames() > 0);
        FUZZ_CHECK(std::fflush(output) == 0 && std::fseek(output, 0, SEEK_SET) == 0);
        std::vector<std::uint8_t> wave;
        std::uint8_t buffer[65536];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, output)) > 0) wave.insert(wave.end(), buffer, buffer + got);
        CheckWaveHeader(wave, protocol.Frames());
    }
    std::fclose(output);
    return 0;
}
