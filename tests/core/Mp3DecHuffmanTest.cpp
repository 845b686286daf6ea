// The Layer III Huffman tables: the code lists are sound prefix codes, the node arrays built from them
// decode every code to its value with exactly its bits, and the table loading and pair decoding behave.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mp3dec/huffman.h"
#include "mp3dec/tables_layer3_huffman_codes.h"
#include "tests/support/BitWriter.h"

using namespace mp3dec;

namespace {

// Bits for a fresh reservoir, most significant first, stored padded with zero bytes.
struct ReservoirWriter : tressel::testing::BitWriter {
    void StoreInto(MainDataReservoir& reservoir, int padding = 8) const {
        for (std::uint8_t byte : bytes) reservoir_put_byte(reservoir, byte, 8);
        for (int i = 0; i < padding; ++i) reservoir_put_byte(reservoir, 0, 8);
    }
};

const HuffmanCodeList* CodeList(int table) {
    for (const HuffmanCodeList& list : huffman_code_lists())
        if (list.table == table) return &list;
    return nullptr;
}

struct TextRow {
    unsigned nodes, x_len, y_len, linbits;
    int reference;
};

// The table text as a map from table number to its row, parsed independently of the loader.
std::map<int, TextRow> ParseText() {
    std::map<int, TextRow> rows;
    const std::string text = kHuffmanTableText;
    std::size_t pos = 0;
    int current = -1;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        const std::string line = text.substr(pos, end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        unsigned n, nodes, x, y, lin, ref;
        if (std::sscanf(line.c_str(), ".table %u %u %u %u %u", &n, &nodes, &x, &y, &lin) == 5) {
            current = static_cast<int>(n);
            rows[current] = {nodes, x, y, lin, -1};
        } else if (std::sscanf(line.c_str(), ".reference %u", &ref) == 1) {
            rows[current].reference = static_cast<int>(ref);
        }
    }
    return rows;
}

}  // namespace

TEST(Mp3DecHuffmanCodes, EveryListIsACompletePrefixCode) {
    ASSERT_EQ(huffman_code_lists().size(), 20u);
    for (const HuffmanCodeList& list : huffman_code_lists()) {
        SCOPED_TRACE("table " + std::to_string(list.table));
        ASSERT_EQ(list.codes.size(), list.lengths.size());
        ASSERT_EQ(list.codes.size(), static_cast<std::size_t>(list.x_len * list.y_len));
        if (list.codes.empty()) continue;
        // Kraft sum exactly 1 (complete) with 2^-19 as the unit, the longest code being 19 bits.
        std::uint64_t kraft = 0;
        for (std::size_t i = 0; i < list.codes.size(); ++i) {
            ASSERT_GE(list.lengths[i], 1);
            ASSERT_LE(list.lengths[i], 19);
            ASSERT_LT(list.codes[i], 1u << list.lengths[i]);
            kraft += 1ull << (19 - list.lengths[i]);
        }
        EXPECT_EQ(kraft, 1ull << 19);
        // No code is a prefix of another.
        for (std::size_t i = 0; i < list.codes.size(); ++i)
            for (std::size_t j = 0; j < list.codes.size(); ++j) {
                if (i == j || list.lengths[i] > list.lengths[j]) continue;
                const unsigned prefix = list.codes[j] >> (list.lengths[j] - list.lengths[i]);
                ASSERT_FALSE(prefix == list.codes[i]) << "code " << i << " is a prefix of code " << j;
            }
    }
}

TEST(Mp3DecHuffmanCodes, QuadrupleTableBIsTheFixedFourBitCode) {
    const HuffmanCodeList* b = CodeList(33);
    ASSERT_NE(b, nullptr);
    for (unsigned value = 0; value < 16; ++value) {
        EXPECT_EQ(b->lengths[value], 4);
        EXPECT_EQ(b->codes[value], 15 - value);
    }
}

