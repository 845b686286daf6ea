#pragma once
// The Layer III Huffman code tables of ISO/IEC 11172-3 Table 3-B.7 as codeword/length lists.
// This is the source the node arrays are generated from (mp3dec/tools/make_huffman_nodes.cpp) and the
// reference the table tests check the decoder's node arrays against.

#include <cstdint>
#include <span>

namespace mp3dec {

struct HuffmanCodeList {
    int table = 0;      // table number 0..33 (32 and 33 are the quadruple tables A and B)
    int x_len = 0;      // number of x values (1 for the quadruple tables)
    int y_len = 0;      // number of y values (16 for the quadruple tables)
    // Codewords and their lengths, indexed x * y_len + y; for the quadruple tables the index is
    // v * 8 + w * 4 + x * 2 + y and is what the leaf carries as its y value.
    std::span<const std::uint16_t> codes;
    std::span<const std::uint8_t> lengths;
};

// The 20 tables that carry their own codes (0, 4 and 14 are empty), in table order.
std::span<const HuffmanCodeList> huffman_code_lists();

}  // namespace mp3dec
