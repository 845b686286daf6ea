#include "mp3dec/decoder.h"

#include <cstdio>
#include <memory>
#include <new>

#include "mp3dec/decoder_state.h"
#include "mp3dec/decoder_stop.h"
#include "mp3dec/diagnostics.h"
#include "mp3dec/free_format.h"
#include "mp3dec/layer12_frame.h"
#include "mp3dec/leading_tag.h"
#include "mp3dec/layer3.h"

namespace mp3dec {

namespace {

constexpr long kWaveHeaderBytes = 44;
constexpr int kHeaderBitsAfterSync = 20;

// Finds the next sync word followed by a header without reserved values; a sync word that leads a
// reserved header is passed over and the search resumes inside it.
int find_frame(BitReader& reader) {
    while (find_sync(reader, kSyncWord, kSyncWordWidth) != 0) {
        if (header_bits_are_valid(peek_bits(reader, kHeaderBitsAfterSync))) return 1;
        rewind_to_byte_start(reader);
    }
    return 0;
}

void account_frame_bits(DecodeState& state) {
    const std::uint32_t frame_bits = bits_consumed(state.reader) - state.bits_up_to_sync;
    if (state.frame_count > 0 && state.bits_per_slot > 0 &&
        frame_bits % static_cast<std::uint32_t>(state.bits_per_slot) != 0) {
        const auto per_slot = static_cast<std::uint32_t>(state.bits_per_slot);
        diagnostic(DiagnosticStream::error, "Got %ld bits = %ld slots plus %ld\n", static_cast<long>(frame_bits),
                     static_cast<long>(frame_bits / per_slot), static_cast<long>(frame_bits % per_slot));
    }
    state.bits_up_to_sync += frame_bits;
}

void decode_frame_body(DecodeState& state) {
    switch (state.header.layer) {
        case 1:
            state.bits_per_slot = 32;
            state.samples_per_frame = 384;
            decode_layer1_frame(state);
            break;
        case 2:
            state.bits_per_slot = 8;
            state.samples_per_frame = 1152;
            decode_layer2_frame(state);
            break;
        case 3:
            state.bits_per_slot = 8;
            state.samples_per_frame = state.header.version == 1 ? 1152 : 576;
            decode_layer3_frame(state);
            break;
        default:
            break;
    }
}

// Slots of the current frame, padding included; 0 when the length is unknown.
long frame_slots(const DecodeState& state) {
    const FrameHeader& header = state.header;
    if (header.bitrate_index == 0) return state.free_format_frame_bytes * 8L / state.bits_per_slot;
    const double khz = sampling_frequency_khz(header.version, header.sampling_frequency_index);
    const int kbps = bitrate_kbps(header.version, header.layer, header.bitrate_index);
    const auto slots = static_cast<long>(state.samples_per_frame / khz * kbps / state.bits_per_slot);
    return slots + header.padding;
}

// Reads past the ancillary data so that the reader stands on the next frame's sync word.
void skip_ancillary_data(DecodeState& state) {
    if (state.bits_per_slot == 0) return;
    const long read_in_frame = static_cast<long>(bits_consumed(state.reader) - state.bits_up_to_sync) + kSyncWordWidth;
    long remaining = frame_slots(state) * state.bits_per_slot - read_in_frame;
    while (remaining > 0 && !at_end_of_stream(state.reader)) {
        const int chunk = remaining > 32 ? 32 : static_cast<int>(remaining);
        read_bits(state.reader, chunk);
        remaining -= chunk;
    }
}

void decode_one_frame(DecodeState& state, const DecodeProgressFn& progress) {
    read_frame_header(state.reader, state.header);
    derive_stream_params(state.params);
    state.granules_per_frame = state.header.version == 1 ? 2 : 1;
    state.free_format_frame_bytes = state.header.bitrate_index == 0 ? measure_free_format_frame(state) : 0;
    if (progress) {
        if (state.frame_count == 0) progress(0);  // opens the progress display
        progress(static_cast<int>(state.frame_count));
    }
    ++state.frame_count;
    if (state.header.error_protection != 0) state.layer12.crc_word = read_crc_word(state.reader);
    decode_frame_body(state);
    skip_ancillary_data(state);
}

void run_frame_loop(DecodeState& state, const DecodeProgressFn& progress) {
    while (!at_end_of_stream(state.reader)) {
        const int found = find_frame(state.reader);
        account_frame_bits(state);
        if (found == 0) break;
        decode_one_frame(state, progress);
    }
    flush_pcm_queue(state.queue, state.output);
}

std::uint32_t little_endian_bytes_written(std::FILE* output, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFFu), output);
    return value;
}

