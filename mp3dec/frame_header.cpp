#include "mp3dec/frame_header.h"

#include <cmath>

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
    if (!in_range(version, 0, kMpeg25) || !in_range(layer, 1, 3) || !in_range(bitrate_index, 0, 14)) return 0;
    return kBitrates[version == kMpeg25 ? 0 : version][layer - 1][bitrate_index];
}

double sampling_frequency_khz(int version, int sampling_frequency_index) {
    if (!in_range(version, 0, kMpeg25) || !in_range(sampling_frequency_index, 0, 3)) return 0.0;
    return kSamplingFrequencies[version][sampling_frequency_index];
}

int sampling_rate_hz(int version, int sampling_frequency_index) {
    return static_cast<int>(std::lround(sampling_frequency_khz(version, sampling_frequency_index) * 1000.0));
}

int table_version(const FrameHeader& header) {
    return header.mpeg25 != 0 ? kMpeg25 : header.version;
}

int bitrate_kbps(const FrameHeader& header) {
    return bitrate_kbps(table_version(header), header.layer, header.bitrate_index);
}

double sampling_frequency_khz(const FrameHeader& header) {
    return sampling_frequency_khz(table_version(header), header.sampling_frequency_index);
}

int sampling_rate_hz(const FrameHeader& header) {
    return sampling_rate_hz(table_version(header), header.sampling_frequency_index);
}

bool is_valid_header(const FrameHeader& header) {
    const bool version_defined = header.mpeg25 == 0 || (header.version == 0 && header.layer == 3);
    return version_defined && in_range(header.layer, 1, 3) && header.bitrate_index != kReservedBitrateIndex &&
           header.sampling_frequency_index != kReservedFrequencyIndex;
}

FrameHeader header_from_bits(std::uint32_t bits) {
    const auto field = [bits](int shift, unsigned mask) { return static_cast<int>((bits >> shift) & mask); };
    FrameHeader header;
    header.mpeg25 = field(20, 1) == 0 ? 1 : 0;
    header.version = field(19, 1);
    header.layer = kReservedLayer - field(17, 3);
    header.error_protection = field(16, 1) == 0 ? 1 : 0;
    header.bitrate_index = field(12, 15);
    header.sampling_frequency_index = field(10, 3);
    header.padding = field(9, 1);
    header.extension = field(8, 1);
    header.mode = field(6, 3);
    header.mode_extension = field(4, 3);
    header.copyright = field(3, 1);
    header.original = field(2, 1);
    header.emphasis = field(0, 3);
    return header;
}

bool header_bits_are_valid(std::uint32_t bits) {
    return is_valid_header(header_from_bits(bits));
}

void read_frame_header(BitReader& reader, FrameHeader& header) {
    header = header_from_bits(header_bits_after_sync(reader));
    read_bits(reader, kHeaderBitsAfterSync);
}

int frame_samples(const FrameHeader& header) {
    switch (header.layer) {
        case 1: return 384;
        case 2: return 1152;
        default: return header.version == 1 ? 1152 : 576;
    }
}

int frame_slot_bits(const FrameHeader& header) {
    return header.layer == 1 ? 32 : 8;
}

long stated_frame_slots(const FrameHeader& header) {
    const double khz = sampling_frequency_khz(header);
    const int kbps = bitrate_kbps(header);
    if (khz <= 0.0) return 0;
    const auto slots = static_cast<long>(frame_samples(header) / khz * kbps / frame_slot_bits(header));
    return slots + header.padding;
}

bool same_stream_kind(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.mpeg25 == b.mpeg25 && a.layer == b.layer &&
           a.sampling_frequency_index == b.sampling_frequency_index;
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
