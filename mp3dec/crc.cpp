#include "mp3dec/crc.h"

namespace mp3dec {

namespace {
constexpr unsigned kGenerator = 0x8005;

int coded_channels(const StreamParams& params, int subband) {
    return subband < params.joint_stereo_bound ? params.channels : 1;
}
}  // namespace

void crc16_update(unsigned value, int width, unsigned& crc) {
    for (int bit = width - 1; bit >= 0; --bit) {
        const unsigned data_bit = (value >> bit) & 1u;
        const unsigned shifted_out = (crc >> 15) & 1u;
        crc = (crc << 1) & 0xFFFFu;
        if (shifted_out != data_bit) crc ^= kGenerator;
    }
    crc &= 0xFFFFu;
}

unsigned header_crc(const FrameHeader& header) {
    unsigned crc = kCrcInitial;
    crc16_update(static_cast<unsigned>(header.bitrate_index), 4, crc);
    crc16_update(static_cast<unsigned>(header.sampling_frequency_index), 2, crc);
    crc16_update(static_cast<unsigned>(header.padding), 1, crc);
    crc16_update(static_cast<unsigned>(header.extension), 1, crc);
    crc16_update(static_cast<unsigned>(header.mode), 2, crc);
    crc16_update(static_cast<unsigned>(header.mode_extension), 2, crc);
    crc16_update(static_cast<unsigned>(header.copyright), 1, crc);
    crc16_update(static_cast<unsigned>(header.original), 1, crc);
    crc16_update(static_cast<unsigned>(header.emphasis), 2, crc);
    return crc;
}

unsigned layer1_crc(const StreamParams& params, const int allocation[kMaxChannels][32]) {
    unsigned crc = header_crc(*params.header);
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < coded_channels(params, sb); ++ch) {
            crc16_update(static_cast<unsigned>(allocation[ch][sb]), 4, crc);
        }
    }
    return crc;
}

unsigned layer2_crc(const StreamParams& params, const int allocation[kMaxChannels][32],
                    const int scale_selection[kMaxChannels][32]) {
    unsigned crc = header_crc(*params.header);
    const AllocTable& table = *params.alloc;
    for (int sb = 0; sb < params.subband_limit; ++sb) {
        for (int ch = 0; ch < coded_channels(params, sb); ++ch) {
            crc16_update(static_cast<unsigned>(allocation[ch][sb]), table[sb][0].bits, crc);
        }
    }
    for (int sb = 0; sb < params.subband_limit; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) {
            if (allocation[ch][sb] != 0) crc16_update(static_cast<unsigned>(scale_selection[ch][sb]), 2, crc);
        }
    }
    return crc;
}

}  // namespace mp3dec
