#include "mp3dec/synthesis.h"

#include <cmath>
#include <cstring>

#include "mp3dec/vector_lanes.h"

#include "mp3dec/tables.h"

namespace mp3dec {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kVectorLength = 64;
constexpr int kHistoryLength = 1024;
constexpr int kWindowTaps = 16;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

double rounded_to_nano(double value) {
    const double scaled = value * 1e9;
    const double rounded = scaled >= 0.0 ? std::floor(scaled + 0.5) : -std::floor(-scaled + 0.5);
    return rounded * 1e-9;
}

// The matrixing rows come in mirrored pairs (row 32 - i is the negated row i, row 96 - i equals row i).
// Where the rounded table shows a pair to be exact copies, the sum of one row gives the other's sum
// exactly, so only the distinct rows are computed; a row without an exact partner is computed itself.
struct MatrixingPlan {
    double rows[kVectorLength][32];      // N[i][k]
    int computed_count = 0;              // distinct rows, padded to a multiple of 4
    alignas(32) double transposed[32][kVectorLength];  // [k][distinct row]
    int source[kVectorLength];           // distinct row whose sum gives row i
    double sign[kVectorLength];
    bool every_pair_exact = false;  // source and sign follow paired_source

    MatrixingPlan() {
        for (int i = 0; i < kVectorLength; ++i) {
            for (int k = 0; k < 32; ++k) {
                rows[i][k] = rounded_to_nano(std::cos((i * kPi / 64.0 + kPi / 4.0) * (2.0 * k + 1.0)));
            }
        }
        int distinct_row[kVectorLength];
        int distinct = 0;
        for (int i = 0; i < kVectorLength; ++i) {
            const int partner = mirror_partner(i);
            if (partner >= 0 && partner < i && rows_match(i, partner, partner_sign(i))) {
                source[i] = source[partner];
                sign[i] = partner_sign(i) * sign[partner];
                continue;
            }
            distinct_row[distinct] = i;
            source[i] = distinct++;
            sign[i] = 1.0;
        }
        computed_count = (distinct + 3) / 4 * 4;
        every_pair_exact = distinct == 33;
        for (int i = 0; i < kVectorLength && every_pair_exact; ++i) {
            every_pair_exact = source[i] == paired_source(i) && sign[i] == (i >= 17 && i <= 32 ? -1.0 : 1.0);
        }
        std::memset(transposed, 0, sizeof transposed);
        for (int d = 0; d < distinct; ++d) {
            for (int k = 0; k < 32; ++k) transposed[k][d] = rows[distinct_row[d]][k];
        }
    }

    // The distinct row that gives row i when every mirrored pair is exact: rows 0..16 and 33..48 are
    // computed, rows 17..32 are rows 15..0 negated, rows 49..63 are rows 47..33.
    static int paired_source(int i) {
        if (i <= 16) return i;
        if (i <= 32) return 32 - i;
        if (i <= 48) return i - 16;
        return 80 - i;
    }

    static int mirror_partner(int i) {
        if (i >= 17 && i <= 32) return 32 - i;
        if (i >= 49 && i <= 63) return 96 - i;
        return -1;
    }
    static double partner_sign(int i) { return i <= 32 ? -1.0 : 1.0; }