TEST(Mp3DecHuffmanText, HasTheLineLayoutAndTheTableParameters) {
    int lines = 0;
    for (const char* c = kHuffmanTableText; *c; ++c) lines += *c == '\n';
    EXPECT_EQ(lines, 103);
    EXPECT_EQ(std::strncmp(kHuffmanTableText, ".table  0   0  0  0  0\n", 23), 0);
    EXPECT_NE(std::strstr(kHuffmanTableText, ".table 24 512 16 16  4\n"), nullptr);
    EXPECT_NE(std::strstr(kHuffmanTableText, "\n.end"), nullptr);

    const std::map<int, TextRow> rows = ParseText();
    ASSERT_EQ(rows.size(), 34u);
    const unsigned linbits[34] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,
                                  2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13, 0, 0};
    for (const auto& [n, row] : rows) {
        SCOPED_TRACE("table " + std::to_string(n));
        EXPECT_EQ(row.linbits, linbits[n]);
        if (n >= 17 && n <= 23) {
            EXPECT_EQ(row.reference, 16);
        }
        if (n >= 25 && n <= 31) {
            EXPECT_EQ(row.reference, 24);
        }
        const HuffmanCodeList* list = CodeList(row.reference >= 0 ? row.reference : n);
        ASSERT_NE(list, nullptr);
        // A full binary tree has 2 x leaves - 1 nodes; table 24 needs one chaining step on top.
        const unsigned leaves = static_cast<unsigned>(list->codes.size());
        const unsigned expected = leaves == 0 ? 0 : 2 * leaves - 1 + (list->table == 24 ? 1 : 0);
        EXPECT_EQ(row.nodes, expected);
        EXPECT_EQ(row.x_len, static_cast<unsigned>(list->x_len));
        EXPECT_EQ(row.y_len, static_cast<unsigned>(list->y_len));
    }
}

TEST(Mp3DecHuffmanNodes, NodeArraysMatchTheTextAndOnlyTable24Chains) {
    const std::map<int, TextRow> rows = ParseText();
    ASSERT_EQ(huffman_node_arrays().size(), 20u);
    for (const HuffmanNodeArray& array : huffman_node_arrays()) {
        SCOPED_TRACE("table " + std::to_string(array.table));
        ASSERT_EQ(rows.at(array.table).reference, -1);
        EXPECT_EQ(array.entries.size(), 2u * rows.at(array.table).nodes);
        int chaining = 0;
        for (std::size_t i = 0; i < array.entries.size(); ++i) {
            EXPECT_GE(array.entries[i], 0);
            EXPECT_LE(array.entries[i], 255);
            // Offsets never leave the array.
            if (i % 2 == 0 && array.entries[i] == 0) continue;  // leaf: bit-1 entry is its value
            const bool leaf = array.entries[i - i % 2] == 0;
            if (leaf) continue;
            EXPECT_LT(i / 2 + static_cast<std::size_t>(array.entries[i]), array.entries.size() / 2);
            chaining += array.entries[i] >= 250;
        }
        EXPECT_EQ(chaining, array.table == 24 ? 1 : 0);
    }
}

TEST(Mp3DecHuffmanNodes, EveryCodeDecodesToItsValueWithExactlyItsBits) {
    const HuffmanTables& tables = huffman_tables();
    for (int n = 0; n < kHuffmanTableCount; ++n) {
        const HuffmanTable& table = tables.table[n];
        if (table.node_count == 0) continue;
        const HuffmanCodeList* list = CodeList(table.reference >= 0 ? table.reference : n);
        ASSERT_NE(list, nullptr);
        const bool quadruple = n >= 32;
        for (std::size_t i = 0; i < list->codes.size(); ++i) {
            SCOPED_TRACE("table " + std::to_string(n) + " code " + std::to_string(i));
            const int x0 = static_cast<int>(i) / list->y_len;
            const int y0 = static_cast<int>(i) % list->y_len;
            // Expected values in the order v, w, x, y; escapes take all-ones linbits (the largest
            // extension) and every non-zero value is negative.
            int expected[4] = {0, 0, x0, y0};
            if (quadruple)
                for (int k = 0; k < 4; ++k) expected[k] = (static_cast<int>(i) >> (3 - k)) & 1;
            ReservoirWriter ordered;
            ordered.Put(list->codes[i], list->lengths[i]);
            for (int k = 0; k < 4; ++k) {
                if (!quadruple && table.linbits != 0 && expected[k] == 15) {
                    ordered.Put(table.linmax, static_cast<int>(table.linbits));
                    expected[k] += static_cast<int>(table.linmax);
                }
                if (expected[k] != 0) {
                    ordered.Put(1, 1);
                    expected[k] = -expected[k];
                }
            }
            auto reservoir = std::make_unique<MainDataReservoir>();
            ordered.StoreInto(*reservoir);
            int x = 99, y = 99, v = 99, w = 99;
            ASSERT_EQ(decode_huffman_pair(table, *reservoir, x, y, v, w), 0);
            EXPECT_EQ(reservoir_position(*reservoir), ordered.Bits());
            if (quadruple) {
                EXPECT_EQ(v, expected[0]);
                EXPECT_EQ(w, expected[1]);
            }
            EXPECT_EQ(x, expected[2]);
            EXPECT_EQ(y, expected[3]);
        }
    }
}

