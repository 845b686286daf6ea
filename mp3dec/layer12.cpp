#include "mp3dec/layer12.h"

#include <array>
#include <bit>
#include <cstring>

#include "mp3dec/tables.h"
#include "mp3dec/vector_lanes.h"

namespace mp3dec {

namespace {

constexpr int kLayer1AllocationBits = 4;
constexpr int kScaleFactorBits = 6;
constexpr int kSelectionBits = 2;
constexpr int kUngrouped = 3;

int coded_channels(const StreamParams& params, int subband) {
    return subband < params.joint_stereo_bound ? params.channels : 1;
}

// Smallest x with 2^x >= steps.
int code_width_for_steps(int steps) {
    return static_cast<int>(std::bit_width(static_cast<unsigned>(steps - 1)));
}

// 2^-n for n = 0..32: multiplying by it is exactly the division by 2^n, and cheaper.
constexpr auto kInversePowersOfTwo = [] {
    std::array<double, 33> powers{};
    double value = 1.0;
    for (double& p : powers) {
        p = value;
        value *= 0.5;
    }
    return powers;
}();

// -1 for a clear sign bit, 0 for a set one. Looked up rather than branched on: the sign of coded samples is
// as good as random, and a mispredicted branch per sample cost more than the arithmetic.
constexpr double kSignOffset[2] = {-1.0, 0.0};

// Sign from the top bit, then the remaining bits as a fraction of the range: the shared first step of
// both layers' requantisation.
double signed_fraction(std::uint32_t code, int width) {
    const std::uint32_t top = 1u << (width - 1);
    double fraction = kSignOffset[(code & top) != 0];
    fraction += static_cast<double>(code & (top - 1u)) * kInversePowersOfTwo[static_cast<std::size_t>(width - 1)];
    return fraction;
}

// What the requantisation of one allocation row needs, worked out once for the three values of a block.
struct Layer2Class {
    std::uint32_t top;  // the sign bit of a value
    double step;        // 2^-(x-1): one unit of the remaining bits
    double d;
    double c;

    explicit Layer2Class(const AllocEntry& entry)
        : top(1u << (code_width_for_steps(entry.steps) - 1)),
          step(kInversePowersOfTwo[static_cast<std::size_t>(code_width_for_steps(entry.steps) - 1)]),
          d(kRequantD[entry.quant]),
          c(kRequantC[entry.quant]) {}

    // The same steps as signed_fraction, then + D and * C.
    double operator()(std::uint32_t value) const {
        double fraction = kSignOffset[(value & top) != 0];
        fraction += static_cast<double>(value & (top - 1u)) * step;
        fraction += d;
        fraction *= c;
        return fraction;
    }
};

inline double requantized_layer2_value(const AllocEntry& entry, std::uint32_t value) {
    return Layer2Class(entry)(value);
}

void set_layer2_classes(const StreamParams& params, Layer12State& state) {
    const AllocTable& table = *params.alloc;
    for (int ch = 0; ch < params.channels; ++ch) {
        for (int sb = 0; sb < kSubbands; ++sb) {
            const int a = state.allocation[ch][sb];
            state.class_sign_bit[ch][sb] = 0;
            state.class_unit[ch][sb] = state.class_d[ch][sb] = state.class_c[ch][sb] = 0.0;
            if (a == 0 || table[sb][a].steps == 0) continue;
            const Layer2Class quantisation(table[sb][a]);
            state.class_sign_bit[ch][sb] = static_cast<std::int32_t>(quantisation.top);
            state.class_unit[ch][sb] = quantisation.step;
            state.class_d[ch][sb] = quantisation.d;
            state.class_c[ch][sb] = quantisation.c;
        }
    }
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// The Layer II rule four subbands at a time, each lane with its own class; subbands without a class give 0.
__attribute__((target_clones("avx2", "default"))) void requantize_layer2_lanes(int channels, Layer12State& state) {
    const Lanes zero = {0.0, 0.0, 0.0, 0.0};
    const Lanes minus_one = {-1.0, -1.0, -1.0, -1.0};
    for (int ch = 0; ch < channels; ++ch) {
        for (int part = 0; part < 3; ++part) {
            for (int sb = 0; sb < kSubbands; sb += 4) {
                const LaneInts code = load_ints(&state.sample_code[ch][part][sb]);
                const LaneInts top = load_ints(&state.class_sign_bit[ch][sb]);
                const LaneMask sign_set = __builtin_convertvector((code & top) != 0, LaneMask);
                const LaneMask coded = __builtin_convertvector(top != 0, LaneMask);
                Lanes fraction = sign_set ? zero : minus_one;
                fraction += __builtin_convertvector(code & (top - 1), Lanes) * load_lanes(&state.class_unit[ch][sb]);
                fraction += load_lanes(&state.class_d[ch][sb]);
                fraction *= load_lanes(&state.class_c[ch][sb]);
                store_lanes(&state.fraction[ch][part][sb], coded ? fraction : zero);
            }
        }
    }
}

// Every value times the scale factor of its subband and channel, four subbands at a time.
__attribute__((target_clones("avx2", "default"))) void scale_layer2_lanes(int channels, Layer12State& state,
                                                                          int scale_part) {
    for (int ch = 0; ch < channels; ++ch) {
        alignas(32) double scale[kSubbands];
        for (int sb = 0; sb < kSubbands; ++sb) scale[sb] = kScaleFactors[state.scale_index[ch][scale_part][sb] & 63u];
        for (int part = 0; part < 3; ++part) {
            for (int sb = 0; sb < kSubbands; sb += 4) {
                store_lanes(&state.fraction[ch][part][sb],
                            load_lanes(&state.fraction[ch][part][sb]) * load_lanes(scale + sb));
            }
        }
    }
}

#pragma GCC diagnostic pop

}  // namespace

// ---- Layer I ----

void read_layer1_allocation(BitReader& reader, const StreamParams& params, Layer12State& state) {
    for (int sb = 0; sb < kSubbands; ++sb) {
        if (sb < params.joint_stereo_bound) {
            for (int ch = 0; ch < params.channels; ++ch) {
                state.allocation[ch][sb] = static_cast<int>(read_bits(reader, kLayer1AllocationBits));
            }
        } else {
            const int shared = static_cast<int>(read_bits(reader, kLayer1AllocationBits));
            state.allocation[0][sb] = shared;
            state.allocation[1][sb] = shared;
        }
    }
}

void read_layer1_scale_factors(BitReader& reader, const StreamParams& params, Layer12State& state) {
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) {
            state.scale_index[ch][0][sb] =
                state.allocation[ch][sb] != 0 ? read_bits(reader, kScaleFactorBits) : kNoScaleFactor;
        }
    }
}