void write_tag(std::FILE* output, const char* tag) {
    std::fwrite(tag, 1, 4, output);
}

int finish_wave(DecodeState& state) {
    const int channels = state.params.channels == 1 ? 1 : 2;
    FormatPart format;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samples_per_second =
        static_cast<std::uint32_t>(sampling_rate_hz(state.header.version, state.header.sampling_frequency_index));
    format.block_align = static_cast<std::uint16_t>(channels == 1 ? 2 : 4);
    format.bytes_per_second = format.samples_per_second * format.block_align;
    DataPart data;
    data.data_size = format.block_align * state.sample_frames;
    RiffPart riff;
    riff.riff_size = data.data_size + 36;
    return write_wave_header(state.output, riff, format, data);
}

}  // namespace

DecodeState::~DecodeState() {
    bit_reader_close(reader);
    bit_reader_close(lookahead);
    release_alloc_table(params);
}

int write_wave_header(std::FILE* output, const RiffPart& riff, const FormatPart& format, const DataPart& data) {
    if (std::fseek(output, 0, SEEK_SET) != 0) return -1;
    write_tag(output, "RIFF");
    little_endian_bytes_written(output, riff.riff_size, 4);
    write_tag(output, "WAVE");
    write_tag(output, "fmt ");
    little_endian_bytes_written(output, 16, 4);
    little_endian_bytes_written(output, format.format_tag, 2);
    little_endian_bytes_written(output, format.channels, 2);
    little_endian_bytes_written(output, format.samples_per_second, 4);
    little_endian_bytes_written(output, format.bytes_per_second, 4);
    little_endian_bytes_written(output, format.block_align, 2);
    little_endian_bytes_written(output, format.bits_per_sample, 2);
    write_tag(output, "data");
    little_endian_bytes_written(output, data.data_size, 4);
    return 0;
}

int decode_mpeg_audio_to_wave(std::FILE* output, const std::string& path, const DecodeProgressFn& progress) {
    std::unique_ptr<DecodeState> state(new (std::nothrow) DecodeState);
    if (!state) {
        diagnostic(DiagnosticStream::output, "Unable to allocate %s\n", "decoder state");
        return -1;
    }
    bool progress_started = false;
    try {
        state->output = output;
        state->path = path;
        bit_reader_open(state->reader, path, kReaderBufferSize);
        if (std::fseek(output, kWaveHeaderBytes, SEEK_SET) != 0) return 1;
        progress_started = true;
        skip_leading_tag(state->reader, path);
        run_frame_loop(*state, progress);
    } catch (const DecoderStopped&) {
        // The condition has been printed; what was decoded so far stays in the file, unannounced.
        flush_pcm_queue(state->queue, output);
        if (progress_started && progress) progress(-1);
        return -1;
    } catch (const std::bad_alloc&) {
        diagnostic(DiagnosticStream::output, "Unable to allocate %s\n", "decoder memory");
        if (progress_started && progress) progress(-1);
        return -1;
    }
    if (progress) progress(-1);
    if (finish_wave(*state) == -1) return 2;
    return state->frame_count == 0 ? -1 : 0;
}

}  // namespace mp3dec

bool DecodeMp3ToWave(const std::string& path, std::FILE* output, const mp3dec::DecodeProgressFn& progress) {
    const int result = mp3dec::decode_mpeg_audio_to_wave(output, path, progress);
    // Only a complete decode counts: a file that could not be positioned, a header or sample write that
    // failed would otherwise be loaded as if it were the decoded audio.
    if (result != 0 || std::ferror(output) != 0) return false;
    if (std::fseek(output, 0, SEEK_END) != 0) return false;
    std::rewind(output);
    return true;
}
