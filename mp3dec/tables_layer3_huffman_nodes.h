#pragma once
// Node arrays of the 20 Layer III Huffman tables that carry their own tree (the others refer to one of
// these), generated from the code lists by mp3dec/tools/make_huffman_nodes.cpp. Each node is two ints
// (entry for bit 0, entry for bit 1) of which the low byte is kept.

#include <span>

namespace mp3dec {

struct HuffmanNodeArray {
    int table = 0;
    std::span<const int> entries;  // 2 per node
};

// In table order; tables 0, 4 and 14 have no nodes.
std::span<const HuffmanNodeArray> huffman_node_arrays();

}  // namespace mp3dec

namespace mp3dec {
// The table descriptions ".table ..." / ".treedata" | ".reference N", 103 lines ending with ".end".
extern const char kHuffmanTableText[];
}  // namespace mp3dec
