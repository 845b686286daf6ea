// Decoding Huffman codes from the main-data reservoir.

#include "mp3dec/huffman.h"

#include "mp3dec/tables_layer3.h"

namespace mp3dec {
namespace {

constexpr int kLookupBits = 8;
constexpr std::uint32_t kLeafFlag = 1u << 31;
constexpr int kMaxCodeBits = 32;
constexpr int kIllegalCode = -1;

// The walk past the first 8 bits, one bit of `bits` (the 32 bits at the code's start) per step.
int walk_long_code(const HuffmanTable& table, std::uint32_t bits, std::uint32_t entry, int& used) {
    unsigned point = entry >> 16;
    for (;;) {
        if (point >= table.node_count) return kIllegalCode;
        if (table.nodes[2 * point] == 0) return table.nodes[2 * point + 1];
        if (used == kMaxCodeBits) return kIllegalCode;
        const unsigned bit = (bits >> (kMaxCodeBits - 1 - used)) & 1u;
        ++used;
        for (;;) {
            if (point >= table.node_count) return kIllegalCode;
            const unsigned offset = table.nodes[2 * point + bit];
            point += offset;
            if (offset < 250) break;
        }
    }
}

// Fields taken one after the other from the window at the start of a code.
struct WindowFields {
    std::uint64_t window;
    int taken = 0;

