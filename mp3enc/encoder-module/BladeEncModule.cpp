// The MP3 encoder module: the six entry points of the encoder interface over LAME. It writes a stream of
// constant-bitrate MPEG-1 Layer III frames without ID3 tags. The first frame is a placeholder for the Info
// frame, which beWriteInfoTag hands out once the stream has ended: it tells decoders the frame count, the
// encoder delay and the padding, so that they give back exactly the samples that went in.

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "mp3enc/BladeEncInterface.h"

#if defined(_WIN32)
#define BLADEENC_EXPORT extern "C" __declspec(dllexport)
#else
#define BLADEENC_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace tressel::bladeenc;

namespace {

constexpr Status kInvalidArgument = 1;
constexpr Status kEncoderFailed = 2;
constexpr Status kOutOfMemory = 3;

// Four frames of 1152 samples per channel a chunk: large enough that calls cost nothing, small enough for
// a smooth progress bar.
constexpr std::uint32_t kSamplesPerChannelPerChunk = 4 * 1152;

struct Stream {
    lame_global_flags* lame = nullptr;
    int channels = 0;
    std::uint32_t samplesPerChunk = 0;  // both channels counted
    std::uint32_t outputBufferSize = 0;
    bool finished = false;
};

// Handles are pointers, but a caller may hand back anything: only those we gave out are ever dereferenced.
class StreamRegistry {
public:
    void Add(Stream* stream) {
        std::lock_guard lock(m_mutex);
        m_streams.insert(stream);
    }
    Stream* Find(StreamHandle handle) {
        std::lock_guard lock(m_mutex);
        const auto it = m_streams.find(reinterpret_cast<Stream*>(handle));
        return it == m_streams.end() ? nullptr : *it;
    }
    Stream* Remove(StreamHandle handle) {
        std::lock_guard lock(m_mutex);
        const auto it = m_streams.find(reinterpret_cast<Stream*>(handle));
        if (it == m_streams.end()) {
            return nullptr;
        }
        Stream* stream = *it;
        m_streams.erase(it);
        return stream;
    }

private:
    std::mutex m_mutex;
    std::unordered_set<Stream*> m_streams;
};

StreamRegistry& Registry() {
    static StreamRegistry registry;
    return registry;
}

bool IsMpeg1SampleRate(std::uint32_t rate) {
    return rate == 32000 || rate == 44100 || rate == 48000;
}

bool IsMpeg1Layer3Bitrate(std::uint32_t bitrate) {
    static constexpr std::uint16_t kBitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    return std::find(std::begin(kBitrates), std::end(kBitrates), bitrate) != std::end(kBitrates);
}

bool IsValid(const Config& config) {
    return config.format == kFormatMp3 && IsMpeg1SampleRate(config.sampleRate) &&
           (config.mode == kModeMono || config.mode == kModeStereo) && IsMpeg1Layer3Bitrate(config.bitrate);
}

// LAME's own bound for the bytes one call can return: 1.25 × samples per channel + 7200.
std::uint32_t WorstCaseOutputBytes(std::uint32_t samplesPerChannel) {
    return (samplesPerChannel * 5 + 3) / 4 + 7200;
}

lame_global_flags* CreateEncoder(const Config& config) {
    lame_global_flags* lame = lame_init();
    if (!lame) {
        return nullptr;
    }
    const bool mono = config.mode == kModeMono;
    const bool configured =
        lame_set_num_channels(lame, mono ? 1 : 2) == 0 &&
        lame_set_in_samplerate(lame, static_cast<int>(config.sampleRate)) == 0 &&
        lame_set_out_samplerate(lame, static_cast<int>(config.sampleRate)) == 0 &&
        lame_set_mode(lame, mono ? MONO : STEREO) == 0 && lame_set_VBR(lame, vbr_off) == 0 &&
        lame_set_brate(lame, config.bitrate) == 0 && lame_set_extension(lame, config.privateFlag != 0) == 0 &&
        lame_set_error_protection(lame, config.crc != 0) == 0 &&
        lame_set_copyright(lame, config.copyright != 0) == 0 &&
        lame_set_original(lame, config.original != 0) == 0 && lame_set_bWriteVbrTag(lame, 1) == 0;
    // ID3 tags would put bytes in front of and behind the frames; the stream must be frames only.
    lame_set_write_id3tag_automatic(lame, 0);
    if (!configured || lame_init_params(lame) < 0) {
        lame_close(lame);
        return nullptr;
    }
    return lame;
}

}  // namespace

