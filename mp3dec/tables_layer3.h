#pragma once
// Constant tables of ISO/IEC 11172-3 and 13818-3 used by Layer III: scale-factor bands, scale-factor
// lengths, pre-emphasis, the MPEG-2 scale-factor partitions and the alias-reduction coefficients.

namespace mp3dec {

constexpr int kLongBandBoundaries = 23;   // start line of long bands 0..21, then 576
constexpr int kShortBandBoundaries = 14;  // start (within one window) of short bands 0..12, then 192
constexpr int kBandTableCount = 6;        // [version * 3 + sampling-frequency index]

struct ScaleFactorBands {
    int long_start[kLongBandBoundaries];
    int short_start[kShortBandBoundaries];
};
// 0 = 22.05 kHz, 1 = 24 kHz, 2 = 16 kHz (MPEG-2), 3 = 44.1 kHz, 4 = 48 kHz, 5 = 32 kHz (MPEG-1).
extern const ScaleFactorBands kScaleFactorBands[kBandTableCount];

// MPEG 2.5 (tables_layer3_mpeg25.cpp): 0 = 11.025 kHz, 1 = 12 kHz, 2 = 8 kHz.
constexpr int kMpeg25BandTableCount = 3;
extern const ScaleFactorBands kMpeg25ScaleFactorBands[kMpeg25BandTableCount];

// MPEG-1 scale-factor field widths by scale-factor compress.
extern const int kSlen1[16];
extern const int kSlen2[16];

// Pre-emphasis added to long scale factors 0..21 when the pre-flag is set.
extern const int kPreEmphasis[22];

// MPEG-2: number of scale-factor bands in each of the 4 partitions,
// [band grouping 0..5][block kind: 0 long, 1 short, 2 mixed][partition].
extern const int kLsfPartitionBands[6][3][4];

// Alias-reduction coefficients c[i] (Table 3-B.9).
extern const double kAliasCoefficients[8];

// Every line before this one belongs to the long part of a mixed block, at all six sampling rates.
constexpr int kMixedLongLines = 36;

}  // namespace mp3dec
