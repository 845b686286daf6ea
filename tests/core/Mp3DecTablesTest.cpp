// Properties of the constant tables of the standards: each table is checked against the rule that generates
// it rather than retyped.
#include <gtest/gtest.h>

#include <cmath>

#include "mp3dec/synthesis.h"
#include "mp3dec/tables.h"

using namespace mp3dec;

namespace {

int CodeWidth(int steps) {
    int x = 0;
    while ((1 << x) < steps) ++x;
    return x;
}

}  // namespace

TEST(Mp3DecTables, ScaleFactorsFallByTheCubeRootOfTwo) {
    for (int i = 0; i < 63; ++i) {
        const double expected = 2.0 * std::pow(2.0, -i / 3.0);
        EXPECT_NEAR(kScaleFactors[i], expected, 0.51e-14) << "index " << i;  // given to 14 decimals
    }
    EXPECT_EQ(kScaleFactors[63], 1e-20);
}

TEST(Mp3DecTables, QuantisationClassesHaveOddStepCountsAndMatchingCodeWidths) {
    const int grouped_steps[3] = {3, 5, 9};
    for (int q = 0; q < kQuantClasses; ++q) {
        const QuantClass& c = kQuantClassInfo[q];
        if (q > 0) {
            EXPECT_GT(c.steps, kQuantClassInfo[q - 1].steps);
        }
        EXPECT_EQ(c.steps % 2, 1);
        if (c.grouped) {
            EXPECT_TRUE(c.steps == grouped_steps[0] || c.steps == grouped_steps[1] || c.steps == grouped_steps[2]);
            EXPECT_EQ(c.bits, CodeWidth(c.steps * c.steps * c.steps)) << "class " << q;
        } else {
            EXPECT_EQ(c.bits, CodeWidth(c.steps)) << "class " << q;
            if (c.steps > 7) {
                EXPECT_EQ(c.steps, (1 << c.bits) - 1);
            }
        }
    }
}

// Requantised values are C * (fraction + D); the middle code must give 0 and the extreme codes
// +-(steps - 1) / steps, which fixes C = 2^x / steps and D = 1 - (steps - 1) / 2^x.
TEST(Mp3DecTables, RequantisationConstantsCentreAndScaleEveryClass) {
    for (int q = 0; q < kQuantClasses; ++q) {
        const int steps = kQuantClassInfo[q].steps;
        const double range = std::ldexp(1.0, CodeWidth(steps));
        EXPECT_NEAR(kRequantC[q], range / steps, 1e-10) << "class " << q;
        EXPECT_NEAR(kRequantD[q], 1.0 - (steps - 1) / range, 1e-10) << "class " << q;
    }
}

TEST(Mp3DecTables, SynthesisWindowIsMirroredAroundItsCentreAndOnTheSixteenthBitGrid) {
    const double* d = synthesis_window();
    EXPECT_EQ(d[0], 0.0);
    EXPECT_EQ(d[1], -0.000015259);
    EXPECT_EQ(d[256], 1.144989014);
    for (int i = 0; i < 512; ++i) {
        EXPECT_LE(std::fabs(d[i]), d[256]);
        // Coefficients are multiples of 2^-16 given to nine decimals.
        EXPECT_NEAR(d[i] * 65536.0, std::round(d[i] * 65536.0), 1e-4) << "index " << i;
    }
    // Mirrored around the centre with the sign of alternate 64-coefficient blocks, so the sign flips
    // except at the block starts.
    for (int i = 1; i < 256; ++i) EXPECT_EQ(d[512 - i], i % 64 == 0 ? d[i] : -d[i]) << "index " << i;
}

// With the sign of every other 64-coefficient block undone, the window is the low-pass prototype of the
// filterbank: each of its 64 polyphase components sums to (nearly) 1.
TEST(Mp3DecTables, SynthesisWindowPolyphaseComponentsSumToOne) {
    const double* d = synthesis_window();
    double total = 0.0;
    for (int j = 0; j < 64; ++j) {
        double sum = 0.0;
        for (int i = 0; i < 8; ++i) sum += ((i % 2 == 0) ? 1.0 : -1.0) * d[j + 64 * i];
        EXPECT_NEAR(sum, 1.0, 1e-4) << "phase " << j;
        total += sum;
    }
    EXPECT_NEAR(total, 64.0, 0.01);
}

TEST(Mp3DecTables, MatrixingTableIsTheCosineRoundedToNineDecimals) {
    const double* n = matrixing_table();
    const double pi = 3.14159265358979;
    for (int i = 0; i < 64; ++i) {
        for (int k = 0; k < 32; ++k) {
            const double exact = std::cos((i * pi / 64 + pi / 4) * (2 * k + 1));
            const double value = n[i * 32 + k];
            EXPECT_NEAR(value, exact, 0.5e-9 + 1e-15) << i << "," << k;
            EXPECT_NEAR(value * 1e9, std::round(value * 1e9), 1e-6) << i << "," << k;
        }
    }
    EXPECT_EQ(n[48 * 32], -1.0);  // row 48 is cos of odd multiples of pi
}
