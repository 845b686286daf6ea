#pragma once
// The calling interface of the MP3 encoder module ("BLADEENC.DLL" on Windows, libbladeenc.so here): five
// C entry points, an optional sixth, and the 27-byte configuration record. The program and the module both
// include this header, so the record is written and read by the same few lines.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tressel::bladeenc {

// Every entry point answers 0 for success.
using Status = std::uint32_t;
inline constexpr Status kOk = 0;

// An opaque stream handle; the module decides what it means.
using StreamHandle = std::uintptr_t;

// What the module tells about itself; the program never reads it.
struct VersionRecord {
    std::uint32_t interfaceVersion;
    std::uint32_t engineMajor;
    std::uint32_t engineMinor;
    char description[116];
};

extern "C" {
using InitStreamFunction = Status (*)(const std::uint8_t* config, std::uint32_t* samplesPerChunk,
                                      std::uint32_t* outputBufferSize, StreamHandle* stream);
// sampleCount counts 16-bit samples of all channels together (interleaved left/right for stereo).
using EncodeChunkFunction = Status (*)(StreamHandle stream, std::uint32_t sampleCount, std::int16_t* samples,
                                       std::uint8_t* output, std::uint32_t* outputBytes);
using DeinitStreamFunction = Status (*)(StreamHandle stream, std::uint8_t* output, std::uint32_t* outputBytes);
using CloseStreamFunction = Status (*)(StreamHandle stream);
using VersionFunction = Status (*)(VersionRecord* version);
// Optional. After beDeinitStream: the frame that belongs in place of the stream's first frame (the "Info"
// frame with LAME's extension: frame count, encoder delay and padding), at most outputSize bytes.
using WriteInfoTagFunction = Status (*)(StreamHandle stream, std::uint8_t* output, std::uint32_t outputSize,
                                        std::uint32_t* outputBytes);
}

inline constexpr const char* kInitStreamName = "beInitStream";
inline constexpr const char* kEncodeChunkName = "beEncodeChunk";
inline constexpr const char* kDeinitStreamName = "beDeinitStream";
inline constexpr const char* kCloseStreamName = "beCloseStream";
inline constexpr const char* kVersionName = "beVersion";
inline constexpr const char* kWriteInfoTagName = "beWriteInfoTag";

// The entry points of one loaded module; the last is null when the module lacks it.
struct Functions {
    InitStreamFunction initStream = nullptr;
    EncodeChunkFunction encodeChunk = nullptr;
    DeinitStreamFunction deinitStream = nullptr;
    CloseStreamFunction closeStream = nullptr;
    VersionFunction version = nullptr;
    WriteInfoTagFunction writeInfoTag = nullptr;
};

// The configuration record, packed without padding, little-endian.
inline constexpr std::uint32_t kFormatMp3 = 0;
inline constexpr std::uint8_t kModeStereo = 0;
inline constexpr std::uint8_t kModeMono = 3;
inline constexpr std::size_t kConfigSize = 27;
using ConfigRecord = std::array<std::uint8_t, kConfigSize>;

struct Config {
    std::uint32_t format = kFormatMp3;
    std::uint32_t sampleRate = 0;
    std::uint8_t mode = kModeStereo;
    std::uint16_t bitrate = 0;  // kbit/s
    std::uint32_t privateFlag = 0;
    std::uint32_t crc = 0;
    std::uint32_t copyright = 0;
    std::uint32_t original = 0;
};

namespace detail {
inline void Put(ConfigRecord& record, std::size_t offset, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline std::uint32_t Get(const std::uint8_t* record, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(record[offset + i]) << (8 * i);
    }
    return value;
}
}  // namespace detail

inline ConfigRecord EncodeConfig(const Config& config) {
    ConfigRecord record{};
    detail::Put(record, 0, config.format, 4);
    detail::Put(record, 4, config.sampleRate, 4);
    detail::Put(record, 8, config.mode, 1);
    detail::Put(record, 9, config.bitrate, 2);
    detail::Put(record, 11, config.privateFlag, 4);
    detail::Put(record, 15, config.crc, 4);
    detail::Put(record, 19, config.copyright, 4);
    detail::Put(record, 23, config.original, 4);
    return record;
}

inline Config DecodeConfig(const std::uint8_t* record) {
    Config config;
    config.format = detail::Get(record, 0, 4);
    config.sampleRate = detail::Get(record, 4, 4);
    config.mode = static_cast<std::uint8_t>(detail::Get(record, 8, 1));
    config.bitrate = static_cast<std::uint16_t>(detail::Get(record, 9, 2));
    config.privateFlag = detail::Get(record, 11, 4);
    config.crc = detail::Get(record, 15, 4);
    config.copyright = detail::Get(record, 19, 4);
    config.original = detail::Get(record, 23, 4);
    return config;
}

}  // namespace tressel::bladeenc
