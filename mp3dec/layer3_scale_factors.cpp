#include "mp3dec/layer3_scale_factors.h"

#include "mp3dec/tables_layer3.h"

namespace mp3dec {
namespace {

int get(MainDataReservoir& reservoir, int bits) {
    return static_cast<int>(reservoir_get_bits(reservoir, bits));
}

void read_short_bands(MainDataReservoir& reservoir, ScaleFactors& sf, int first, int last, int bits) {
    for (int band = first; band <= last; ++band)
        for (int window = 0; window < 3; ++window) sf.short_band[window][band] = get(reservoir, bits);
}

void clear_last_short_band(ScaleFactors& sf) {
    for (int window = 0; window < 3; ++window) sf.short_band[window][12] = 0;
}

int block_kind(const GranuleChannelInfo& info) {
    if (is_pure_short(info)) return 1;
    if (is_mixed_short(info)) return 2;
    return 0;
}

}  // namespace

void read_scale_factors(MainDataReservoir& reservoir, ScaleFactors& sf, const SideInfo& side_info, int granule,
                        int channel) {
    const GranuleChannelInfo& info = side_info.channel[channel].granule[granule];
    const int compress = info.scale_factor_compress & 15;
    const int slen1 = kSlen1[compress];
    const int slen2 = kSlen2[compress];
    if (is_mixed_short(info)) {
        for (int band = 0; band < 8; ++band) sf.long_band[band] = get(reservoir, slen1);
        read_short_bands(reservoir, sf, 3, 5, slen1);
        read_short_bands(reservoir, sf, 6, 11, slen2);
        clear_last_short_band(sf);
        return;
    }
    if (is_pure_short(info)) {
        read_short_bands(reservoir, sf, 0, 5, slen1);
        read_short_bands(reservoir, sf, 6, 11, slen2);
        clear_last_short_band(sf);
        return;
    }
    static constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (granule != 0 && side_info.channel[channel].scale_factor_selection[group]) continue;
        const int bits = group < 2 ? slen1 : slen2;
        for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band)
            sf.long_band[band] = get(reservoir, bits);
    }
    sf.long_band[21] = 0;
}

LsfScaleFactorLayout lsf_scale_factor_layout(int compress, bool intensity_right_channel) {
    LsfScaleFactorLayout layout;
    if (intensity_right_channel) {
        const int c = compress / 2;
        if (c < 180) {
            layout = {{c / 36, (c % 36) / 6, (c % 36) % 6, 0}, 3, 0};
        } else if (c < 244) {
            layout = {{((c - 180) % 64) / 16, ((c - 180) % 16) / 4, (c - 180) % 4, 0}, 4, 0};
        } else if (c < 255) {
            layout = {{(c - 244) / 3, (c - 244) % 3, 0, 0}, 5, 0};
        } else {
            // 510 and 511 lie beyond the last range; no scale factors, grouping of the range before.
            layout = {{0, 0, 0, 0}, 5, 0};
        }
        return layout;
    }
    const int c = compress;
    if (c < 400) {
        layout = {{(c / 16) / 5, (c / 16) % 5, (c % 16) / 4, c % 4}, 0, 0};
    } else if (c < 500) {
        layout = {{((c - 400) / 4) / 5, ((c - 400) / 4) % 5, (c - 400) % 4, 0}, 1, 0};
    } else {
        layout = {{(c - 500) / 3, (c - 500) % 3, 0, 0}, 2, 1};
    }
    return layout;
}

void read_lsf_scale_factors(MainDataReservoir& reservoir, ScaleFactors& sf, SideInfo& side_info, int granule,
                            int channel, const StreamParams& params) {
    GranuleChannelInfo& info = side_info.channel[channel].granule[granule];
    const int extension = params.header->mode_extension;
    const bool intensity_right =
        channel == 1 && params.header->mode == kJointStereo && (extension == 1 || extension == 3);
    const LsfScaleFactorLayout layout = lsf_scale_factor_layout(info.scale_factor_compress & 511, intensity_right);
    info.pre_flag = layout.pre_flag;

    const int kind = block_kind(info);
    int values[45] = {};
    int next = 0;
    for (int partition = 0; partition < 4; ++partition) {
        const int bands = kLsfPartitionBands[layout.grouping][kind][partition];
        for (int band = 0; band < bands && next < 45; ++band, ++next)
            values[next] = layout.lengths[partition] ? get(reservoir, layout.lengths[partition]) : 0;
    }

    next = 0;
    if (kind == 0) {
        for (int band = 0; band < 21; ++band) sf.long_band[band] = values[next++];
        sf.long_band[21] = 0;
    } else {
        // The long part of a mixed block covers lines 0..35: long bands 0..5 at these rates.
        const int first_short = kind == 2 ? 3 : 0;
        if (kind == 2)
            for (int band = 0; band < 6; ++band) sf.long_band[band] = values[next++];
        for (int band = first_short; band < 12; ++band)
            for (int window = 0; window < 3; ++window) sf.short_band[window][band] = values[next++];
    }
    clear_last_short_band(sf);
}

}  // namespace mp3dec
