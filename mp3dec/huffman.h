#pragma once
// Layer III Huffman decoding: the 34 code tables (32 pair tables, two quadruple tables) built once per
// process from the embedded table text and node arrays, the decoding of one code, and the decoding of
// the 576 quantised values of one granule and channel.

#include <cstdint>
#include <span>
#include <vector>

#include "mp3dec/diagnostics.h"
#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_side_info.h"
#include "mp3dec/reservoir.h"
#include "mp3dec/tables_layer3_huffman_nodes.h"

namespace mp3dec {

constexpr int kHuffmanTableCount = 34;
constexpr int kLines = 576;

struct HuffmanTable {
    char name[4] = {};
    unsigned x_len = 0;
    unsigned y_len = 0;
    unsigned linbits = 0;
    unsigned linmax = 0;
    int reference = -1;  // table whose nodes are shared, or -1
    const std::uint8_t* nodes = nullptr;  // 2 bytes per node; null while the table has no node storage
    unsigned node_count = 0;
    bool quadruple = false;  // tables "32" and "33": one code carries v, w, x and y
    // First 8 bits of a code looked up at once: leaf (value, length) or the node reached after 8 bits.
    const std::uint32_t* lookup = nullptr;
};

struct HuffmanTables {
    HuffmanTable table[kHuffmanTableCount];
    std::vector<std::uint8_t> node_storage[kHuffmanTableCount];
    std::vector<std::uint32_t> lookup_storage[kHuffmanTableCount];
};

// Reads up to 34 tables from the text, taking the nodes of ".treedata" tables from `arrays` in order.
// Returns the number read, -1 for a line that is not ".table", -2 for a wrong table number and -3 for a
// reference to a table of other dimensions, each with its message (standard error) added to `messages`.
int load_huffman_tables(HuffmanTables& tables, const char* text, std::span<const HuffmanNodeArray> arrays,
                        std::vector<Diagnostic>& messages);

// The process's tables, loaded on first use from the embedded text; fewer than 34 stop the decoder with
// "decoder table read error".
const HuffmanTables& huffman_tables();

// Decodes one code of `table`: x, y (and v, w for the quadruple tables). 0 = decoded, 1 = illegal code
// (concealed with the largest values), 2 = the table has no node storage.
int decode_huffman_pair(const HuffmanTable& table, MainDataReservoir& reservoir, int& x, int& y, int& v, int& w);

// Decodes the big-value pairs and count-1 quadruples of one granule and channel into values[576] and
// leaves the reservoir exactly at the end of the part. Returns the first line from which all values are
// zero. Every illegal code is reported as "Illegal Huffman code in data." (standard output).
int decode_huffman_samples(std::int32_t values[kLines], const SideInfo& side_info, int channel, int granule,
                           std::uint32_t part2_start, const StreamParams& params, MainDataReservoir& reservoir,
                           const DiagnosticFn& diagnostic = {});

}  // namespace mp3dec
