// Properties of the Layer III constant tables.

#include <gtest/gtest.h>

#include <cmath>

#include "mp3dec/tables_layer3.h"

using namespace mp3dec;

namespace {

void ExpectBoundariesRiseToTheGranuleEnd(const ScaleFactorBands& b) {
    EXPECT_EQ(b.long_start[0], 0);
    EXPECT_EQ(b.long_start[22], 576);
    EXPECT_EQ(b.short_start[0], 0);
    EXPECT_EQ(b.short_start[13], 192);
    for (int i = 1; i < kLongBandBoundaries; ++i) {
        EXPECT_GT(b.long_start[i], b.long_start[i - 1]);
        EXPECT_EQ(b.long_start[i] % 2, 0);  // bands hold whole pairs
    }
    for (int i = 1; i < kShortBandBoundaries; ++i) EXPECT_GT(b.short_start[i], b.short_start[i - 1]);
}

}  // namespace

TEST(Mp3DecLayer3Tables, BandBoundariesRiseToTheGranuleEnd) {
    for (int t = 0; t < kBandTableCount; ++t) {
        SCOPED_TRACE(t);
        const ScaleFactorBands& b = kScaleFactorBands[t];
        ExpectBoundariesRiseToTheGranuleEnd(b);
        // Band widths grow with frequency up to band 17.
        for (int i = 1; i < 18; ++i)
            EXPECT_GE(b.long_start[i + 1] - b.long_start[i], b.long_start[i] - b.long_start[i - 1]);
        // Mixed blocks: the long part ends where short band 3 begins.
        EXPECT_EQ(3 * b.short_start[3], kMixedLongLines);
        int long_band_end = 0;
        while (b.long_start[long_band_end] < kMixedLongLines) ++long_band_end;
        EXPECT_EQ(b.long_start[long_band_end], kMixedLongLines);
        EXPECT_EQ(long_band_end, t >= 3 ? 8 : 6);
    }
}

// MPEG 2.5: 11.025 and 12 kHz share the bands of 16 kHz; at 8 kHz every band is twice as wide, until the
// doubled bands no longer fit the granule and the last ones shrink to two lines.
TEST(Mp3DecLayer3Tables, Mpeg25BandsAreThoseOf16kHzAndTheirDoublesAt8kHz) {
    const ScaleFactorBands& at16k = kScaleFactorBands[2];
    for (int t = 0; t < kMpeg25BandTableCount; ++t) {
        SCOPED_TRACE(t);
        const ScaleFactorBands& b = kMpeg25ScaleFactorBands[t];
        ExpectBoundariesRiseToTheGranuleEnd(b);
        for (int i = 0; i < kLongBandBoundaries; ++i) {
            const int expected = t < 2 ? at16k.long_start[i] : 2 * at16k.long_start[i];
            if (expected <= 476) {
                EXPECT_EQ(b.long_start[i], expected) << i;
            } else if (i < 22) {
                EXPECT_LE(b.long_start[i + 1] - b.long_start[i], b.long_start[i] - b.long_start[i - 1]);
            }
        }
        for (int i = 0; i < kShortBandBoundaries; ++i) {
            const int expected = t < 2 ? at16k.short_start[i] : 2 * at16k.short_start[i];
            if (expected <= 160) {
                EXPECT_EQ(b.short_start[i], expected) << i;
            }
        }
    }
}

TEST(Mp3DecLayer3Tables, ScaleFactorLengthsPreEmphasisAndPartitions) {
    // slen1 and slen2 list every pair once (16 distinct combinations).
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < i; ++j) EXPECT_FALSE(kSlen1[i] == kSlen1[j] && kSlen2[i] == kSlen2[j]);
    int emphasis = 0;
    for (int v : kPreEmphasis) emphasis += v;
    EXPECT_EQ(emphasis, 19);
    EXPECT_EQ(kPreEmphasis[10], 0);
    EXPECT_EQ(kPreEmphasis[21], 0);
    for (int g = 0; g < 6; ++g) {
        int sums[3] = {};
        for (int kind = 0; kind < 3; ++kind)
            for (int part = 0; part < 4; ++part) sums[kind] += kLsfPartitionBands[g][kind][part];
        EXPECT_EQ(sums[1], 36) << g;  // 12 short bands x 3 windows
        EXPECT_EQ(sums[2], sums[1] - 3);  // 6 long bands replace short bands 0..2 (9 values)
        EXPECT_LE(sums[0], 21);
    }
    EXPECT_EQ(kLsfPartitionBands[0][0][0] + kLsfPartitionBands[0][0][1] + kLsfPartitionBands[0][0][2] +
                  kLsfPartitionBands[0][0][3],
              21);
}

TEST(Mp3DecLayer3Tables, AliasCoefficientsShrinkTowardsZero) {
    for (int i = 0; i < 8; ++i) {
        EXPECT_LT(kAliasCoefficients[i], 0.0);
        if (i > 0) {
            EXPECT_GT(kAliasCoefficients[i], kAliasCoefficients[i - 1]);
        }
    }
}