TEST(Mp3DecHuffmanPair, EmptyTablesGiveZerosWithoutReadingBits) {
    const HuffmanTables& tables = huffman_tables();
    for (int n : {0, 4, 14}) {
        auto reservoir = std::make_unique<MainDataReservoir>();
        reservoir_put_byte(*reservoir, 0xFF, 8);
        int x = 5, y = 5, v = 5, w = 5;
        EXPECT_EQ(decode_huffman_pair(tables.table[n], *reservoir, x, y, v, w), 0);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        EXPECT_EQ(reservoir_position(*reservoir), 0u);
    }
    HuffmanTable without_nodes;
    auto reservoir = std::make_unique<MainDataReservoir>();
    int x, y, v, w;
    EXPECT_EQ(decode_huffman_pair(without_nodes, *reservoir, x, y, v, w), 2);
}

TEST(Mp3DecHuffmanPair, Table16LinbitBitPrecedesTheSign) {
    const HuffmanTables& tables = huffman_tables();
    const HuffmanCodeList* list = CodeList(16);
    const std::size_t index = 15 * 16 + 0;  // x = 15, y = 0
    ReservoirWriter writer;
    writer.Put(list->codes[index], list->lengths[index]);
    writer.Put(1, 1);  // linbits: x = 15 + 1
    writer.Put(0, 1);  // sign of x: positive
    auto reservoir = std::make_unique<MainDataReservoir>();
    writer.StoreInto(*reservoir);
    int x, y, v, w;
    ASSERT_EQ(decode_huffman_pair(tables.table[16], *reservoir, x, y, v, w), 0);
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(reservoir_position(*reservoir), writer.Bits());
}

TEST(Mp3DecHuffmanLoad, ReportsCorruptTextWrongNumbersAndBadReferences) {
    auto tables = std::make_unique<HuffmanTables>();
    const std::span<const HuffmanNodeArray> arrays = huffman_node_arrays();
    std::vector<Diagnostic> messages;
    EXPECT_EQ(
        load_huffman_tables(*tables, ".table  0   0  0  0  0\n.treedata\n\n.tabel  1 7 2 2 0\n", arrays, messages), -1);
    EXPECT_EQ(
        load_huffman_tables(*tables, ".table  0   0  0  0  0\n.treedata\n\n.table  2 7 2 2 0\n", arrays, messages), -2);
    EXPECT_EQ(
        load_huffman_tables(*tables,
                            "# comment\n.table  0   0  0  0  0\n.treedata\n\n.table  1   7  2  2  0\n.treedata\n\n"
                            ".table  2  17  3  3  0\n.reference 1\n\n",
                            arrays, messages),
        -3);
    EXPECT_EQ(load_huffman_tables(*tables, ".table  0   0  0  0  0\n.treedata\n\n.end\n", arrays, messages), 1);
    const std::vector<Diagnostic> expected = {{DiagnosticStream::standard_error, "huffman table 1 data corrupted\n"},
                                              {DiagnosticStream::standard_error, "wrong table number 1\n"},
                                              {DiagnosticStream::standard_error, "wrong table 2 reference\n"}};
    EXPECT_EQ(messages, expected);
    messages.clear();
    EXPECT_EQ(load_huffman_tables(*tables, kHuffmanTableText, arrays, messages), 34);
    EXPECT_TRUE(messages.empty());
}
