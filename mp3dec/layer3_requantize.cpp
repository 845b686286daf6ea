#include "mp3dec/layer3_requantize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "mp3dec/tables_layer3.h"
#include "mp3dec/vector_lanes.h"

namespace mp3dec {
namespace {

constexpr std::int32_t kLargestMagnitude = 15 + 8191;

const double* four_thirds_table() {
    static const std::vector<double> table = [] {
        std::vector<double> values(kLargestMagnitude + 1);
        for (std::int32_t q = 0; q <= kLargestMagnitude; ++q) values[q] = std::pow(static_cast<double>(q), 4.0 / 3.0);
        return values;
    }();
    return table.data();
}

// Powers of two that the scaling takes, each as std::pow gives it for the same argument, looked up rather
// than computed again for every band.
struct PowersOfTwo {
    static constexpr int kScaleSteps = 64;  // scale factor plus pre-emphasis, for either scale-factor scale
    double global[256];                     // 2^(0.25 (global gain - 210))
    double subblock[8];                     // 2^(-2 subblock gain)
    double scale[2][kScaleSteps];           // 2^(-0.5 (1 + scale-factor scale) n)

    PowersOfTwo() {
        for (int g = 0; g < 256; ++g) global[g] = std::pow(2.0, 0.25 * (g - 210.0));
        for (int g = 0; g < 8; ++g) subblock[g] = std::pow(2.0, -2.0 * g);
        for (int sfs = 0; sfs < 2; ++sfs)
            for (int n = 0; n < kScaleSteps; ++n) scale[sfs][n] = std::pow(2.0, -0.5 * (1.0 + sfs) * n);
    }
};

const PowersOfTwo& powers_of_two() {
    static const PowersOfTwo powers;
    return powers;
}

double global_gain_factor(int global_gain) {
    if (global_gain >= 0 && global_gain < 256) return powers_of_two().global[global_gain];
    return std::pow(2.0, 0.25 * (global_gain - 210.0));
}

double scale_power(int scale_factor_scale, int steps) {
    if ((scale_factor_scale == 0 || scale_factor_scale == 1) && steps >= 0 && steps < PowersOfTwo::kScaleSteps)
        return powers_of_two().scale[scale_factor_scale][steps];
    return std::pow(2.0, -0.5 * (1.0 + scale_factor_scale) * steps);
}

double subblock_power(int gain) {
    if (gain >= 0 && gain < 8) return powers_of_two().subblock[gain];
    return std::pow(2.0, -2.0 * gain);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// output[k] = factor * |q|^(4/3) with the sign of q for lines begin..end - 1, four lines at a time where
// every magnitude is in the table. Negating is exact, so the lanes give what the scalar rule gives.
__attribute__((target_clones("avx2", "default"))) void scale_lines(const std::int32_t* quantized, double* output,
                                                                   int begin, int end, double factor,
                                                                   const double* four_thirds) {
    const Lanes factors = {factor, factor, factor, factor};
    int k = begin;
    for (; k + 4 <= end; k += 4) {
        std::int32_t magnitude[4];
        bool in_table = true;
        for (int i = 0; i < 4; ++i) {
            const std::int32_t q = quantized[k + i];
            magnitude[i] = q < 0 ? -q : q;
            in_table = in_table && magnitude[i] <= kLargestMagnitude;
        }
        if (!in_table) break;
        const Lanes powers = {four_thirds[magnitude[0]], four_thirds[magnitude[1]], four_thirds[magnitude[2]],
                              four_thirds[magnitude[3]]};
        const LaneMask negative = {quantized[k] < 0 ? -1 : 0, quantized[k + 1] < 0 ? -1 : 0,
                                   quantized[k + 2] < 0 ? -1 : 0, quantized[k + 3] < 0 ? -1 : 0};
        const Lanes values = factors * powers;
        store_lanes(output + k, negative ? -values : values);
    }
    for (; k < end; ++k) {
        const std::int32_t q = quantized[k];
        const std::int32_t magnitude = q < 0 ? -q : q;
        const double value = factor * (magnitude <= kLargestMagnitude
                                           ? four_thirds[magnitude]
                                           : std::pow(static_cast<double>(magnitude), 4.0 / 3.0));
        output[k] = q < 0 ? -value : value;
    }
}

#pragma GCC diagnostic pop

double long_factor(double global, const ScaleFactors& sf, const GranuleChannelInfo& info, int band) {
    const int pre = band < 22 ? kPreEmphasis[band] : 0;
    const int scale = band < 23 ? sf.long_band[band] : 0;
    return global * scale_power(info.scale_factor_scale, scale + info.pre_flag * pre);
}

double short_factor(double global, const ScaleFactors& sf, const GranuleChannelInfo& info, int band, int window) {
    const double gain = global * subblock_power(info.subblock_gain[window]);
    return gain * scale_power(info.scale_factor_scale, sf.short_band[window][band]);
}

}  // namespace

double power_four_thirds(std::int32_t magnitude) {
    return four_thirds_table()[magnitude];
}

void requantize_samples(const std::int32_t quantized[576], double output[576], const ScaleFactors& sf,
                        const GranuleChannelInfo& info, const StreamParams& params, int nonzero_end) {
    const double* four_thirds = four_thirds_table();
    const ScaleFactorBands& bands = kScaleFactorBands[band_table_index(*params.header)];
    const double global = global_gain_factor(info.global_gain);
    const int end = nonzero_end < 0 ? 0 : (nonzero_end > 576 ? 576 : nonzero_end);

    // Long bands: everything for long blocks, the first 36 lines of a mixed block.
    const int long_end = !has_short_blocks(info) ? end : (info.mixed_block ? std::min(end, kMixedLongLines) : 0);
    for (int band = 0; band < 22 && bands.long_start[band] < long_end; ++band) {
        const int begin = bands.long_start[band];
        const int stop = std::min(bands.long_start[band + 1], long_end);
        scale_lines(quantized, output, begin, stop, long_factor(global, sf, info, band), four_thirds);
    }

    // Short bands: three windows of `width` lines each, one after the other.
    if (has_short_blocks(info)) {
        const int first_band = info.mixed_block ? 3 : 0;
        for (int band = first_band; band < 13; ++band) {
            const int width = bands.short_start[band + 1] - bands.short_start[band];
            const int start = 3 * bands.short_start[band];
            if (start >= end) break;
            for (int window = 0; window < 3; ++window) {
                const int begin = start + window * width;
                const int stop = std::min(begin + width, end);
                if (begin >= stop) break;
                scale_lines(quantized, output, begin, stop, short_factor(global, sf, info, band, window), four_thirds);
            }
        }
    }
    for (int k = end; k < 576; ++k) output[k] = 0.0;
}

}  // namespace mp3dec
