#include "mp3dec/decode_stream.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
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
            sampling_rate_hz(last.header)};
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

// Hands on only the samples inside the window, counted per channel from the first decoded.
class GaplessTrim {
public:
    GaplessTrim(const GaplessWindow& window, int channels, PcmSinkFn sink)
        : m_begin(window.begin * static_cast<std::uint64_t>(channels)),
          m_end(window.end * static_cast<std::uint64_t>(channels)),
          m_channels(static_cast<std::uint64_t>(channels)),
          m_sink(std::move(sink)) {}

    void take(std::span<const std::int16_t> samples) {
        const std::uint64_t first = m_seen;
        m_seen += samples.size();
        const std::uint64_t from = std::max(first, m_begin);
        const std::uint64_t to = std::min(m_seen, m_end);
        if (from >= to) return;
        m_kept += to - from;
        if (m_sink) {
            m_sink(samples.subspan(static_cast<std::size_t>(from - first), static_cast<std::size_t>(to - from)));
        }
    }
    std::uint32_t kept_sample_frames() const { return static_cast<std::uint32_t>(m_kept / m_channels); }

private:
    std::uint64_t m_begin;
    std::uint64_t m_end;
    std::uint64_t m_channels;
    PcmSinkFn m_sink;
    std::uint64_t m_seen = 0;
    std::uint64_t m_kept = 0;
};

std::optional<GaplessTrim> gapless_trim_for(const StreamBytes& stream, const PcmSinkFn& sink) {
    const std::optional<LeadingTag> leading = find_leading_tag(stream);
    if (!leading) return std::nullopt;
    const std::optional<GaplessWindow> window = gapless_window(leading->tag, frame_samples(leading->header));
    if (!window) return std::nullopt;
    return GaplessTrim(*window, leading->header.mode == kSingleChannel ? 1 : 2, sink);
}

DecodeSummary decode_sequentially(const StreamBytes& stream, const DecodeCallbacks& callbacks) {
    if (callbacks.expected_samples || callbacks.expected_frames) announce_totals(scan_totals(stream), callbacks);
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
                                const DiagnosticFn& diagnostic, Gather& gather,
                                const ExpectedFramesFn& expected_frames = {}) {
    const StreamBytes stream(image);
    if (diagnostic) diagnostic(stream_format_announcement(name, stream.format()));
    DecodeCallbacks callbacks;
    callbacks.progress = progress;
    callbacks.diagnostic = diagnostic;
    callbacks.pcm = [&gather](std::span<const std::int16_t> samples) { gather.append(samples); };
    callbacks.expected_samples = [&gather](std::uint64_t samples) { gather.expect(samples); };
    callbacks.expected_frames = expected_frames;
    return decode_stream(stream, settings, callbacks);
}

struct SampleGather {
    std::vector<std::int16_t>& samples;
    void expect(std::uint64_t count) { samples.reserve(static_cast<std::size_t>(count)); }
    void append(std::span<const std::int16_t> more) { samples.insert(samples.end(), more.begin(), more.end()); }
};

struct WaveGather {
    WaveBytes& image;
    std::size_t size = 0;

    explicit WaveGather(WaveBytes& bytes) : image(bytes), size(kWaveHeaderBytes) { image.resize(size); }
    void expect(std::uint64_t count) { image.reserve(kWaveHeaderBytes + 2 * static_cast<std::size_t>(count)); }
    void append(std::span<const std::int16_t> more) {
        std::uint8_t* first = image.resize(size + 2 * more.size());
        store_little_endian(more, first + size);
        size += 2 * more.size();
    }
    void finish(const DecodeSummary& summary) {
        store_wave_header(
            wave_header_for(summary.format.channels, summary.format.samples_per_second, summary.sample_frames),
            image.resize(size));
    }
};

DecodeSummary decode_image_into_wave(std::span<const std::uint8_t> image, const std::string& name,
                                     const DecodeSettings& settings, const DecodeProgressFn& progress,
                                     const DiagnosticFn& diagnostic, WaveBytes& wave,
                                     const ExpectedFramesFn& expected_frames = {}) {
    WaveGather gather(wave);
    const DecodeSummary summary =
        decode_image_into(image, name, settings, progress, diagnostic, gather, expected_frames);
    gather.finish(summary);
    return summary;
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
        std::optional<GaplessTrim> trim = settings.gapless ? gapless_trim_for(stream, callbacks.pcm) : std::nullopt;
        DecodeCallbacks trimmed = callbacks;
        if (trim) trimmed.pcm = [&trim](std::span<const std::int16_t> samples) { trim->take(samples); };
        summary = decode_thread_count(settings.threads) > 1 ? decode_chunked(stream, settings, trimmed)
                                                            : decode_sequentially(stream, trimmed);
        if (trim) summary.sample_frames = trim->kept_sample_frames();
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
    DecodedWave decoded;
    WaveBytesIn<std::vector<std::uint8_t>> bytes(decoded.image);
    decoded.summary = decode_image_into_wave(image, name, settings, progress, diagnostic, bytes);
    return decoded;
}

DecodedWave decode_file_to_wave(const std::string& path, const DecodeSettings& settings,
                                const DecodeProgressFn& progress, const DiagnosticFn& diagnostic) {
    DecodedWave decoded;
    WaveBytesIn<std::vector<std::uint8_t>> bytes(decoded.image);
    decoded.summary = decode_file_into_wave(path, settings, progress, diagnostic, bytes);
    return decoded;
}

DecodeSummary decode_file_into_wave(const std::string& path, const DecodeSettings& settings,
                                    const DecodeProgressFn& progress, const DiagnosticFn& diagnostic, WaveBytes& wave,
                                    const ExpectedFramesFn& expected_frames) {
    std::vector<std::uint8_t> image;
    if (!read_input(path, image, diagnostic)) return {};
    return decode_image_into_wave(image, path, settings, progress, diagnostic, wave, expected_frames);
}

}  // namespace mp3dec
