// Turns the Layer III Huffman codeword/length lists into the byte node arrays the decoder walks, and
// writes them as C++ source (mp3dec/tables_layer3_huffman_nodes.cpp).
//
// Node form: two entries per node, one per bit value. A node whose bit-0 entry is 0 is a leaf and its
// bit-1 entry holds x << 4 | y. Otherwise the entry for the bit read is an offset to the next node; an
// offset of 250 or more is a chaining step that lands on a helper node whose entry for the same bit
// continues the jump.
//
// Layout: pre-order, the bit-1 child directly after its parent, the bit-0 subtree after the bit-1
// subtree. Where a bit-0 jump would reach 250, a helper node is inserted 250 places after the parent.
//
// Usage: make_huffman_nodes OUTPUT.cpp

#include "mp3dec/tables_layer3_huffman_codes.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kChainOffset = 250;

struct TreeNode {
    std::unique_ptr<TreeNode> child[2];
    bool is_leaf = false;
    int value = 0;
};

// One slot of the final array: a tree node or a chaining helper.
struct Slot {
    const TreeNode* node = nullptr;  // null for a helper
    int helper_bit = 0;               // helper: the bit it continues
    Slot* helper_target = nullptr;    // helper: where the jump ends
    Slot* target[2] = {nullptr, nullptr};
};

bool insert_code(TreeNode& root, unsigned code, int length, int value) {
    TreeNode* node = &root;
    for (int i = length - 1; i >= 0; --i) {
        if (node->is_leaf) return false;
        auto& next = node->child[(code >> i) & 1u];
        if (!next) next = std::make_unique<TreeNode>();
        node = next.get();
    }
    if (node->is_leaf || node->child[0] || node->child[1]) return false;
    node->is_leaf = true;
    node->value = value;
    return true;
}

// Pre-order, bit-1 child first; returns the slot of the subtree root.
Slot* lay_out(const TreeNode& node, std::vector<std::unique_ptr<Slot>>& slots) {
    slots.push_back(std::make_unique<Slot>());
    Slot* slot = slots.back().get();
    slot->node = &node;
    if (!node.is_leaf) {
        if (!node.child[0] || !node.child[1]) throw std::runtime_error("incomplete code tree");
        slot->target[1] = lay_out(*node.child[1], slots);
        slot->target[0] = lay_out(*node.child[0], slots);
    }
    return slot;
}

int index_of(const std::vector<std::unique_ptr<Slot>>& slots, const Slot* slot) {
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i].get() == slot) return static_cast<int>(i);
    throw std::runtime_error("slot missing");
}

// Inserts helpers until every jump to a node is below 250 and every jump to a helper is 250..255.
void insert_chaining_steps(std::vector<std::unique_ptr<Slot>>& slots) {
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < slots.size() && !changed; ++i) {
            Slot* slot = slots[i].get();
            for (int bit = 0; bit < 2 && !changed; ++bit) {
                Slot* target = slot->node ? slot->target[bit] : (bit == slot->helper_bit ? slot->helper_target : nullptr);
                if (!target) continue;
                const int offset = index_of(slots, target) - static_cast<int>(i);
                const bool to_helper = target->node == nullptr;
                if (offset <= 0) throw std::runtime_error("backward jump");
                if (to_helper && (offset < kChainOffset || offset > 255)) throw std::runtime_error("helper out of reach");
                if (to_helper || offset < kChainOffset) continue;
                auto helper = std::make_unique<Slot>();
                helper->helper_bit = bit;
                helper->helper_target = target;
                Slot* raw = helper.get();
                slots.insert(slots.begin() + static_cast<std::ptrdiff_t>(i) + kChainOffset, std::move(helper));
                if (slot->node) slot->target[bit] = raw; else slot->helper_target = raw;
                changed = true;
            }
        }
    }
}

std::vector<int> encode(const std::vector<std::unique_ptr<Slot>>& slots) {
    std::vector<int> bytes;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Slot& slot = *slots[i];
        int entry[2] = {0, 0};
        if (slot.node && slot.node->is_leaf) {
            entry[1] = slot.node->value;
        } else if (slot.node) {
            for (int bit = 0; bit < 2; ++bit) entry[bit] = index_of(slots, slot.target[bit]) - static_cast<int>(i);
        } else {
            entry[slot.helper_bit] = index_of(slots, slot.helper_target) - static_cast<int>(i);
            // The other entry of a helper is never used; keep it non-zero so the helper is never a leaf.
            entry[1 - slot.helper_bit] = 1;
        }
        bytes.push_back(entry[0]);
        bytes.push_back(entry[1]);
    }
    return bytes;
}

std::vector<int> build_nodes(const mp3dec::HuffmanCodeList& list) {
    if (list.codes.empty()) return {};
    TreeNode root;
    for (std::size_t i = 0; i < list.codes.size(); ++i) {
        const int x = static_cast<int>(i) / list.y_len;
        const int y = static_cast<int>(i) % list.y_len;
        if (!insert_code(root, list.codes[i], list.lengths[i], x << 4 | y))
            throw std::runtime_error("codes of table " + std::to_string(list.table) + " are not prefix-free");
    }
    std::vector<std::unique_ptr<Slot>> slots;
    lay_out(root, slots);
    insert_chaining_steps(slots);
    return encode(slots);
}

std::string render(const std::vector<std::pair<int, std::vector<int>>>& tables) {
    std::ostringstream out;
    out << "// Generated by mp3dec/tools/make_huffman_nodes.cpp from mp3dec/tables_layer3_huffman_codes.cpp.\n"
           "// Do not edit; regenerate with: make_huffman_nodes mp3dec/tables_layer3_huffman_nodes.cpp\n\n"
           "#include \"mp3dec/tables_layer3_huffman_nodes.h\"\n\n"
           "namespace mp3dec {\nnamespace {\n\n";
    for (const auto& [table, bytes] : tables) {
        out << "// table " << table << ": " << bytes.size() / 2 << " nodes\n";
        out << "constexpr int kNodes" << table << "[] = {";
        if (bytes.empty()) out << "0";  // an empty aggregate is not allowed; the node count says 0
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i % 16 == 0) out << "\n   ";
            out << ' ' << bytes[i] << ',';
        }
        out << "\n};\n\n";
    }
    out << "constexpr HuffmanNodeArray kArrays[] = {\n";
    for (const auto& [table, bytes] : tables)
        out << "    {" << table << ", std::span<const int>(kNodes" << table << ", " << bytes.size() << ")},\n";
    out << "};\n\n}  // namespace\n\n"
           "std::span<const HuffmanNodeArray> huffman_node_arrays() {\n    return kArrays;\n}\n\n"
           "}  // namespace mp3dec\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_huffman_nodes OUTPUT.cpp\n";
        return 2;
    }
    try {
        std::vector<std::pair<int, std::vector<int>>> tables;
        for (const auto& list : mp3dec::huffman_code_lists()) {
            tables.emplace_back(list.table, build_nodes(list));
            std::cout << "table " << list.table << ": " << tables.back().second.size() / 2 << " nodes\n";
        }
        std::ofstream file(argv[1], std::ios::binary);
        file << render(tables);
        if (!file) throw std::runtime_error("cannot write " + std::string(argv[1]));
    } catch (const std::exception& error) {
        std::cerr << "make_huffman_nodes: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