    int take(int n) {  // 1 <= n
        const auto value = static_cast<int>((window << taken) >> (64 - n));
        taken += n;
        return value;
    }
    int signed_value(int magnitude) { return magnitude == 0 ? 0 : (take(1) ? -magnitude : magnitude); }
};

// The code's leaf value (x << 4 | y), or kIllegalCode when no leaf is reached within 32 bits; `fields` are
// left past the bits the walk took. The first 8 bits go through the lookup.
inline int walk_code(const HuffmanTable& table, WindowFields& fields) {
    const std::uint32_t entry = table.lookup[fields.window >> (64 - kLookupBits)];
    int used = static_cast<int>((entry >> 8) & 0xFF);
    const int leaf = (entry & kLeafFlag)
                         ? static_cast<int>(entry & 0xFF)
                         : walk_long_code(table, static_cast<std::uint32_t>(fields.window >> 32), entry, used);
    fields.taken = used;
    return leaf;
}

// Moves the cursor past the fields taken and reads the window again there.
inline void refresh_window(ReservoirCursor& cursor, WindowFields& fields) {
    cursor.bit += static_cast<std::uint64_t>(fields.taken);
    fields = WindowFields{cursor_window(cursor)};
}

// The code's leaf, or the largest values in place of an illegal code, which is reported once the walk is
// known to have stayed within the stored bytes. After the code, a pair takes at most two escapes and two
// signs; when the code leaves too few bits in the window for them, the window is read again.
inline __attribute__((always_inline)) void leaf_values(const HuffmanTable& table, ReservoirCursor& cursor,
                                                       WindowFields& fields, int& x, int& y,
                                                       const DiagnosticFn& diagnostic) {
    const int leaf = walk_code(table, fields);
    if (cursor.bit + static_cast<std::uint64_t>(fields.taken) >= cursor.limit) {
        refresh_window(cursor, fields);
        cursor_check(cursor);
    }
    if (leaf != kIllegalCode) {
        x = leaf >> 4;
        y = leaf & 15;
    } else {
        if (diagnostic) diagnostic({DiagnosticStream::standard_output, "Illegal Huffman code in data.\n"});
        x = 2 * (static_cast<int>(table.x_len) - 1);
        y = 2 * (static_cast<int>(table.y_len) - 1);
    }
    if (fields.taken + 2 * static_cast<int>(table.linbits) + 2 > kCursorWindowBits) refresh_window(cursor, fields);
}

// One code of a pair table with its escape bits and signs.
inline __attribute__((always_inline)) void decode_pair(const HuffmanTable& table, ReservoirCursor& cursor, int& x,
                                                       int& y, const DiagnosticFn& diagnostic) {
    WindowFields fields{cursor_window(cursor)};
    leaf_values(table, cursor, fields, x, y, diagnostic);
    const int linbits = static_cast<int>(table.linbits);
    if (linbits != 0 && static_cast<unsigned>(x) == table.x_len - 1) x += fields.take(linbits);
    x = fields.signed_value(x);
    if (linbits != 0 && static_cast<unsigned>(y) == table.y_len - 1) y += fields.take(linbits);
    y = fields.signed_value(y);
    cursor.bit += static_cast<std::uint64_t>(fields.taken);
    cursor_check(cursor);
}

// One code of a quadruple table: v, w, x and y from the bits of the leaf, each with its sign.
inline __attribute__((always_inline)) void decode_quadruple(const HuffmanTable& table, ReservoirCursor& cursor,
                                                            int quad[4], const DiagnosticFn& diagnostic) {
    WindowFields fields{cursor_window(cursor)};
    int x = 0;
    int y = 0;
    leaf_values(table, cursor, fields, x, y, diagnostic);
    quad[0] = fields.signed_value((y >> 3) & 1);
    quad[1] = fields.signed_value((y >> 2) & 1);
    quad[2] = fields.signed_value((y >> 1) & 1);
    quad[3] = fields.signed_value(y & 1);
    cursor.bit += static_cast<std::uint64_t>(fields.taken);
    cursor_check(cursor);
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
    ReservoirCursor cursor = reservoir_cursor(reservoir);
    bool illegal = false;
    const DiagnosticFn note_illegal = [&illegal](const Diagnostic&) { illegal = true; };
    if (table.quadruple) {
        int quad[4];
        decode_quadruple(table, cursor, quad, note_illegal);
        v = quad[0];
        w = quad[1];
        x = quad[2];
        y = quad[3];
    } else {
        decode_pair(table, cursor, x, y, note_illegal);
    }
    reservoir_settle(reservoir, cursor);
    return illegal ? 1 : 0;
}

int decode_huffman_samples(std::int32_t values[kLines], const SideInfo& side_info, int channel, int granule,
                           std::uint32_t part2_start, const StreamParams& params, MainDataReservoir& reservoir,
                           const DiagnosticFn& diagnostic) {
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

    ReservoirCursor cursor = reservoir_cursor(reservoir);
    // The end of part 2 and 3 as a cursor bit (the scale factors may already have read past it).
    const std::uint32_t part_end = part2_start + static_cast<std::uint32_t>(info.part2_3_length);
    const auto end_bit =
        static_cast<std::int64_t>(cursor.bit) + static_cast<std::int32_t>(part_end - reservoir_position(reservoir));
    auto bits_past_end = [&] { return static_cast<std::int64_t>(cursor.bit) - end_bit; };

    int i = 0;
    const int big_lines = 2 * info.big_values;
    const int region_end[3] = {region1, region2, kLines};
    const int pairs_end = big_lines < kLines ? big_lines : kLines;
    for (int region = 0; region < 3 && i < pairs_end; ++region) {
        const HuffmanTable& table = tables.table[info.table_select[region] & 31];
        const int stop = region_end[region] < pairs_end ? region_end[region] : pairs_end;
        if (table.nodes == nullptr || table.node_count == 0) {  // codes without bits: zeros
            for (; i < stop; ++i) values[i] = 0;
            continue;
        }
        for (; i < stop; i += 2) {
            int x = 0;
            int y = 0;
            decode_pair(table, cursor, x, y, diagnostic);
            values[i] = x;
            values[i + 1] = y;
        }
    }

    const HuffmanTable& quad_table = tables.table[32 + (info.count1_table_select & 1)];
    while (bits_past_end() < 0 && i < kLines) {
        int quad[4];
        decode_quadruple(quad_table, cursor, quad, diagnostic);
        for (int k = 0; k < 4 && i + k < kLines; ++k) values[i + k] = quad[k];
        i += 4;
    }

    const std::int64_t overrun = bits_past_end();
    if (overrun > 0) {
        // The last quadruple ran past the end of the part: it was not coded.
        i = i >= 4 ? i - 4 : 0;
        cursor.bit -= static_cast<std::uint64_t>(overrun);
    } else if (overrun < 0) {
        cursor.bit += static_cast<std::uint64_t>(-overrun);  // skipped, with the check of reading
        cursor_check(cursor);
    }
    reservoir_settle(reservoir, cursor);
    if (i > kLines) i = kLines;
    for (int k = i; k < kLines; ++k) values[k] = 0;
    return i;
}

}  // namespace mp3dec
