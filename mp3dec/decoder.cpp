#include "mp3dec/decoder.h"

#include <new>
#include <vector>

#include "mp3dec/decode_stream.h"
#include "mp3dec/output_queue.h"

namespace mp3dec {

namespace {

int finish_wave(std::FILE* output, const DecodeSummary& summary) {
    const WaveHeader header =
        wave_header_for(summary.format.channels, summary.format.samples_per_second, summary.sample_frames);
    return write_wave_header(output, header.riff, header.format, header.data);
}

int decode_file(std::FILE* output, const std::string& path, const DecodeProgressFn& progress, int threads,
                bool gapless, const ExpectedFramesFn& expected_frames) {
    std::vector<std::uint8_t> image;
    if (!read_whole_file(path, image)) {
        print_diagnostic(missing_input_message(path));
        return -1;
    }
    const StreamBytes stream(image);
    print_diagnostic(stream_format_announcement(path, stream.format()));
    if (std::fseek(output, kWaveHeaderBytes, SEEK_SET) != 0) return 1;

    PcmOutputQueue queue;
    DecodeCallbacks callbacks;
    callbacks.progress = progress;
    callbacks.diagnostic = print_diagnostic;
    callbacks.expected_frames = expected_frames;
    callbacks.pcm = [&queue, output](std::span<const std::int16_t> samples) {
        queue_pcm_samples(queue, samples, output);
    };
    DecodeSettings settings;
    settings.threads = threads;
    settings.gapless = gapless;
    const DecodeSummary summary = decode_stream(stream, settings, callbacks);
    flush_pcm_queue(queue, output);
    // A decode that had to stop leaves its samples in the file, unannounced.
    if (summary.stopped) return -1;
    if (finish_wave(output, summary) == -1) return 2;
    return summary.result;
}

}  // namespace

int write_wave_header(std::FILE* output, const RiffPart& riff, const FormatPart& format, const DataPart& data) {
    if (std::fseek(output, 0, SEEK_SET) != 0) return -1;
    std::uint8_t bytes[kWaveHeaderBytes];
    store_wave_header({riff, format, data}, bytes);
    std::fwrite(bytes, 1, sizeof bytes, output);
    return 0;
}

int decode_mpeg_audio_to_wave(std::FILE* output, const std::string& path, const DecodeProgressFn& progress,
                              int threads, bool gapless, const ExpectedFramesFn& expected_frames) {
    try {
        return decode_file(output, path, progress, threads, gapless, expected_frames);
    } catch (const std::bad_alloc&) {
        print_diagnostic({DiagnosticStream::standard_output, "Unable to allocate decoder memory\n"});
        return -1;
    }
}

}  // namespace mp3dec

bool DecodeMp3ToWave(const std::string& path, std::FILE* output, const mp3dec::DecodeProgressFn& progress,
                     int threads, bool gapless, const mp3dec::ExpectedFramesFn& expected_frames) {
    const int result = mp3dec::decode_mpeg_audio_to_wave(output, path, progress, threads, gapless, expected_frames);
    // Only a complete decode counts: a file that could not be positioned, a header or sample write that
    // failed would otherwise be loaded as if it were the decoded audio.
    if (result != 0 || std::ferror(output) != 0) return false;
    if (std::fseek(output, 0, SEEK_END) != 0) return false;
    std::rewind(output);
    return true;
}