void read_layer1_samples(BitReader& reader, const StreamParams& params, Layer12State& state) {
    for (int sb = 0; sb < kSubbands; ++sb) {
        if (sb < params.joint_stereo_bound) {
            for (int ch = 0; ch < params.channels; ++ch) {
                const int a = state.allocation[ch][sb];
                state.sample_code[ch][0][sb] = a != 0 ? read_bits(reader, a + 1) : 0;
            }
        } else {
            const int a = state.allocation[0][sb];
            const std::uint32_t code = a != 0 ? read_bits(reader, a + 1) : 0;
            state.sample_code[0][0][sb] = code;
            state.sample_code[1][0][sb] = code;
        }
    }
}

int layer1_sample_bits(const StreamParams& params, const Layer12State& state) {
    int bits = 0;
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < coded_channels(params, sb); ++ch) {
            const int a = state.allocation[ch][sb];
            bits += a != 0 ? a + 1 : 0;
        }
    }
    return bits;
}

double requantize_layer1_sample(int allocation, std::uint32_t code) {
    const int nb = allocation + 1;
    double fraction = signed_fraction(code, nb);
    const double levels = static_cast<double>(1u << nb);
    fraction = (fraction + 1.0 / static_cast<double>(1u << (nb - 1))) * levels / (levels - 1.0);
    return fraction;
}

void requantize_layer1(const StreamParams& params, Layer12State& state) {
    for (int ch = 0; ch < params.channels; ++ch) {
        for (int sb = 0; sb < kSubbands; ++sb) {
            const int a = state.allocation[ch][sb];
            state.fraction[ch][0][sb] = a != 0 ? requantize_layer1_sample(a, state.sample_code[ch][0][sb]) : 0.0;
        }
    }
}

void scale_layer1(const StreamParams& params, Layer12State& state) {
    for (int ch = 0; ch < params.channels; ++ch) {
        for (int sb = 0; sb < kSubbands; ++sb) {
            state.fraction[ch][0][sb] *= kScaleFactors[state.scale_index[ch][0][sb] & 63u];
        }
    }
}

// ---- Layer II ----

void read_layer2_allocation(BitReader& reader, const StreamParams& params, Layer12State& state) {
    const AllocTable& table = *params.alloc;
    BitFields fields(reader);
    for (int sb = 0; sb < params.subband_limit; ++sb) {
        const int width = table[sb][0].bits;
        if (sb < params.joint_stereo_bound) {
            for (int ch = 0; ch < params.channels; ++ch)
                state.allocation[ch][sb] = static_cast<int>(fields.take(width));
        } else {
            const int shared = static_cast<int>(fields.take(width));
            state.allocation[0][sb] = shared;
            state.allocation[1][sb] = shared;
        }
    }
    fields.finish();
    for (int sb = params.subband_limit; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) state.allocation[ch][sb] = 0;
    }
    state.classes_known = false;
    state.reads_known = false;
}

