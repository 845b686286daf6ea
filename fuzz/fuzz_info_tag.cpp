// Arbitrary bytes as a stream image, decoded with and without gapless trimming. The encoder's tag is read
// from the first frame's bytes alone; whatever it says, the gapless decode hands out exactly the run of the
// untrimmed samples that the tag's window selects (all of them without a usable tag), with the same frames
// and result. The bytes are also read as one frame on their own, so the tag parser meets every length.

#include <algorithm>
#include <span>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "mp3dec/decode_stream.h"
#include "mp3dec/frame_loop.h"
#include "mp3dec/info_tag.h"

using namespace tressel::fuzz;

namespace {

mp3dec::DecodedAudio DecodeImage(std::span<const std::uint8_t> image, bool gapless) {
    mp3dec::DecodeSettings settings;
    settings.gapless = gapless;
    return mp3dec::decode_image_to_pcm(image, "stream", settings, {}, {});
}

// The bytes as a frame whose header is their first four bytes.
void ParseAsOneFrame(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return;
    const std::uint32_t bits = (static_cast<std::uint32_t>(bytes[1] & 0x1F) << 16) | (bytes[2] << 8) | bytes[3];
    if (!mp3dec::header_bits_are_valid(bits)) return;
    const mp3dec::FrameHeader header = mp3dec::header_from_bits(bits);
    // A length the input chooses, so that every cut of the tag is met.
    const std::size_t length = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(bytes[3]) * 8);
    const std::optional<mp3dec::InfoTag> tag =
        mp3dec::parse_info_tag(bytes.first(length), header, bytes.size() - length);
    if (tag && tag->gapless) FUZZ_CHECK(tag->encoder_delay < 4096 && tag->padding < 4096);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    ParseAsOneFrame(image);

    const mp3dec::DecodedAudio all = DecodeImage(image, false);
    const mp3dec::DecodedAudio trimmed = DecodeImage(image, true);
    FUZZ_CHECK(trimmed.summary.result == all.summary.result && trimmed.summary.frames == all.summary.frames);

    const mp3dec::StreamBytes stream(image);
    const std::optional<mp3dec::LeadingTag> leading = mp3dec::find_leading_tag(stream);
    const std::optional<mp3dec::GaplessWindow> window =
        leading ? mp3dec::gapless_window(leading->tag, mp3dec::frame_samples(leading->header)) : std::nullopt;
    if (!window) {
        FUZZ_CHECK(trimmed.samples == all.samples);
        return 0;
    }
    FUZZ_CHECK(window->begin < window->end);
    const std::size_t channels = leading->header.mode == mp3dec::kSingleChannel ? 1 : 2;
    const std::size_t end = std::min<std::size_t>(window->end * channels, all.samples.size());
    const std::size_t begin = std::min<std::size_t>(window->begin * channels, end);
    FUZZ_CHECK(trimmed.samples.size() == end - begin);
    const auto first = all.samples.begin() + static_cast<long>(begin);
    FUZZ_CHECK(std::equal(trimmed.samples.begin(), trimmed.samples.end(), first));
    return 0;
}
