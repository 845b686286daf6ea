#include "mp3dec/layer3_reorder.h"

#include <cmath>
#include <cstring>

#include "mp3dec/tables_layer3.h"

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

void alias_reduce(const double input[576], double output[576], const GranuleChannelInfo& info,
                  int nonzero_subbands) {
    std::memcpy(output, input, sizeof(double) * 576);
    if (is_pure_short(info)) return;
    const AliasCoefficients& alias = alias_coefficients();
    int pairs = is_mixed_short(info) ? 1 : 31;
    if (nonzero_subbands < pairs) pairs = nonzero_subbands < 0 ? 0 : nonzero_subbands;
    for (int sb = 0; sb < pairs; ++sb) {
        const double* upper = input + 18 * sb;
        const double* lower = input + 18 * (sb + 1);
        for (int i = 0; i < 8; ++i) {
            const double u = upper[17 - i];
            const double d = lower[i];
            output[18 * sb + 17 - i] = u * alias.cs[i] - d * alias.ca[i];
            output[18 * (sb + 1) + i] = d * alias.cs[i] + u * alias.ca[i];
        }
    }
}

}  // namespace mp3dec