void read_layer2_scale_factors(BitReader& reader, const StreamParams& params, Layer12State& state) {
    const int limit = params.subband_limit;
    BitFields fields(reader);
    for (int sb = 0; sb < limit; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) {
            state.scale_selection[ch][sb] =
                state.allocation[ch][sb] != 0 ? static_cast<int>(fields.take(kSelectionBits)) : 0;
        }
    }
    for (int sb = 0; sb < limit; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) {
            unsigned(&index)[3][32] = state.scale_index[ch];
            if (state.allocation[ch][sb] == 0) {
                index[0][sb] = index[1][sb] = index[2][sb] = kNoScaleFactor;
                continue;
            }
            switch (state.scale_selection[ch][sb]) {
                case 0:
                    index[0][sb] = fields.take(kScaleFactorBits);
                    index[1][sb] = fields.take(kScaleFactorBits);
                    index[2][sb] = fields.take(kScaleFactorBits);
                    break;
                case 1:
                    index[0][sb] = index[1][sb] = fields.take(kScaleFactorBits);
                    index[2][sb] = fields.take(kScaleFactorBits);
                    break;
                case 2: index[0][sb] = index[1][sb] = index[2][sb] = fields.take(kScaleFactorBits); break;
                default:
                    index[0][sb] = fields.take(kScaleFactorBits);
                    index[1][sb] = index[2][sb] = fields.take(kScaleFactorBits);
                    break;
            }
        }
    }
    fields.finish();
    for (int sb = limit; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < params.channels; ++ch) {
            state.scale_selection[ch][sb] = 0;
            for (int part = 0; part < 3; ++part) state.scale_index[ch][part][sb] = kNoScaleFactor;
        }
    }
}

namespace {

// Inlined so that a constant divisor reaches the division and the compiler multiplies instead of dividing.
inline __attribute__((always_inline)) void ungroup_by(std::uint32_t code, std::uint32_t divisor,
                                                      std::uint32_t values[3]) {
    for (int part = 0; part < 3; ++part) {
        values[part] = code % divisor;
        code /= divisor;
    }
}

}  // namespace

void ungroup_layer2_code(std::uint32_t code, int steps, std::uint32_t values[3]) {
    switch (steps) {  // the grouped classes
        case 3: return ungroup_by(code, 3, values);
        case 5: return ungroup_by(code, 5, values);
        case 9: return ungroup_by(code, 9, values);
        default: return ungroup_by(code, static_cast<std::uint32_t>(steps), values);
    }
}

namespace {

// The coded subbands and channels in reading order; every code of the frame starts at zero, so that what
// is not coded stays zero through the blocks.
void plan_layer2_reads(const StreamParams& params, Layer12State& state) {
    const AllocTable& table = *params.alloc;
    state.read_count = 0;
    for (int sb = 0; sb < params.subband_limit; ++sb) {
        for (int ch = 0; ch < coded_channels(params, sb); ++ch) {
            const int a = state.allocation[ch][sb];
            if (a == 0) continue;
            const AllocEntry& entry = table[sb][a];
            if (entry.group != kUngrouped && entry.steps == 0) continue;  // no such class: nothing is read
            Layer2CodeRead& read = state.reads[state.read_count++];
            read.channel = static_cast<std::uint8_t>(ch);
            read.subband = static_cast<std::uint8_t>(sb);
            read.bits = static_cast<std::uint8_t>(entry.bits);
            read.shared = params.channels == 2 && sb >= params.joint_stereo_bound;
            read.steps = static_cast<std::uint16_t>(entry.group == kUngrouped ? 0 : entry.steps);
        }
    }
    std::memset(state.sample_code, 0, sizeof state.sample_code);
    state.reads_known = true;
}

}  // namespace

void read_layer2_samples(BitReader& reader, const StreamParams& params, Layer12State& state) {
    if (!state.reads_known) plan_layer2_reads(params, state);
    BitFields fields(reader);
    for (int r = 0; r < state.read_count; ++r) {
        const Layer2CodeRead& read = state.reads[r];
        std::uint32_t values[3];
        if (read.steps == 0) {
            for (auto& value : values) value = fields.take(read.bits);
        } else {
            ungroup_layer2_code(fields.take(read.bits), read.steps, values);
        }
        for (int part = 0; part < 3; ++part) {
            state.sample_code[read.channel][part][read.subband] = values[part];
            if (read.shared) state.sample_code[1][part][read.subband] = values[part];
        }
    }
    fields.finish();
}

int layer2_sample_bits(const StreamParams& params, const Layer12State& state) {
    const AllocTable& table = *params.alloc;
    int bits = 0;
    for (int sb = 0; sb < params.subband_limit; ++sb) {
        for (int ch = 0; ch < coded_channels(params, sb); ++ch) {
            const int a = state.allocation[ch][sb];
            if (a == 0) continue;
            const AllocEntry& entry = table[sb][a];
            if (entry.group == kUngrouped) {
                bits += 3 * entry.bits;
            } else if (entry.steps > 0) {
                bits += entry.bits;
            }
        }
    }
    return bits;
}

double requantize_layer2_sample(const AllocEntry& entry, std::uint32_t value) {
    return requantized_layer2_value(entry, value);
}

void requantize_layer2(const StreamParams& params, Layer12State& state) {
    if (!state.classes_known) set_layer2_classes(params, state);
    state.classes_known = true;
    requantize_layer2_lanes(params.channels, state);
}

void scale_layer2(const StreamParams& params, Layer12State& state, int scale_part) {
    // Subbands from the limit on hold zeros, which their scale factor leaves as they are.
    scale_layer2_lanes(params.channels, state, scale_part);
}

}  // namespace mp3dec