    bool rows_match(int i, int partner, double row_sign) const {
        for (int k = 0; k < 32; ++k) {
            if (rows[i][k] != row_sign * rows[partner][k]) return false;
        }
        return true;
    }
};

const MatrixingPlan& matrixing_plan() {
    static const MatrixingPlan plan;
    return plan;
}

// sums[d] = sum over k of N[d][k] * input[k], k ascending, for every distinct row d. All groups of four rows
// advance together through k, so the additions of different groups overlap instead of waiting on each other.
template <int Groups>
inline __attribute__((always_inline)) void matrix_row_groups(const MatrixingPlan& plan, const double input[32],
                                                             double* sums) {
    Lanes acc[Groups];
#pragma GCC unroll 16
    for (int g = 0; g < Groups; ++g) acc[g] = input[0] * load_lanes(&plan.transposed[0][4 * g]);
    for (int k = 1; k < 32; ++k) {
        const double x = input[k];
#pragma GCC unroll 16
        for (int g = 0; g < Groups; ++g) acc[g] += load_lanes(&plan.transposed[k][4 * g]) * x;
    }
#pragma GCC unroll 16
    for (int g = 0; g < Groups; ++g) store_lanes(sums + 4 * g, acc[g]);
}

__attribute__((target_clones("avx2", "default"))) void matrix_distinct_rows(const MatrixingPlan& plan,
                                                                            const double input[32],
                                                                            double* sums) {
    // The rounded table has 33 distinct rows (9 groups); any other count takes the general path.
    if (plan.computed_count == 36) {
        matrix_row_groups<9>(plan, input, sums);
        return;
    }
    for (int d = 0; d < plan.computed_count; d += 4) {
        Lanes acc = input[0] * load_lanes(&plan.transposed[0][d]);
        for (int k = 1; k < 32; ++k) acc += load_lanes(&plan.transposed[k][d]) * input[k];
        store_lanes(sums + d, acc);
    }
}

// out[j] = sum over i of D[j + 32i] * V[(j + 32i + 64 ((i + 1) / 2) + offset) mod 1024], i ascending.
// Each tap i reads 32 consecutive history values, because the offset is a multiple of 64.
__attribute__((target_clones("avx2", "default"))) void window_sums(const double* window, const double* history,
                                                                   int offset, double out[32]) {
    Lanes acc[8];
#pragma GCC unroll 8
    for (int lane = 0; lane < 8; ++lane) acc[lane] = load_lanes(window + 4 * lane) * load_lanes(history + offset + 4 * lane);
    for (int i = 1; i < kWindowTaps; ++i) {
        const int base = (32 * i + 64 * ((i + 1) / 2) + offset) & (kHistoryLength - 1);
#pragma GCC unroll 8
        for (int lane = 0; lane < 8; ++lane) {
            acc[lane] += load_lanes(window + 32 * i + 4 * lane) * load_lanes(history + base + 4 * lane);
        }
    }
#pragma GCC unroll 8
    for (int lane = 0; lane < 8; ++lane) store_lanes(out + 4 * lane, acc[lane]);
}

// The 64 rows of the matrixed vector from the sums of the distinct rows. Negating is exact, so it equals
// the multiplication by the pair's sign.
void spread_rows(const MatrixingPlan& plan, const double* sums, double* vector) {
    if (!plan.every_pair_exact) {
        for (int i = 0; i < kVectorLength; ++i) vector[i] = plan.sign[i] * sums[plan.source[i]];
        return;
    }
    std::memcpy(vector, sums, 17 * sizeof(double));
    for (int i = 0; i < 16; ++i) vector[17 + i] = -sums[15 - i];
    std::memcpy(vector + 33, sums + 17, 16 * sizeof(double));
    for (int i = 0; i < 15; ++i) vector[49 + i] = sums[31 - i];
}

#pragma GCC diagnostic pop

}  // namespace

std::int16_t round_to_pcm(double sum, int& clipped) {
    const double scaled = sum * 32768.0;
    const double rounded = scaled > 0.0 ? scaled + 0.5 : scaled - 0.5;
    // Compare before converting: the truncated value of a large sum would not fit an integer.
    if (rounded >= 32768.0) {
        ++clipped;
        return 32767;
    }
    if (rounded <= -32769.0) {
        ++clipped;
        return -32768;
    }
    return static_cast<std::int16_t>(static_cast<int>(rounded));
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

__attribute__((target_clones("avx2", "default"))) int round_block_to_pcm(const double sums[32],
                                                                         std::int16_t output[32]) {
    const Lanes scale = {32768.0, 32768.0, 32768.0, 32768.0};
    const Lanes up = {0.5, 0.5, 0.5, 0.5};
    const Lanes down = {-0.5, -0.5, -0.5, -0.5};
    const Lanes top = {32767.0, 32767.0, 32767.0, 32767.0};
    const Lanes bottom = {-32768.0, -32768.0, -32768.0, -32768.0};
    LaneMask clipped = {0, 0, 0, 0};
#pragma GCC unroll 8
    for (int q = 0; q < 8; ++q) {
        const Lanes scaled = load_lanes(sums + 4 * q) * scale;
        Lanes rounded = scaled + (scaled > 0.0 ? up : down);
        const LaneMask high = rounded >= 32768.0;
        const LaneMask low = rounded <= -32769.0;
        clipped += high + low;  // each true lane is -1
        rounded = high ? top : rounded;
        rounded = low ? bottom : rounded;
        const LaneInts values = __builtin_convertvector(rounded, LaneInts);
        for (int i = 0; i < 4; ++i) output[4 * q + i] = static_cast<std::int16_t>(values[i]);
    }
    return -static_cast<int>(clipped[0] + clipped[1] + clipped[2] + clipped[3]);
}

#pragma GCC diagnostic pop

const double* synthesis_window() {
    return kSynthesisWindow;
}

const double* matrixing_table() {
    return &matrixing_plan().rows[0][0];
}

int polyphase_synthesize(SynthesisState& state, const double input[32], int channel, std::int16_t output[32]) {
    const MatrixingPlan& plan = matrixing_plan();
    int& offset = state.offset[channel];
    offset = (offset - kVectorLength) & (kHistoryLength - 1);
    double* history = state.history[channel];

    alignas(32) double sums[kVectorLength];
    matrix_distinct_rows(plan, input, sums);
    spread_rows(plan, sums, history + offset);

    alignas(32) double windowed[32];
    window_sums(kSynthesisWindow, history, offset, windowed);
    return round_block_to_pcm(windowed, output);
}

}  // namespace mp3dec
