#include "mp3dec/layer3_stereo.h"

#include <cmath>
#include <cstring>

#include "mp3dec/tables_layer3.h"
#include "mp3dec/vector_lanes.h"

namespace mp3dec {
namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kMiddleSideScale = 0.707106782373095;

void set_positions(std::int16_t positions[576], int begin, int end, int value) {
    for (int k = begin; k < end && k < 576; ++k) positions[k] = static_cast<std::int16_t>(value);
}

// Intensity stereo codes the bands above the right channel's last non-zero line; a right channel that is
// zero throughout leaves every band to it, band 0 included, as in short blocks.
void long_block_positions(const double right[576], const ScaleFactors& sf, const ScaleFactorBands& bands,
                          std::int16_t positions[576]) {
    int last = 575;
    while (last >= 0 && right[last] == 0.0) --last;
    int band = 0;
    while (band < 22 && bands.long_start[band] <= last) ++band;
    for (; band <= 20; ++band)
        set_positions(positions, bands.long_start[band], bands.long_start[band + 1], sf.long_band[band]);
    // Band 21 has no scale factor of its own: it follows the start of band 20.
    set_positions(positions, bands.long_start[21], 576, positions[bands.long_start[20]]);
}

// Short bands of every window from the first band above the highest one with non-zero right values
// (searching down to `lowest_band`); returns the largest starting band over the windows.
int short_block_positions(const double right[576], const ScaleFactors& sf, const ScaleFactorBands& bands,
                          int lowest_band, std::int16_t positions[576]) {
    int largest_start = 0;
    for (int window = 0; window < 3; ++window) {
        int start = lowest_band;
        for (int band = 12; band >= lowest_band; --band) {
            const int width = bands.short_start[band + 1] - bands.short_start[band];
            const int first = 3 * bands.short_start[band] + window * width;
            bool nonzero = false;
            for (int k = first; k < first + width; ++k) nonzero = nonzero || right[k] != 0.0;
            if (nonzero) {
                start = band + 1;
                break;
            }
        }
        if (start > largest_start) largest_start = start;
        for (int band = start; band < 12; ++band) {
            const int width = bands.short_start[band + 1] - bands.short_start[band];
            const int first = 3 * bands.short_start[band] + window * width;
            set_positions(positions, first, first + width, sf.short_band[window][band]);
        }
        const int width11 = bands.short_start[12] - bands.short_start[11];
        const int first11 = 3 * bands.short_start[11] + window * width11;
        const int width12 = bands.short_start[13] - bands.short_start[12];
        const int first12 = 3 * bands.short_start[12] + window * width12;
        set_positions(positions, first12, first12 + width12, positions[first11]);
    }
    return largest_start;
}

void mixed_long_positions(const double right[576], const ScaleFactors& sf, const ScaleFactorBands& bands,
                          std::int16_t positions[576]) {
    int last = -1;
    for (int k = 53; k >= 0; --k)
        if (right[k] != 0.0) {
            last = k;
            break;
        }
    int band = 0;
    while (band < 22 && bands.long_start[band] <= last) ++band;
    // The long part of a mixed block ends at line 36 (band 8 at MPEG-1 rates, band 6 at MPEG-2 rates).
    for (; band < 22 && bands.long_start[band] < kMixedLongLines; ++band)
        set_positions(positions, bands.long_start[band], bands.long_start[band + 1], sf.long_band[band]);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Left (M + S) x scale and right (M - S) x scale for all 576 lines, four at a time.
__attribute__((target_clones("avx2", "default"))) void middle_side_lines(const double* middle, const double* side,
                                                                         double* left, double* right) {
    const Lanes scale = {kMiddleSideScale, kMiddleSideScale, kMiddleSideScale, kMiddleSideScale};
    for (int k = 0; k < 576; k += 4) {
        const Lanes m = load_lanes(middle + k);
        const Lanes s = load_lanes(side + k);
        store_lanes(left + k, (m + s) * scale);
        store_lanes(right + k, (m - s) * scale);
    }
}

#pragma GCC diagnostic pop

}  // namespace

void intensity_positions(const double right[576], const ScaleFactors& sf, const GranuleChannelInfo& info,
                         const StreamParams& params, std::int16_t positions[576]) {
    const ScaleFactorBands& bands = kScaleFactorBands[band_table_index(*params.header)];
    for (int k = 0; k < 576; ++k) positions[k] = kNoIntensity;
    if (is_pure_short(info)) {
        short_block_positions(right, sf, bands, 0, positions);
    } else if (is_mixed_short(info)) {
        const int largest_start = short_block_positions(right, sf, bands, 3, positions);
        if (largest_start <= 3) mixed_long_positions(right, sf, bands, positions);
    } else {
        long_block_positions(right, sf, bands, positions);
    }
}

void process_stereo(const double input[2][576], double output[2][576], const ScaleFactors scale_factors[2],
                    const GranuleChannelInfo& info, const GranuleChannelInfo& right_info,
                    const StreamParams& params) {
    if (params.channels != 2) {
        std::memcpy(output[0], input[0], sizeof(double) * 576);
        return;
    }
    const FrameHeader& header = *params.header;
    const bool joint = header.mode == kJointStereo;
    const bool middle_side = joint && (header.mode_extension & 2);
    const bool intensity = joint && (header.mode_extension & 1);
    const bool mpeg1 = header.version == 1;

    if (!intensity) {
        // Every line has position 7: middle/side or a plain copy throughout.
        if (middle_side) {
            middle_side_lines(input[0], input[1], output[0], output[1]);
        } else {
            std::memcpy(output[0], input[0], sizeof(double) * 576);
            std::memcpy(output[1], input[1], sizeof(double) * 576);
        }
        return;
    }
    std::int16_t positions[576];
    intensity_positions(input[1], scale_factors[1], info, params, positions);

    const double io = (right_info.scale_factor_compress & 1) ? 0.707106781188 : 0.840896415256;
    for (int k = 0; k < 576; ++k) {
        const int p = positions[k];
        bool combined = false;
        if (p != kNoIntensity) {
            const double v = input[0][k];
            if (mpeg1) {
                const double ratio = std::tan(p * kPi / 12);
                // Positions 8..15 cannot be coded sensibly; one of them makes 1 + ratio vanish.
                if (1.0 + ratio != 0.0) {
                    output[0][k] = v * ratio / (1 + ratio);
                    output[1][k] = v * 1 / (1 + ratio);
                    combined = true;
                }
            } else {
                double left = 1.0;
                double right = 1.0;
                if (p & 1) {
                    left = std::pow(io, (p + 1) / 2);
                } else if (p != 0) {
                    right = std::pow(io, p / 2);
                }
                output[0][k] = v * left;
                output[1][k] = v * right;
                combined = true;
            }
        }
        if (combined) continue;
        if (middle_side) {
            const double m = input[0][k];
            const double s = input[1][k];
            output[0][k] = (m + s) * kMiddleSideScale;
            output[1][k] = (m - s) * kMiddleSideScale;
        } else {
            output[0][k] = input[0][k];
            output[1][k] = input[1][k];
        }
    }
}

}  // namespace mp3dec
