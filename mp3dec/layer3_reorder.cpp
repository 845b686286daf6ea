#include "mp3dec/layer3_reorder.h"

#include <cmath>
#include <cstring>

#include "mp3dec/tables_layer3.h"
#include "mp3dec/vector_lanes.h"

namespace mp3dec {

void reorder_short_blocks(const double input[576], double output[576], const GranuleChannelInfo& info,
                          const StreamParams& params) {
    if (!has_short_blocks(info)) {
        for (int k = 0; k < 576; ++k) output[k] = input[k];
        return;
    }
    for (int k = 0; k < 576; ++k) output[k] = 0.0;
    const ScaleFactorBands& bands = kScaleFactorBands[band_table_index(*params.header)];
    int first_band = 0;
    if (info.mixed_block) {
        for (int k = 0; k < kMixedLongLines; ++k) output[k] = input[k];
        first_band = 3;
    }
    for (int band = first_band; band < 13; ++band) {
        const int start = 3 * bands.short_start[band];
        const int width = bands.short_start[band + 1] - bands.short_start[band];
        for (int window = 0; window < 3; ++window)
            for (int i = 0; i < width; ++i) output[start + window + 3 * i] = input[start + window * width + i];
    }
}

const AliasCoefficients& alias_coefficients() {
    static const AliasCoefficients coefficients = [] {
        AliasCoefficients result{};
        for (int i = 0; i < 8; ++i) {
            const double c = kAliasCoefficients[i];
            const double root = std::sqrt(1.0 + c * c);
            result.cs[i] = 1.0 / root;
            result.ca[i] = c / root;
        }
        return result;
    }();
    return coefficients;
}

// The 32-byte vectors below never cross a call between translation units (see vector_lanes.h); GCC reports
// the calling convention at the end of the file.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// The butterflies between subbands s and s + 1 for s < pairs, in place: lines 10..17 of s with lines 0..7
// of s + 1, line 17 - i against line i. Each pair touches lines no other pair touches, so working in place
// reads what the input held. Four butterflies at a time, the upper lines reversed into the lanes.
__attribute__((target_clones("avx2", "default"))) void alias_butterflies(double* lines, int pairs,
                                                                         const AliasCoefficients& alias) {
    const Lanes cs_low = load_lanes(alias.cs);
    const Lanes cs_high = load_lanes(alias.cs + 4);
    const Lanes ca_low = load_lanes(alias.ca);
    const Lanes ca_high = load_lanes(alias.ca + 4);
    for (int sb = 0; sb < pairs; ++sb) {
        double* upper = lines + 18 * sb;
        double* lower = upper + 18;
        const Lanes u_low = reversed_lanes(load_lanes(upper + 14));   // lines 17, 16, 15, 14
        const Lanes u_high = reversed_lanes(load_lanes(upper + 10));  // lines 13, 12, 11, 10
        const Lanes d_low = load_lanes(lower);
        const Lanes d_high = load_lanes(lower + 4);
        store_lanes(upper + 14, reversed_lanes(u_low * cs_low - d_low * ca_low));
        store_lanes(upper + 10, reversed_lanes(u_high * cs_high - d_high * ca_high));
        store_lanes(lower, d_low * cs_low + u_low * ca_low);
        store_lanes(lower + 4, d_high * cs_high + u_high * ca_high);
    }
}

}  // namespace

void alias_reduce(const double input[576], double output[576], const GranuleChannelInfo& info,
                  int nonzero_subbands) {
    if (output != input) std::memcpy(output, input, sizeof(double) * 576);
    if (is_pure_short(info)) return;
    int pairs = is_mixed_short(info) ? 1 : 31;
    if (nonzero_subbands < pairs) pairs = nonzero_subbands < 0 ? 0 : nonzero_subbands;
    alias_butterflies(output, pairs, alias_coefficients());
}

}  // namespace mp3dec
