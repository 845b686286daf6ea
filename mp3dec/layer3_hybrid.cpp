#include "mp3dec/layer3_hybrid.h"

#include <cmath>
#include <cstring>

#include "mp3dec/vector_lanes.h"

namespace mp3dec {
namespace {

constexpr double kPi = 3.14159265358979;

struct ImdctTables {
    double window[4][36];
    // Long transform, transposed so that one input feeds 36 neighbouring outputs:
    // cos table[((2p + 19)(2m + 1)) mod 144] at [m][p].
    alignas(64) double long_cos[18][36];
    // Short transform: cos(pi/24 (2p + 7)(2m + 1)) at [m][p].
    alignas(64) double short_cos[6][12];
};

const ImdctTables& tables() {
    static const ImdctTables built = [] {
        ImdctTables t{};
        for (int i = 0; i < 36; ++i) t.window[0][i] = std::sin(kPi / 36 * (i + 0.5));
        for (int i = 0; i < 18; ++i) t.window[1][i] = std::sin(kPi / 36 * (i + 0.5));
        for (int i = 18; i < 24; ++i) t.window[1][i] = 1.0;
        for (int i = 24; i < 30; ++i) t.window[1][i] = std::sin(kPi / 12 * (i + 0.5 - 18));
        for (int i = 30; i < 36; ++i) t.window[1][i] = 0.0;
        for (int i = 0; i < 6; ++i) t.window[3][i] = 0.0;
        for (int i = 6; i < 12; ++i) t.window[3][i] = std::sin(kPi / 12 * (i + 0.5 - 6));
        for (int i = 12; i < 18; ++i) t.window[3][i] = 1.0;
        for (int i = 18; i < 36; ++i) t.window[3][i] = std::sin(kPi / 36 * (i + 0.5));
        for (int i = 0; i < 12; ++i) t.window[2][i] = std::sin(kPi / 12 * (i + 0.5));
        for (int i = 12; i < 36; ++i) t.window[2][i] = 0.0;

        double cos_table[144];
        for (int i = 0; i < 144; ++i) cos_table[i] = std::cos(i * kPi / 72);
        for (int m = 0; m < 18; ++m)
            for (int p = 0; p < 36; ++p) t.long_cos[m][p] = cos_table[((2 * p + 19) * (2 * m + 1)) % 144];
        for (int m = 0; m < 6; ++m)
            for (int p = 0; p < 12; ++p) t.short_cos[m][p] = std::cos(kPi / 24 * (2 * p + 7) * (2 * m + 1));
        return t;
    }();
    return built;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Each output's sum runs over m = 0..17 in order; the 36 sums advance side by side, four to a lane group,
// held in nine registers. Terms with a zero input add nothing and are left out.
__attribute__((target_clones("avx2", "default"))) void long_imdct(const ImdctTables& t, const double input[18],
                                                                  double output[36], int block_type) {
    Lanes s0 = {}, s1 = {}, s2 = {}, s3 = {}, s4 = {}, s5 = {}, s6 = {}, s7 = {}, s8 = {};
    for (int m = 0; m < 18; ++m) {
        const double x = input[m];
        if (x == 0.0) continue;
        const double* row = t.long_cos[m];
        s0 += x * load_lanes(row);
        s1 += x * load_lanes(row + 4);
        s2 += x * load_lanes(row + 8);
        s3 += x * load_lanes(row + 12);
        s4 += x * load_lanes(row + 16);
        s5 += x * load_lanes(row + 20);
        s6 += x * load_lanes(row + 24);
        s7 += x * load_lanes(row + 28);
        s8 += x * load_lanes(row + 32);
    }
    const double* window = t.window[block_type];
    store_lanes(output, s0 * load_lanes(window));
    store_lanes(output + 4, s1 * load_lanes(window + 4));
    store_lanes(output + 8, s2 * load_lanes(window + 8));
    store_lanes(output + 12, s3 * load_lanes(window + 12));
    store_lanes(output + 16, s4 * load_lanes(window + 16));
    store_lanes(output + 20, s5 * load_lanes(window + 20));
    store_lanes(output + 24, s6 * load_lanes(window + 24));
    store_lanes(output + 28, s7 * load_lanes(window + 28));
    store_lanes(output + 32, s8 * load_lanes(window + 32));
}

#pragma GCC diagnostic pop

void short_imdct(const ImdctTables& t, const double input[18], double output[36]) {
    for (int p = 0; p < 36; ++p) output[p] = 0.0;
    for (int w = 0; w < 3; ++w) {
        double sum[12] = {};
        for (int m = 0; m < 6; ++m) {
            const double x = input[w + 3 * m];
            if (x == 0.0) continue;
            for (int p = 0; p < 12; ++p) sum[p] += x * t.short_cos[m][p];
        }
        for (int p = 0; p < 12; ++p) output[6 * w + p + 6] += sum[p] * t.window[2][p];
    }
}

}  // namespace

const double* imdct_window(int block_type) {
    return tables().window[block_type & 3];
}

void imdct36(const double input[18], double output[36], int block_type) {
    const ImdctTables& t = tables();
    if ((block_type & 3) == 2) {
        short_imdct(t, input, output);
    } else {
        long_imdct(t, input, output, block_type & 3);
    }
}

void hybrid_synthesis(const double input[18], double output[18], int subband, double overlap[18],
                      const GranuleChannelInfo& info) {
    const int block_type = info.window_switching && info.mixed_block && subband < 2 ? 0 : info.block_type;
    bool silent = true;
    for (int m = 0; m < 18 && silent; ++m) silent = input[m] == 0.0;
    if (silent) {
        // All 36 raw outputs are zero: only the overlap of the previous granule comes out.
        for (int i = 0; i < 18; ++i) {
            output[i] = overlap[i];
            overlap[i] = 0.0;
        }
        return;
    }
    double raw[36];
    imdct36(input, raw, block_type);
    for (int i = 0; i < 18; ++i) {
        output[i] = raw[i] + overlap[i];
        overlap[i] = raw[i + 18];
    }
}

void hybrid_synthesis_granule(const double input[576], double slots[18][32], double overlap[32][18],
                              const GranuleChannelInfo& info, int active_subbands) {
    const int active = active_subbands < 0 ? 0 : (active_subbands > 32 ? 32 : active_subbands);
    for (int sb = 0; sb < 32; ++sb) {
        double output[18];
        if (sb < active) {
            hybrid_synthesis(input + 18 * sb, output, sb, overlap[sb], info);
        } else {
            std::memcpy(output, overlap[sb], sizeof output);
            std::memset(overlap[sb], 0, sizeof overlap[sb]);
        }
        // Odd subbands are mirrored in frequency by the filterbank; negating their odd slots undoes it.
        if (sb % 2 == 0) {
            for (int slot = 0; slot < 18; ++slot) slots[slot][sb] = output[slot];
        } else {
            for (int slot = 0; slot < 18; slot += 2) {
                slots[slot][sb] = output[slot];
                slots[slot + 1][sb] = -output[slot + 1];
            }
        }
    }
}

}  // namespace mp3dec
