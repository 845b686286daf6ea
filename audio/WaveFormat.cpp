#include "audio/WaveFormat.h"

#include <cstring>

namespace tressel {

namespace {

class HeaderReader {
public:
    HeaderReader(const std::uint8_t* image, std::uint32_t length) : m_image(image), m_length(length) {}

    std::uint16_t U16(std::uint32_t offset) const {
        if (!Holds(offset, 2)) {
            return 0;
        }
        return static_cast<std::uint16_t>(m_image[offset] | (m_image[offset + 1] << 8));
    }
    std::uint32_t U32(std::uint32_t offset) const {
        if (!Holds(offset, 4)) {
            return 0;
        }
        return static_cast<std::uint32_t>(m_image[offset]) | (static_cast<std::uint32_t>(m_image[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(m_image[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(m_image[offset + 3]) << 24);
    }
    bool Equals(std::uint32_t offset, const char* text, std::uint32_t count) const {
        return Holds(offset, count) && std::memcmp(m_image + offset, text, count) == 0;
    }
    // The first "data" anywhere counts, even inside another chunk: chunk sizes are not walked.
    std::int32_t DataOffset() const {
        if (m_length >= 4) {
            const void* found = memmem(m_image, m_length, "data", 4);
            if (found) {
                return static_cast<std::int32_t>(static_cast<const std::uint8_t*>(found) - m_image) + 8;
            }
        }
        return static_cast<std::int32_t>(m_length) + 8;
    }

private:
    bool Holds(std::uint32_t offset, std::uint32_t count) const {
        return m_length >= count && offset <= m_length - count;
    }

    const std::uint8_t* m_image;
    std::uint32_t m_length;
};

}  // namespace

namespace {

// The header from the first `available` bytes of an image of `length`; the data size depends on both.
WaveFormat ParseHeader(const std::uint8_t* image, std::uint32_t available, std::uint32_t length) {
    WaveFormat format;
    const HeaderReader header(image, available);
    format.riffWave = header.Equals(0, "RIFF", 4) && header.Equals(8, "WAVEfmt ", 8);
    format.pcm = available >= 22 && image[20] == 1 && image[21] == 0;
    format.channels = header.U16(22);
    format.samplesPerSecond = header.U32(24);
    format.bitsPerSample = header.U16(34);
    format.dataOffset = header.DataOffset();
    const auto offset = static_cast<std::uint32_t>(format.dataOffset);
    if (offset <= available) {
        // A declared size running past the image answers what is really there, so no operation can reach
        // outside the image; the header bytes themselves stay as they are.
        const std::uint32_t declared = header.U32(offset - 4);
        const std::uint32_t present = length - offset;
        format.dataLength = declared < present ? declared : present;
    }
    return format;
}

}  // namespace

WaveFormat ParseWaveFormat(const std::uint8_t* image, std::uint32_t length, bool loaded) {
    if (!loaded || (!image && length > 0)) {
        return {};
    }
    return ParseHeader(image, length, length);
}

std::optional<WaveFormat> ParseWaveFormatFromStart(const std::uint8_t* start, std::uint32_t available,
                                                   std::uint32_t length) {
    // The fields at fixed offsets end here; a "data" found inside them does not settle them.
    constexpr std::uint32_t kFixedFieldsEnd = 36;
    available = available < length ? available : length;
    if ((!start && available > 0) || (available < length && available < kFixedFieldsEnd)) {
        return std::nullopt;
    }
    const WaveFormat format = ParseHeader(start, available, length);
    if (static_cast<std::uint32_t>(format.dataOffset) > available) {
        return std::nullopt;  // no "data" yet: it may come later, or there is none
    }
    return format;
}

Result CheckSampleFormat(const WaveFormat& format) {
    if (format.channels != 1 && format.channels != 2) {
        return Result::Failure("1 or 2 channels expected");
    }
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
        return Result::Failure("8 or 16 bits expected");
    }
    return {};
}

}  // namespace tressel
