#include "mp3dec/layer3_side_info.h"

#include <cmath>

#include "mp3dec/decoder_stop.h"

namespace mp3dec {
namespace {

int bits(BitReader& reader, int n) {
    return static_cast<int>(read_bits(reader, n));
}

void read_granule_channel(BitReader& reader, GranuleChannelInfo& info, bool mpeg1) {
    info.part2_3_length = bits(reader, 12);
    info.big_values = bits(reader, 9);
    info.global_gain = bits(reader, 8);
    info.scale_factor_compress = bits(reader, mpeg1 ? 4 : 9);
    info.window_switching = bits(reader, 1);
    if (info.window_switching) {
        info.block_type = bits(reader, 2);
        info.mixed_block = bits(reader, 1);
        for (int region = 0; region < 2; ++region) info.table_select[region] = bits(reader, 5);
        info.table_select[2] = 0;
        for (int window = 0; window < 3; ++window) info.subblock_gain[window] = bits(reader, 3);
        if (info.block_type == 0) {
            stop_decoder({DiagnosticStream::standard_output, "Side info bad: block_type == 0 in split block.\n"});
        }
        info.region0_count = info.block_type == 2 && !info.mixed_block ? 8 : 7;
        info.region1_count = 20 - info.region0_count;
    } else {
        for (int region = 0; region < 3; ++region) info.table_select[region] = bits(reader, 5);
        info.region0_count = bits(reader, 4);
        info.region1_count = bits(reader, 3);
        info.block_type = 0;
        info.mixed_block = 0;
        for (int& gain : info.subblock_gain) gain = 0;
    }
    info.pre_flag = mpeg1 ? bits(reader, 1) : 0;
    info.scale_factor_scale = bits(reader, 1);
    info.count1_table_select = bits(reader, 1);
}

}  // namespace

void read_side_info(BitReader& reader, SideInfo& side_info, const StreamParams& params) {
    const bool mpeg1 = params.header->version == 1;
    const int channels = params.channels == 1 ? 1 : 2;
    if (mpeg1) {
        side_info.main_data_begin = bits(reader, 9);
        side_info.private_bits = bits(reader, channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            for (int& flag : side_info.channel[ch].scale_factor_selection) flag = bits(reader, 1);
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < channels; ++ch) read_granule_channel(reader, side_info.channel[ch].granule[gr], true);
    } else {
        side_info.main_data_begin = bits(reader, 8);
        side_info.private_bits = bits(reader, channels == 1 ? 1 : 2);
        for (int ch = 0; ch < channels; ++ch) {
            for (int& flag : side_info.channel[ch].scale_factor_selection) flag = 0;
            read_granule_channel(reader, side_info.channel[ch].granule[0], false);
        }
    }
}

int main_data_byte_count(const StreamParams& params, int free_format_frame_bytes) {
    const FrameHeader& header = *params.header;
    const bool mpeg1 = header.version == 1;
    const bool mono = params.channels == 1;
    const int side_info_bytes = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    int bytes = 0;
    if (header.bitrate_index == 0) {
        // Free format: the driver measured the frame (header included, padding included).
        bytes = free_format_frame_bytes - side_info_bytes;
    } else {
        const double khz = sampling_frequency_khz(header.version, header.sampling_frequency_index);
        if (khz <= 0.0) return 0;
        const int bitrate = bitrate_kbps(header.version, 3, header.bitrate_index);
        int slots = static_cast<int>(std::floor(144.0 * bitrate / khz));
        if (!mpeg1) slots /= 2;
        bytes = slots - side_info_bytes + (header.padding ? 1 : 0);
    }
    bytes -= 4;
    if (header.error_protection) bytes -= 2;
    return bytes > 0 ? bytes : 0;
}

int band_table_index(const FrameHeader& header) {
    const int rate = header.sampling_frequency_index >= 0 && header.sampling_frequency_index <= 2
                         ? header.sampling_frequency_index
                         : 0;
    return (header.version == 1 ? 3 : 0) + rate;
}

}  // namespace mp3dec
