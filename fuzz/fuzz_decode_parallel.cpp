// Arbitrary bytes decoded twice through the memory interface: sequentially, and cut into 2 to 4 chunks
// (forced however short the stream) decoded on 2 to 4 threads. Both must give the same samples, result,
// summary, progress calls and messages. The first byte chooses: bits 0-1 the chunk count (2 + value % 3),
// bits 2-3 the thread count (2 + value % 3), bit 4 the rest as hexadecimal text (bit 5: CR LF line ends).

#include <cstring>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "mp3dec/decode_stream.h"

using namespace tressel::fuzz;

namespace {

struct Decode {
    mp3dec::DecodeSummary summary;
    std::vector<std::int16_t> samples;
    std::vector<int> progress;
    std::vector<mp3dec::Diagnostic> messages;
};

Decode DecodeWith(const std::vector<std::uint8_t>& image, const mp3dec::DecodeSettings& settings) {
    Decode decode;
    ProgressProtocol protocol;
    mp3dec::DecodedAudio audio = mp3dec::decode_image_to_pcm(
        image, "stream", settings,
        [&](int frames) {
            protocol(frames);
            decode.progress.push_back(frames);
        },
        [&](const mp3dec::Diagnostic& message) { decode.messages.push_back(message); });
    FUZZ_CHECK(protocol.Ended());
    decode.summary = audio.summary;
    decode.samples = std::move(audio.samples);
    return decode;
}

bool SameSummary(const mp3dec::DecodeSummary& a, const mp3dec::DecodeSummary& b) {
    return a.result == b.result && a.stopped == b.stopped && a.frames == b.frames &&
           a.sample_frames == b.sample_frames && a.format.channels == b.format.channels &&
           a.format.samples_per_second == b.format.samples_per_second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    std::vector<std::uint8_t> image(data + 1, data + size);
    if ((choice & 16) != 0) image = AsHexText(data + 1, size - 1, (choice & 32) != 0);

    mp3dec::DecodeSettings sequential;
    sequential.threads = 1;
    mp3dec::DecodeSettings parallel;
    parallel.forced_chunks = 2 + static_cast<int>(choice & 3) % 3;
    parallel.threads = 2 + static_cast<int>((choice >> 2) & 3) % 3;

    const Decode one = DecodeWith(image, sequential);
    const Decode many = DecodeWith(image, parallel);
    FUZZ_CHECK(SameSummary(one.summary, many.summary));
    FUZZ_CHECK(one.progress == many.progress);
    FUZZ_CHECK(one.messages == many.messages);
    FUZZ_CHECK(one.samples.size() == many.samples.size());
    FUZZ_CHECK(one.samples.empty() ||
               std::memcmp(one.samples.data(), many.samples.data(), 2 * one.samples.size()) == 0);
    // A frame holds at most 1152 sample frames.
    FUZZ_CHECK(one.summary.sample_frames <= static_cast<std::uint64_t>(one.summary.frames) * 1152);
    return 0;
}
