#pragma once
// Decoding MPEG audio (Layers I, II and III of MPEG-1 and MPEG-2 low sampling frequencies, Layer III of
// MPEG 2.5) from memory into memory. The input is a file image (the raw bitstream, or the same bytes as
// upper-case hexadecimal text); the output is interleaved 16-bit PCM with its format, handed to a sink or
// gathered whole. Progress and the decoder's messages go through callbacks, on the calling thread.
//
// With more than one thread the stream is decoded in chunks side by side; the samples, messages, progress
// calls and result are the same as those of the sequential decode, byte for byte.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mp3dec/decode_callbacks.h"
#include "mp3dec/stream_input.h"

namespace mp3dec {

struct DecodeSettings {
    int threads = 1;        // 1: the sequential decode; 0: one thread per core
    int forced_chunks = 0;  // testing: cut the stream into this many chunks however short it is
    // Gapless: when the encoder's tag states its delay and padding, only the samples of the original audio
    // are handed out (and counted). Otherwise every frame's samples are.
    bool gapless = false;
};

// 0 asks for one thread per core; the count the decode uses.
int decode_thread_count(int requested);

struct StreamFormat {
    int channels = 0;
    int samples_per_second = 0;
};

struct ChunkFigures {
    std::uint32_t chunks = 0;
    std::uint32_t warm_up_frames = 0;    // frames decoded twice, to rebuild the state at a chunk start
    std::uint32_t redecoded_chunks = 0;  // chunks whose start state was not the sequential one
};

struct DecodeSummary {
    int result = -1;       // 0 = at least one frame decoded; -1 = no frame found, or the decode had to stop
    bool stopped = false;  // a condition made the rest of the stream undecodable (its message was reported)
    std::uint32_t frames = 0;
    std::uint32_t sample_frames = 0;  // one per time instant, all channels together
    StreamFormat format;              // as the WAV header states it: from the last frame
    ChunkFigures chunks;              // how a parallel decode went
};

// Decodes the bitstream into the callbacks. When `callbacks` asks for the expected sample count, the stream
// is scanned first.
DecodeSummary decode_stream(const StreamBytes& stream, const DecodeSettings& settings,
                            const DecodeCallbacks& callbacks);

// Decoding into memory in one call. `name` stands for the input in the messages. The announcement of the
// input form ("the bit stream file NAME is a BINARY file") and a missing file ("Could not find") are
// reported through `diagnostic` too; a missing file gives result -1 without progress calls.
struct DecodedAudio {
    DecodeSummary summary;
    std::vector<std::int16_t> samples;  // interleaved
};
DecodedAudio decode_image_to_pcm(std::span<const std::uint8_t> image, const std::string& name,
                                 const DecodeSettings& settings, const DecodeProgressFn& progress,
                                 const DiagnosticFn& diagnostic);
DecodedAudio decode_file_to_pcm(const std::string& path, const DecodeSettings& settings,
                                const DecodeProgressFn& progress, const DiagnosticFn& diagnostic);

// The same as a complete WAV image: the 44-byte header and the little-endian samples, the bytes the file
// driver writes for the same input when the decode runs to its end (result 0, or -1 for a stream without a
// frame). After a stop the header describes the samples decoded before it (the file driver leaves it
// unwritten); a missing file gives an empty image.
struct DecodedWave {
    DecodeSummary summary;
    std::vector<std::uint8_t> image;
};
DecodedWave decode_image_to_wave(std::span<const std::uint8_t> image, const std::string& name,
                                 const DecodeSettings& settings, const DecodeProgressFn& progress,
                                 const DiagnosticFn& diagnostic);
DecodedWave decode_file_to_wave(const std::string& path, const DecodeSettings& settings,
                                const DecodeProgressFn& progress, const DiagnosticFn& diagnostic);

// The bytes a WAV image is built in, owned by the caller (the workbench keeps its images on a cache line).
class WaveBytes {
public:
    virtual ~WaveBytes() = default;
    virtual void reserve(std::size_t bytes) = 0;
    // Makes the image `bytes` long, keeping what it holds; answers its first byte.
    virtual std::uint8_t* resize(std::size_t bytes) = 0;
};

// WaveBytes over any vector of bytes.
template <typename ByteVector>
class WaveBytesIn final : public WaveBytes {
public:
    explicit WaveBytesIn(ByteVector& bytes) : m_bytes(bytes) {}
    void reserve(std::size_t bytes) override { m_bytes.reserve(bytes); }
    std::uint8_t* resize(std::size_t bytes) override {
        m_bytes.resize(bytes);
        return m_bytes.data();
    }

private:
    ByteVector& m_bytes;
};

// decode_file_to_wave into the caller's bytes; a missing file leaves them as they were.
DecodeSummary decode_file_into_wave(const std::string& path, const DecodeSettings& settings,
                                    const DecodeProgressFn& progress, const DiagnosticFn& diagnostic, WaveBytes& wave,
                                    const ExpectedFramesFn& expected_frames = {});

}  // namespace mp3dec
