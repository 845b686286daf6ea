#include <unistd.h>

#include <bit>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/AtomicFileWriter.h"
#include "audio/Feedback.h"
#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "cli/TerminalFrameCount.h"
#include "workbench/Arguments.h"
#include "mp3dec/decode_stream.h"
#include "mp3dec/output_queue.h"
#include "mp3dec/wave_header.h"

namespace tressel::cli {
namespace {

// The decoded samples go straight into OUT's temporary file behind a header that is written last, when
// its sizes are known; OUT is replaced only by the complete file.
class WaveFileWriter {
public:
    explicit WaveFileWriter(const std::string& path) : m_writer(path) {}

    bool Open() {
        const std::uint8_t placeholder[mp3dec::kWaveHeaderBytes] = {};
        return m_writer.Open() && m_writer.Write(placeholder, sizeof placeholder);
    }
    void Append(std::span<const std::int16_t> samples) {
        if (m_failed) return;
        if constexpr (std::endian::native == std::endian::little) {
            m_failed = !m_writer.Write(samples.data(), samples.size_bytes());  // already as the file stores them
        } else {
            m_bytes.resize(2 * samples.size());
            mp3dec::store_little_endian(samples, m_bytes.data());
            m_failed = !m_writer.Write(m_bytes.data(), m_bytes.size());
        }
        // Disk writes start while decoding goes on, rather than all at once when the file is committed.
        m_unflushed += samples.size_bytes();
        if (m_unflushed >= kWriteBackBytes) {
            m_writer.StartWriteBack();
            m_unflushed = 0;
        }
    }
    bool Finish(const mp3dec::DecodeSummary& summary) {
        std::uint8_t header[mp3dec::kWaveHeaderBytes];
        mp3dec::store_wave_header(
            mp3dec::wave_header_for(summary.format.channels, summary.format.samples_per_second, summary.sample_frames),
            header);
        return !m_failed && m_writer.WriteAt(0, header, sizeof header) && m_writer.Commit();
    }
    int LastError() const { return m_writer.LastError(); }

private:
    static constexpr std::size_t kWriteBackBytes = 4u << 20;

    AtomicFileWriter m_writer;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_unflushed = 0;
    bool m_failed = false;
};

int ParseThreads(const ParsedArguments& parsed) {
    if (!parsed.Has("--threads")) return mp3dec::decode_thread_count(0);
    int threads = 0;
    RequireValid(ParseWholeNumber(parsed.Value("--threads", ""), "--threads", threads));
    if (threads < 1) throw UsageError{"--threads must be 1 or more"};
    return threads;
}

// The decoder's remarks on its input, as it prints them, for --verbose; otherwise nothing.
mp3dec::DiagnosticFn Remarks(const ConsoleFeedback& feedback) {
    if (feedback.Verbose()) {
        return mp3dec::print_diagnostic;
    }
    return {};
}

int Fail(const std::string& path, const Result& failure, ConsoleFeedback& feedback) {
    std::fflush(stdout);
    return Finish(AboutFile(path, failure), feedback);
}

int RunDecode(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, {{"--threads"}, {"--no-gapless"}}, parsed));
    if (parsed.positionals.size() != 2) {
        throw UsageError{"decode takes an input file and an output WAV file"};
    }
    mp3dec::DecodeSettings settings;
    settings.threads = ParseThreads(parsed);
    settings.gapless = !parsed.Has("--no-gapless");
    const std::string& input = parsed.positionals[0];
    const std::string& output = parsed.positionals[1];

    const Result failed = Result::Failure("Failed to decode MP3 file");
    if (Result kind = CheckAudioKind(input, AudioFileKind::Mp3, failed.FailureText()); !kind) {
        return Fail(input, kind, feedback);
    }
    const mp3dec::DiagnosticFn remarks = Remarks(feedback);
    std::vector<std::uint8_t> image;
    if (!mp3dec::read_whole_file(input, image)) {
        if (remarks) remarks(mp3dec::missing_input_message(input));
        return Fail(input, failed, feedback);
    }
    const mp3dec::StreamBytes stream(image);
    if (remarks) remarks(mp3dec::stream_format_announcement(input, stream.format()));

    WaveFileWriter writer(output);
    if (!writer.Open()) {
        return Fail(output, Result::Failure(FileErrorText(writer.LastError(), output)), feedback);
    }
    mp3dec::DecodeCallbacks callbacks;
    if (isatty(fileno(stderr)) != 0) {
        const FrameCountHooks count = TerminalFrameCount();
        callbacks.progress = count.progress;
        callbacks.expected_frames = count.expectedFrames;
    }
    callbacks.diagnostic = remarks;
    callbacks.pcm = [&writer](std::span<const std::int16_t> samples) { writer.Append(samples); };
    const mp3dec::DecodeSummary summary = mp3dec::decode_stream(stream, settings, callbacks);
    if (summary.result != 0) {
        return Fail(input, failed, feedback);
    }
    if (!writer.Finish(summary)) {
        return Fail(output, Result::Failure(FileErrorText(writer.LastError(), output)), feedback);
    }
    std::fflush(stdout);
    return kSuccess;
}

const CliCommandRegistration registration({
    "decode",
    "decode IN OUT.wav [--threads N] [--no-gapless]",
    "  Decodes an MPEG audio file (Layer I, II or III) into a 16-bit PCM WAV file. --threads sets how many\n"
    "  threads decode it side by side (default: one per processor core; 1 decodes sequentially); the file is\n"
    "  the same for every count. When the encoder's tag states the delay and padding it added, only the\n"
    "  original audio is written; --no-gapless writes every frame's samples.",
    RunDecode,
});

}  // namespace
}  // namespace tressel::cli
