#include "mp3dec/layer3_requantize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "mp3dec/tables_layer3.h"

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

// The band a line belongs to and how it is scaled.
struct BandRun {
    int end = 0;            // first line after the run
    double factor = 0.0;    // gain of every line of the run
};

void scale_lines(const std::int32_t* quantized, double* output, int begin, int end, double factor,
                 const double* four_thirds) {
    for (int k = begin; k < end; ++k) {
        const std::int32_t q = quantized[k];
        const std::int32_t magnitude = q < 0 ? -q : q;
        const double value = factor * (magnitude <= kLargestMagnitude
                                           ? four_thirds[magnitude]
                                           : std::pow(static_cast<double>(magnitude), 4.0 / 3.0));
        output[k] = q < 0 ? -value : value;
    }
}

double long_factor(double global, const ScaleFactors& sf, const GranuleChannelInfo& info, int band) {
    const int pre = band < 22 ? kPreEmphasis[band] : 0;
    const int scale = band < 23 ? sf.long_band[band] : 0;
    return global * std::pow(2.0, -0.5 * (1.0 + info.scale_factor_scale) * (scale + info.pre_flag * pre));
}

double short_factor(double global, const ScaleFactors& sf, const GranuleChannelInfo& info, int band, int window) {
    const double gain = global * std::pow(2.0, -2.0 * info.subblock_gain[window]);
    return gain * std::pow(2.0, -0.5 * (1.0 + info.scale_factor_scale) * sf.short_band[window][band]);
}

}  // namespace

double power_four_thirds(std::int32_t magnitude) {
    return four_thirds_table()[magnitude];
}

void requantize_samples(const std::int32_t quantized[576], double output[576], const ScaleFactors& sf,
                        const GranuleChannelInfo& info, const StreamParams& params, int nonzero_end) {
    const double* four_thirds = four_thirds_table();
    const ScaleFactorBands& bands = kScaleFactorBands[band_table_index(*params.header)];
    const double global = std::pow(2.0, 0.25 * (info.global_gain - 210.0));
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