BLADEENC_EXPORT Status beInitStream(const std::uint8_t* config, std::uint32_t* samplesPerChunk,
                                    std::uint32_t* outputBufferSize, StreamHandle* stream) {
    if (!config || !samplesPerChunk || !outputBufferSize || !stream) {
        return kInvalidArgument;
    }
    const Config settings = DecodeConfig(config);
    if (!IsValid(settings)) {
        return kInvalidArgument;
    }
    auto* created = new (std::nothrow) Stream;
    if (!created) {
        return kOutOfMemory;
    }
    created->lame = CreateEncoder(settings);
    if (!created->lame) {
        delete created;
        return kEncoderFailed;
    }
    created->channels = settings.mode == kModeMono ? 1 : 2;
    created->samplesPerChunk = kSamplesPerChannelPerChunk * static_cast<std::uint32_t>(created->channels);
    created->outputBufferSize = WorstCaseOutputBytes(kSamplesPerChannelPerChunk);
    Registry().Add(created);
    *samplesPerChunk = created->samplesPerChunk;
    *outputBufferSize = created->outputBufferSize;
    *stream = reinterpret_cast<StreamHandle>(created);
    return kOk;
}

BLADEENC_EXPORT Status beEncodeChunk(StreamHandle handle, std::uint32_t sampleCount, std::int16_t* samples,
                                     std::uint8_t* output, std::uint32_t* outputBytes) {
    Stream* stream = Registry().Find(handle);
    if (!stream || stream->finished || !output || !outputBytes || (sampleCount > 0 && !samples) ||
        sampleCount > stream->samplesPerChunk || sampleCount % static_cast<std::uint32_t>(stream->channels) != 0) {
        return kInvalidArgument;
    }
    const int frames = static_cast<int>(sampleCount) / stream->channels;
    const int size = static_cast<int>(stream->outputBufferSize);
    const int written = stream->channels == 1
                            ? lame_encode_buffer(stream->lame, samples, samples, frames, output, size)
                            : lame_encode_buffer_interleaved(stream->lame, samples, frames, output, size);
    if (written < 0) {
        return kEncoderFailed;
    }
    *outputBytes = static_cast<std::uint32_t>(written);
    return kOk;
}

BLADEENC_EXPORT Status beDeinitStream(StreamHandle handle, std::uint8_t* output, std::uint32_t* outputBytes) {
    Stream* stream = Registry().Find(handle);
    if (!stream || stream->finished || !output || !outputBytes) {
        return kInvalidArgument;
    }
    const int written = lame_encode_flush(stream->lame, output, static_cast<int>(stream->outputBufferSize));
    if (written < 0) {
        return kEncoderFailed;
    }
    stream->finished = true;
    *outputBytes = static_cast<std::uint32_t>(written);
    return kOk;
}

BLADEENC_EXPORT Status beCloseStream(StreamHandle handle) {
    Stream* stream = Registry().Remove(handle);
    if (!stream) {
        return kInvalidArgument;
    }
    lame_close(stream->lame);
    delete stream;
    return kOk;
}

BLADEENC_EXPORT Status beWriteInfoTag(StreamHandle handle, std::uint8_t* output, std::uint32_t outputSize,
                                      std::uint32_t* outputBytes) {
    Stream* stream = Registry().Find(handle);
    if (!stream || !stream->finished || !output || !outputBytes) {
        return kInvalidArgument;
    }
    const std::size_t needed = lame_get_lametag_frame(stream->lame, output, outputSize);
    if (needed == 0 || needed > outputSize) {
        return kEncoderFailed;
    }
    *outputBytes = static_cast<std::uint32_t>(needed);
    return kOk;
}

BLADEENC_EXPORT Status beVersion(VersionRecord* version) {
    if (!version) {
        return kInvalidArgument;
    }
    std::memset(version, 0, sizeof *version);
    version->interfaceVersion = 1;
    const char* engine = get_lame_short_version();
    int major = 0;
    int minor = 0;
    if (engine && std::sscanf(engine, "%d.%d", &major, &minor) == 2) {
        version->engineMajor = static_cast<std::uint32_t>(major);
        version->engineMinor = static_cast<std::uint32_t>(minor);
    }
    std::snprintf(version->description, sizeof version->description, "Tressel MP3 encoder module over LAME %s",
                  engine ? engine : "?");
    return kOk;
}
