// Building the Huffman tables from the table text and the node arrays.

#include <cstdio>
#include <cstring>
#include <new>

#include "mp3dec/decoder_stop.h"
#include "mp3dec/huffman.h"

namespace mp3dec {
namespace {

constexpr int kLookupBits = 8;
constexpr std::uint32_t kLeafFlag = 1u << 31;

class LineReader {
public:
    explicit LineReader(const char* text) : text_(text) {}

    // The next line that is not a comment and does not start with a control character; false at the end.
    bool next_content_line(char* line, std::size_t size) {
        while (next_line(line, size))
            if (line[0] != '#' && static_cast<unsigned char>(line[0]) >= ' ') return true;
        return false;
    }

    bool next_line(char* line, std::size_t size) {
        if (*text_ == '\0') return false;
        std::size_t length = 0;
        while (*text_ != '\0' && *text_ != '\n') {
            if (length + 1 < size) line[length++] = *text_;
            ++text_;
        }
        if (*text_ == '\n') ++text_;
        line[length] = '\0';
        return true;
    }

private:
    const char* text_;
};

// One step of the walk: the offset for `bit`, following chaining steps.
unsigned step(const std::uint8_t* nodes, unsigned node_count, unsigned point, unsigned bit, bool& inside) {
    for (;;) {
        if (point >= node_count) {
            inside = false;
            return point;
        }
        const unsigned offset = nodes[2 * point + bit];
        point += offset;
        if (offset < 250) return point;
    }
}

// For every 8-bit prefix: the leaf it reaches (value and code length) or the node after all 8 bits.
std::vector<std::uint32_t> build_lookup(const std::uint8_t* nodes, unsigned node_count) {
    std::vector<std::uint32_t> lookup(1u << kLookupBits, 0);
    if (node_count == 0) return lookup;
    for (unsigned prefix = 0; prefix < lookup.size(); ++prefix) {
        unsigned point = 0;
        bool inside = true;
        std::uint32_t entry = 0;
        int used = 0;
        for (;;) {
            if (!inside) {
                entry = 0;  // leaves the array: fall back to the bit-by-bit walk from the start
                used = 0;
                point = 0;
                break;
            }
            if (nodes[2 * point] == 0) {
                entry = kLeafFlag | static_cast<std::uint32_t>(used) << 8 | nodes[2 * point + 1];
                break;
            }
            if (used == kLookupBits) break;
            const unsigned bit = (prefix >> (kLookupBits - 1 - used)) & 1u;
            point = step(nodes, node_count, point, bit, inside);
            ++used;
        }
        if (!(entry & kLeafFlag)) entry = static_cast<std::uint32_t>(used) << 8 | point << 16;
        lookup[prefix] = entry;
    }
    return lookup;
}

}  // namespace

int load_huffman_tables(HuffmanTables& tables, const char* text, std::span<const HuffmanNodeArray> arrays,
                        std::vector<Diagnostic>& messages) {
    auto report = [&messages](Diagnostic message) { messages.push_back(std::move(message)); };
    LineReader reader(text);
    std::size_t next_array = 0;
    char line[256];
    int n = 0;
    for (; n < kHuffmanTableCount; ++n) {
        HuffmanTable& table = tables.table[n];
        table = HuffmanTable{};
        char keyword[32] = {};
        char name[32] = {};
        unsigned node_count = 0, x_len = 0, y_len = 0, linbits = 0;
        if (!reader.next_content_line(line, sizeof line)) break;
        std::sscanf(line, "%31s %31s %u %u %u %u", keyword, name, &node_count, &x_len, &y_len, &linbits);
        if (std::strcmp(keyword, ".end") == 0) return n;
        if (std::strcmp(keyword, ".table") != 0) {
            report(format_diagnostic(DiagnosticStream::standard_error, "huffman table %u data corrupted\n",
                                     static_cast<unsigned>(n)));
            return -1;
        }
        std::snprintf(table.name, sizeof table.name, "%.3s", name);
        table.quadruple = std::strcmp(table.name, "32") == 0 || std::strcmp(table.name, "33") == 0;
        table.x_len = x_len;
        table.y_len = y_len;
        table.linbits = linbits;
        table.linmax = linbits < 32 ? (1u << linbits) - 1u : 0xFFFFFFFFu;
        unsigned number = 0;
        if (std::sscanf(name, "%u", &number) != 1 || number != static_cast<unsigned>(n)) {
            report(format_diagnostic(DiagnosticStream::standard_error, "wrong table number %u\n",
                                     static_cast<unsigned>(n)));
            return -2;
        }

        char second[32] = {};
        unsigned reference = 0;
        if (!reader.next_content_line(line, sizeof line)) break;
        std::sscanf(line, "%31s %u", second, &reference);
        if (std::strcmp(second, ".reference") == 0) {
            if (reference >= static_cast<unsigned>(n) || tables.table[reference].x_len != x_len ||
                tables.table[reference].y_len != y_len) {
                report(format_diagnostic(DiagnosticStream::standard_error, "wrong table %u reference\n",
                                         static_cast<unsigned>(n)));
                return -3;
            }
            const HuffmanTable& shared = tables.table[reference];
            table.reference = static_cast<int>(reference);
            table.nodes = shared.nodes;
            table.node_count = shared.node_count;
            table.lookup = shared.lookup;
        } else if (std::strcmp(second, ".treedata") == 0) {
            table.reference = -1;
            std::vector<std::uint8_t>& storage = tables.node_storage[n];
            try {
                storage.assign(2u * node_count + 2u, 0);  // never empty, so the table always has storage
            } catch (const std::bad_alloc&) {
                stop_decoder(format_diagnostic(DiagnosticStream::standard_error, "heaperror at table %d\n", n));
            }
            if (next_array < arrays.size()) {
                const std::span<const int> entries = arrays[next_array++].entries;
                const std::size_t count = entries.size() < 2u * node_count ? entries.size() : 2u * node_count;
                for (std::size_t i = 0; i < count; ++i) storage[i] = static_cast<std::uint8_t>(entries[i] & 0xFF);
            }
            table.nodes = storage.data();
            table.node_count = node_count;
            tables.lookup_storage[n] = build_lookup(table.nodes, node_count);
            table.lookup = tables.lookup_storage[n].data();
            reader.next_line(line, sizeof line);
        } else {
            report(format_diagnostic(DiagnosticStream::standard_error, "huffman decodertable error at table %d\n", n));
        }
    }
    return n;
}

const HuffmanTables& huffman_tables() {
    static const HuffmanTables* const loaded = [] {
        auto* tables = new HuffmanTables;  // lives for the process
        std::vector<Diagnostic> messages;
        if (load_huffman_tables(*tables, kHuffmanTableText, huffman_node_arrays(), messages) != kHuffmanTableCount) {
            delete tables;
            Diagnostic reason{DiagnosticStream::standard_error, {}};
            for (const Diagnostic& message : messages) reason.text += message.text;
            reason.text += "decoder table read error\n";
            stop_decoder(reason);
        }
        return tables;
    }();
    return *loaded;
}

}  // namespace mp3dec
