// Decoding Huffman codes from the main-data reservoir.

#include "mp3dec/huffman.h"

#include "mp3dec/tables_layer3.h"

namespace mp3dec {
namespace {

constexpr int kLookupBits = 8;
constexpr std::uint32_t kLeafFlag = 1u << 31;
constexpr int kMaxCodeBits = 32;

// The leaf value (x << 4 | y) of the code at the reader, or -1 when no leaf is reached within 32 bits.
// The first 8 bits go through the lookup, the rest bit by bit; either way exactly the code's bits are
// consumed.
int walk_code(const HuffmanTable& table, MainDataReservoir& reservoir) {
    const std::uint32_t entry = table.lookup[reservoir_peek_bits(reservoir, kLookupBits)];
    const int used = static_cast<int>((entry >> 8) & 0xFF);
    reservoir_get_bits(reservoir, used);
    if (entry & kLeafFlag) return static_cast<int>(entry & 0xFF);

    unsigned point = entry >> 16;
    for (int bits = used;; ++bits) {
        if (point >= table.node_count) return -1;
        if (table.nodes[2 * point] == 0) return table.nodes[2 * point + 1];
        if (bits == kMaxCodeBits) return -1;
        const unsigned bit = reservoir_get_bit(reservoir);
        for (;;) {
            if (point >= table.node_count) return -1;
            const unsigned offset = table.nodes[2 * point + bit];
            point += offset;
            if (offset < 250) break;
        }
    }
}

int signed_value(MainDataReservoir& reservoir, int magnitude) {
    if (magnitude == 0) return 0;
    return reservoir_get_bit(reservoir) ? -magnitude : magnitude;
}

}  // namespace

int decode_huffman_pair(const HuffmanTable& table, MainDataReservoir& reservoir, int& x, int& y, int& v, int& w) {
    if (table.nodes == nullptr) {
        x = y = v = w = 0;
        return 2;
    }
    if (table.node_count == 0) {
        x = y = v = w = 0;
        return 0;
    }
    int result = 0;
    const int leaf = walk_code(table, reservoir);
    if (leaf < 0) {
        x = 2 * (static_cast<int>(table.x_len) - 1);
        y = 2 * (static_cast<int>(table.y_len) - 1);
        result = 1;
    } else {
        x = leaf >> 4;
        y = leaf & 15;
    }

    if (table.quadruple) {
        v = signed_value(reservoir, (y >> 3) & 1);
        w = signed_value(reservoir, (y >> 2) & 1);
        x = signed_value(reservoir, (y >> 1) & 1);
        y = signed_value(reservoir, y & 1);
        return result;
    }
    if (table.linbits != 0 && static_cast<unsigned>(x) == table.x_len - 1)
        x += static_cast<int>(reservoir_get_bits(reservoir, static_cast<int>(table.linbits)));
    x = signed_value(reservoir, x);
    if (table.linbits != 0 && static_cast<unsigned>(y) == table.y_len - 1)
        y += static_cast<int>(reservoir_get_bits(reservoir, static_cast<int>(table.linbits)));
    y = signed_value(reservoir, y);
    return result;
}

int decode_huffman_samples(std::int32_t values[kLines], const SideInfo& side_info, int channel, int granule,
                           std::uint32_t part2_start, const StreamParams& params, MainDataReservoir& reservoir,
                           const DiagnosticFn& diagnostic) {
    auto decode = [&](const HuffmanTable& table, int& x, int& y, int& v, int& w) {
        if (decode_huffman_pair(table, reservoir, x, y, v, w) == 1 && diagnostic) {
            diagnostic({DiagnosticStream::standard_output, "Illegal Huffman code in data.\n"});
        }
    };
    const HuffmanTables& tables = huffman_tables();
    const GranuleChannelInfo& info = side_info.channel[channel].granule[granule];
    const int* long_start = kScaleFactorBands[band_table_index(*params.header)].long_start;

    int region1 = 0;
    int region2 = 0;
    if (has_short_blocks(info)) {
        region1 = 36;
        region2 = kLines;
    } else {
        const int first = info.region0_count + 1;
        const int second = info.region0_count + info.region1_count + 2;
        region1 = long_start[first < kLongBandBoundaries ? first : kLongBandBoundaries - 1];
        region2 = long_start[second < kLongBandBoundaries ? second : kLongBandBoundaries - 1];
    }

    int v = 0, w = 0, x = 0, y = 0;
    int i = 0;
    const int big_lines = 2 * info.big_values;
    const int region_end[3] = {region1, region2, kLines};
    const int pairs_end = big_lines < kLines ? big_lines : kLines;
    for (int region = 0; region < 3 && i < pairs_end; ++region) {
        const HuffmanTable& table = tables.table[info.table_select[region] & 31];
        const int stop = region_end[region] < pairs_end ? region_end[region] : pairs_end;
        for (; i < stop; i += 2) {
            decode(table, x, y, v, w);
            values[i] = x;
            values[i + 1] = y;
        }
    }

    const std::uint32_t part_end = part2_start + static_cast<std::uint32_t>(info.part2_3_length);
    const HuffmanTable& quad_table = tables.table[32 + (info.count1_table_select & 1)];
    auto bits_past_end = [&] { return static_cast<std::int32_t>(reservoir_position(reservoir) - part_end); };
    while (bits_past_end() < 0 && i < kLines) {
        decode(quad_table, x, y, v, w);
        const int quad[4] = {v, w, x, y};
        for (int k = 0; k < 4 && i + k < kLines; ++k) values[i + k] = quad[k];
        i += 4;
    }

    const std::int32_t overrun = bits_past_end();
    if (overrun > 0) {
        // The last quadruple ran past the end of the part: it was not coded.
        i = i >= 4 ? i - 4 : 0;
        reservoir_rewind_bits(reservoir, static_cast<std::uint32_t>(overrun));
    } else if (overrun < 0) {
        reservoir_skip_bits(reservoir, static_cast<std::uint32_t>(-overrun));
    }
    if (i > kLines) i = kLines;
    for (int k = i; k < kLines; ++k) values[k] = 0;
    return i;
}

}  // namespace mp3dec
