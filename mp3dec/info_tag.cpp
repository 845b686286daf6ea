#include "mp3dec/info_tag.h"

#include <cstring>

namespace mp3dec {

namespace {

constexpr std::uint32_t kFramesFlag = 1;
constexpr std::uint32_t kBytesFlag = 2;
constexpr std::uint32_t kTocFlag = 4;
constexpr std::uint32_t kQualityFlag = 8;
constexpr std::size_t kTocBytes = 100;
constexpr std::size_t kLameExtensionBytes = 36;
constexpr std::size_t kVbriOffset = 4 + 32;  // always after MPEG-1 stereo side information

std::uint32_t big_endian(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

bool holds_id(std::span<const std::uint8_t> frame, std::size_t at, const char* id) {
    return at + 4 <= frame.size() && std::memcmp(frame.data() + at, id, 4) == 0;
}

std::size_t side_info_bytes(const FrameHeader& header) {
    const bool mono = header.mode == kSingleChannel;
    if (header.version == 1) return mono ? 17 : 32;
    return mono ? 9 : 17;
}

// The CRC LAME stores over the frame up to its own checksum (CRC-16, polynomial 0x8005, bits reflected).
unsigned lame_crc(std::span<const std::uint8_t> bytes) {
    unsigned crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0xA001u : crc >> 1;
    }
    return crc;
}

// The smallest frame the stream's version, layer and rate allow, so that no frame count asks for more.
std::uint64_t smallest_frame_bytes(const FrameHeader& header) {
    FrameHeader smallest = header;
    smallest.bitrate_index = 1;
    smallest.padding = 0;
    return static_cast<std::uint64_t>(stated_frame_slots(smallest));
}

bool promises_too_much(const InfoTag& tag, std::uint64_t stated_bytes, const FrameHeader& header,
                       std::size_t frame_bytes, std::uint64_t bytes_after) {
    if (stated_bytes > frame_bytes + bytes_after) return true;
    return static_cast<std::uint64_t>(tag.frames) * smallest_frame_bytes(header) > bytes_after;
}

// LAME's extension starts with the encoder's name and version ("LAME3.100", "Lavc58.13"); other encoders
// leave the bytes after the Xing fields empty or put anything there.
bool names_an_encoder(std::span<const std::uint8_t> frame, std::size_t at) {
    for (std::size_t i = at; i < at + 4; ++i) {
        const std::uint8_t c = frame[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
}

// LAME's extension at `at`: the delay and padding. False when the extension is there but its checksum does
// not hold: the whole tag is suspect then.
bool read_lame_extension(std::span<const std::uint8_t> frame, std::size_t at, InfoTag& tag) {
    if (at + kLameExtensionBytes > frame.size() || !names_an_encoder(frame, at)) return true;
    const std::size_t crc_at = at + kLameExtensionBytes - 2;
    if (lame_crc(frame.first(crc_at)) != big_endian(frame, crc_at, 2)) return false;
    const std::uint32_t figures = big_endian(frame, at + 21, 3);
    tag.encoder_delay = static_cast<int>(figures >> 12);
    tag.padding = static_cast<int>(figures & 0xFFFu);
    tag.gapless = true;
    return true;
}

std::optional<InfoTag> parse_xing(std::span<const std::uint8_t> frame, std::size_t at, const FrameHeader& header,
                                  std::uint64_t bytes_after) {
    if (at + 8 > frame.size()) return std::nullopt;
    const std::uint32_t flags = big_endian(frame, at + 4, 4);
    if (flags > (kFramesFlag | kBytesFlag | kTocFlag | kQualityFlag)) return std::nullopt;
    std::size_t field = at + 8;
    const std::size_t fields_end = field + ((flags & kFramesFlag) != 0 ? 4 : 0) + ((flags & kBytesFlag) != 0 ? 4 : 0) +
                                   ((flags & kTocFlag) != 0 ? kTocBytes : 0) + ((flags & kQualityFlag) != 0 ? 4 : 0);
    if (fields_end > frame.size()) return std::nullopt;
    InfoTag tag;
    std::uint64_t stated_bytes = 0;
    if ((flags & kFramesFlag) != 0) {
        tag.frames = big_endian(frame, field, 4);
        field += 4;
    }
    if ((flags & kBytesFlag) != 0) stated_bytes = big_endian(frame, field, 4);
    if (promises_too_much(tag, stated_bytes, header, frame.size(), bytes_after)) return std::nullopt;
    if (!read_lame_extension(frame, fields_end, tag)) return std::nullopt;
    return tag;
}

std::optional<InfoTag> parse_vbri(std::span<const std::uint8_t> frame, const FrameHeader& header,
                                  std::uint64_t bytes_after) {
    // ID, version, delay, quality, then the stream's bytes and frames.
    constexpr std::size_t kFieldsBytes = 4 + 2 + 2 + 2 + 4 + 4;
    if (kVbriOffset + kFieldsBytes > frame.size()) return std::nullopt;
    InfoTag tag;
    tag.frames = big_endian(frame, kVbriOffset + 14, 4);
    const std::uint64_t stated_bytes = big_endian(frame, kVbriOffset + 10, 4);
    if (promises_too_much(tag, stated_bytes, header, frame.size(), bytes_after)) return std::nullopt;
    return tag;
}

}  // namespace

std::optional<InfoTag> parse_info_tag(std::span<const std::uint8_t> frame, const FrameHeader& header,
                                      std::uint64_t bytes_after) {
    if (header.layer != 3) return std::nullopt;
    // Right after the side information; encoders that set the CRC bit in the tag frame put the tag either
    // where it would be without the CRC word (LAME) or after it.
    const std::size_t without_crc = 4 + side_info_bytes(header);
    for (const std::size_t xing_at : {without_crc, without_crc + (header.error_protection != 0 ? 2 : 0)}) {
        if (holds_id(frame, xing_at, "Xing") || holds_id(frame, xing_at, "Info"))
            return parse_xing(frame, xing_at, header, bytes_after);
    }
    if (holds_id(frame, kVbriOffset, "VBRI")) return parse_vbri(frame, header, bytes_after);
    return std::nullopt;
}

std::optional<GaplessWindow> gapless_window(const InfoTag& tag, int samples_per_frame) {
    if (!tag.gapless || tag.frames == 0) return std::nullopt;
    const auto delay = static_cast<std::uint64_t>(tag.encoder_delay);
    const auto padding = static_cast<std::uint64_t>(tag.padding);
    const std::uint64_t total = static_cast<std::uint64_t>(tag.frames) * static_cast<std::uint64_t>(samples_per_frame);
    if (delay + padding >= total) return std::nullopt;
    return GaplessWindow{delay + kSynthesisDelay, total - padding + kSynthesisDelay};
}

}  // namespace mp3dec
