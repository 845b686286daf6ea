#include "mp3dec/frame_header.h"

#include "mp3dec/decoder_stop.h"
#include "mp3dec/tables.h"

namespace mp3dec {

namespace {

constexpr int kReservedLayer = 4;
constexpr int kReservedBitrateIndex = 15;
constexpr int kReservedFrequencyIndex = 3;

bool in_range(int value, int low, int high) {
    return value >= low && value <= high;
}

int table_subband_limit(int table_number) {
    const AllocTableDescription& description = kAllocTables[table_number];
    int limit = 0;
    for (int r = 0; r < description.range_count; ++r) limit += description.ranges[r].subbands;
    return limit;
}

}  // namespace

int bitrate_kbps(int version, int layer, int bitrate_index) {
    if (!in_range(version, 0, 1) || !in_range(layer, 1, 3) || !in_range(bitrate_index, 0, 14)) return 0;
    return kBitrates[version][layer - 1][bitrate_index];
}

double sampling_frequency_khz(int version, int sampling_frequency_index) {
    if (!in_range(version, 0, 1) || !in_range(sampling_frequency_index, 0, 3)) return 0.0;
    return kSamplingFrequencies[version][sampling_frequency_index];
}

int sampling_rate_hz(int version, int sampling_frequency_index) {
    return static_cast<int>(sampling_frequency_khz(version, sampling_frequency_index) * 1000.0);
}

bool is_valid_header(const FrameHeader& header) {
    return in_range(header.layer, 1, 3) && header.bitrate_index != kReservedBitrateIndex &&
           header.sampling_frequency_index != kReservedFrequencyIndex;
}

void read_frame_header(BitReader& reader, FrameHeader& header) {
    header.version = static_cast<int>(read_bits(reader, 1));
    header.layer = kReservedLayer - static_cast<int>(read_bits(reader, 2));
    header.error_protection = read_bits(reader, 1) == 0 ? 1 : 0;
    header.bitrate_index = static_cast<int>(read_bits(reader, 4));
    header.sampling_frequency_index = static_cast<int>(read_bits(reader, 2));
    header.padding = static_cast<int>(read_bits(reader, 1));
    header.extension = static_cast<int>(read_bits(reader, 1));
    header.mode = static_cast<int>(read_bits(reader, 2));
    header.mode_extension = static_cast<int>(read_bits(reader, 2));
    header.copyright = static_cast<int>(read_bits(reader, 1));
    header.original = static_cast<int>(read_bits(reader, 1));
    header.emphasis = static_cast<int>(read_bits(reader, 2));
}

int joint_stereo_bound(int layer, int mode_extension) {
    if (!in_range(layer, 1, 3) || !in_range(mode_extension, 0, 3)) {
        stop_decoder(format_diagnostic(DiagnosticStream::standard_error, "js_bound bad layer/modext (%d/%d)\n", layer,
                                       mode_extension));
    }
    return kJointStereoBounds[layer - 1][mode_extension];
}

void derive_stream_params(StreamParams& params) {
    const FrameHeader& header = *params.header;
    params.actual_mode = header.mode;
    params.channels = header.mode == kSingleChannel ? 1 : 2;
    params.subband_limit = header.layer == 2 ? choose_alloc_table(params) : kSubbands;
    params.joint_stereo_bound =
        header.mode == kJointStereo ? joint_stereo_bound(header.layer, header.mode_extension) : params.subband_limit;
}

int alloc_table_number(const FrameHeader& header, int channels) {
    if (header.version == 0) return 4;
    const int khz = static_cast<int>(sampling_frequency_khz(header.version, header.sampling_frequency_index));
    // A free-format frame states no bitrate; it is coded with the tables of the high rates.
    if (header.bitrate_index == 0) return khz == 48 ? 0 : 1;
    const int per_channel = bitrate_kbps(header.version, header.layer, header.bitrate_index) / channels;
    if ((khz == 48 && per_channel >= 56) || (per_channel >= 56 && per_channel <= 80)) return 0;
    if (khz != 48 && per_channel >= 96) return 1;
    if (khz != 32 && per_channel <= 48) return 2;
    return 3;
}

int choose_alloc_table(StreamParams& params) {
    const int number = alloc_table_number(*params.header, params.channels);
    params.alloc = &loaded_alloc_table(number);
    params.table_number = number;
    // The limit comes from the table itself: a Layer I frame in between may have changed params.subband_limit.
    return table_subband_limit(number);
}

const AllocTable& loaded_alloc_table(int table_number) {
    struct LoadedTables {
        AllocTable table[kAllocTableCount];
        LoadedTables() {
            for (int number = 0; number < kAllocTableCount; ++number) load_alloc_table(number, table[number]);
        }
    };
    static const LoadedTables loaded;
    return loaded.table[table_number];
}

int load_alloc_table(int table_number, AllocTable& table) {
    const AllocTableDescription& description = kAllocTables[table_number];
    int subband = 0;
    for (int r = 0; r < description.range_count; ++r) {
        const AllocSubbandRange& range = description.ranges[r];
        const int indices = 1 << range.allocation_bits;
        for (int s = 0; s < range.subbands; ++s, ++subband) {
            table[subband][0] = AllocEntry{0, range.allocation_bits, 0, 0};
            for (int index = 1; index < indices; ++index) {
                const int quant = range.classes[index - 1];
                const QuantClass& info = kQuantClassInfo[quant];
                table[subband][index] = AllocEntry{info.steps, info.bits, info.grouped ? 1 : 3, quant};
            }
        }
    }
    return subband;
}

}  // namespace mp3dec
