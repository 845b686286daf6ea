#include "mp3dec/decode_stream.h"

#include <memory>
#include <new>
#include <thread>

#include "mp3dec/decoder_stop.h"
#include "mp3dec/frame_loop.h"
#include "mp3dec/output_queue.h"
#include "mp3dec/parallel_decode.h"
#include "mp3dec/wave_header.h"

namespace mp3dec {

namespace {

// About three seconds of audio per chunk: few enough seams that warming up costs little, enough chunks
// that the workers finish close together.
constexpr std::uint32_t kFramesPerChunk = 128;

StreamFormat format_of(const StreamCursor& last) {
    return {last.params.channels == 1 ? 1 : 2,
            sampling_rate_hz(last.header.version, last.header.sampling_frequency_index)};
}

DecodeSummary summarize(const StreamCursor& last, std::uint32_t sample_frames, bool stopped) {
    DecodeSummary summary;
    summary.stopped = stopped;
    summary.frames = last.frame_count;
    summary.sample_frames = sample_frames;
    summary.format = format_of(last);
    summary.result = stopped || last.frame_count == 0 ? -1 : 0;
    return summary;
}

DecodeSummary decode_sequentially(const StreamBytes& stream, const DecodeCallbacks& callbacks) {
    if (callbacks.expected_samples) callbacks.expected_samples(scan_totals(stream).samples);
    auto state = std::make_unique<DecodeState>();
    start_stream(*state, stream);
    DecodeOutput output;
    output.forward = &callbacks;
    state->output = &output;
    bool stopped = false;
    try {
        run_frames(*state, kAllFrames);
    } catch (const DecoderStopped& stop) {
        report_diagnostic(&output, stop.reason);
        stopped = true;
    }
    flush_pcm(&output);
    return summarize(*state, output.sample_frames, stopped);
}

// Boundaries that cut the stream into `count` chunks of nearly equal frame counts.
ChunkBoundaries forced_boundaries(const StreamBytes& stream, int count) {
    const std::uint64_t frames = scan_totals(stream).frames;
    ChunkBoundaries boundaries;
    for (int i = 1; i < count; ++i) {
        const auto boundary =
            static_cast<std::uint32_t>(frames * static_cast<std::uint64_t>(i) / static_cast<std::uint64_t>(count));
        if (boundary > 0 && (boundaries.at.empty() || boundary > boundaries.at.back()))
            boundaries.at.push_back(boundary);
    }
    return boundaries;
}

DecodeSummary decode_chunked(const StreamBytes& stream, const DecodeSettings& settings,
                             const DecodeCallbacks& callbacks) {
    ChunkBoundaries boundaries;
    if (settings.forced_chunks > 0) {
        boundaries = forced_boundaries(stream, settings.forced_chunks);
    } else {
        boundaries.frames_per_chunk = kFramesPerChunk;
    }
    const std::optional<ChunkedDecode> decoded =
        decode_in_chunks(stream, decode_thread_count(settings.threads), boundaries, callbacks);
    if (!decoded) return decode_sequentially(stream, callbacks);  // no threads to be had
    DecodeSummary summary = summarize(*decoded->last, decoded->sample_frames, decoded->stopped);
    summary.chunks = decoded->figures;
    return summary;
}

// Reads the file and announces its form; false (reported) when it cannot be opened.
bool read_input(const std::string& path, std::vector<std::uint8_t>& image, const DiagnosticFn& diagnostic) {
    if (read_whole_file(path, image)) return true;
    if (diagnostic) diagnostic(missing_input_message(path));
    return false;
}

// Decodes an image into a gatherer of samples, announcing the input form first.
template <typename Gather>
DecodeSummary decode_image_into(std::span<const std::uint8_t> image, const std::string& name,
                                const DecodeSettings& settings, const DecodeProgressFn& progress,
                                const DiagnosticFn& diagnostic, Gather& gather) {
    const StreamBytes stream(image);
    if (diagnostic) diagnostic(stream_format_announcement(name, stream.format()));
    DecodeCallbacks callbacks;
    callbacks.progress = progress;
    callbacks.diagnostic = diagnostic;
    callbacks.pcm = [&gather](std::span<const std::int16_t> samples) { gather.append(samples); };
    callbacks.expected_samples = [&gather](std::uint64_t samples) { gather.expect(samples); };
    return decode_stream(stream, settings, callbacks);
}

struct SampleGather {
    std::vector<std::int16_t>& samples;
    void expect(std::uint64_t count) { samples.reserve(static_cast<std::size_t>(count)); }
    void append(std::span<const std::int16_t> more) { samples.insert(samples.end(), more.begin(), more.end()); }
};

struct WaveGather {
    std::vector<std::uint8_t>& image;
    void expect(std::uint64_t count) { image.reserve(kWaveHeaderBytes + 2 * static_cast<std::size_t>(count)); }
    void append(std::span<const std::int16_t> more) {
        const std::size_t at = image.size();
        image.resize(at + 2 * more.size());
        store_little_endian(more, image.data() + at);
    }
};

DecodedWave finish_wave(DecodeSummary summary, std::vector<std::uint8_t>& image) {
    store_wave_header(
        wave_header_for(summary.format.channels, summary.format.samples_per_second, summary.sample_frames),
        image.data());
    return {summary, std::move(image)};
}

}  // namespace

int decode_thread_count(int requested) {
    if (requested > 0) return requested;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

DecodeSummary decode_stream(const StreamBytes& stream, const DecodeSettings& settings,
                            const DecodeCallbacks& callbacks) {
    DecodeSummary summary;
    try {
        summary = decode_thread_count(settings.threads) > 1 ? decode_chunked(stream, settings, callbacks)
                                                            : decode_sequentially(stream, callbacks);
    } catch (const std::bad_alloc&) {
        if (callbacks.diagnostic)
            callbacks.diagnostic({DiagnosticStream::standard_output, "Unable to allocate decoder memory\n"});
        summary = DecodeSummary{};
        summary.stopped = true;
    }
    if (callbacks.progress) callbacks.progress(-1);
    return summary;
}

DecodedAudio decode_image_to_pcm(std::span<const std::uint8_t> image, const std::string& name,
                                 const DecodeSettings& settings, const DecodeProgressFn& progress,
                                 const DiagnosticFn& diagnostic) {
    DecodedAudio decoded;
    SampleGather gather{decoded.samples};
    decoded.summary = decode_image_into(image, name, settings, progress, diagnostic, gather);
    return decoded;
}

DecodedAudio decode_file_to_pcm(const std::string& path, const DecodeSettings& settings,
                                const DecodeProgressFn& progress, const DiagnosticFn& diagnostic) {
    std::vector<std::uint8_t> image;
    if (!read_input(path, image, diagnostic)) return {};
    return decode_image_to_pcm(image, path, settings, progress, diagnostic);
}

DecodedWave decode_image_to_wave(std::span<const std::uint8_t> image, const std::string& name,
                                 const DecodeSettings& settings, const DecodeProgressFn& progress,
                                 const DiagnosticFn& diagnostic) {
    std::vector<std::uint8_t> wave(kWaveHeaderBytes);
    WaveGather gather{wave};
    const DecodeSummary summary = decode_image_into(image, name, settings, progress, diagnostic, gather);
    return finish_wave(summary, wave);
}

DecodedWave decode_file_to_wave(const std::string& path, const DecodeSettings& settings,
                                const DecodeProgressFn& progress, const DiagnosticFn& diagnostic) {
    std::vector<std::uint8_t> image;
    if (!read_input(path, image, diagnostic)) return {};
    return decode_image_to_wave(image, path, settings, progress, diagnostic);
}

}  // namespace mp3dec
