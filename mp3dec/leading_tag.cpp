#include "mp3dec/leading_tag.h"

#include <cstdio>

namespace mp3dec {

namespace {

constexpr int kTagHeaderBytes = 10;
constexpr unsigned kFooterFlag = 0x10;

}  // namespace

std::uint32_t leading_tag_bytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    unsigned char h[kTagHeaderBytes];
    const bool complete = std::fread(h, 1, kTagHeaderBytes, file) == kTagHeaderBytes;
    std::fclose(file);
    if (!complete || h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
    // The size is "synchsafe": four bytes of seven bits each, so it never contains a sync pattern itself.
    std::uint32_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if ((h[i] & 0x80u) != 0) return 0;
        size = (size << 7) | h[i];
    }
    return kTagHeaderBytes + size + ((h[5] & kFooterFlag) != 0 ? kTagHeaderBytes : 0);
}

void skip_leading_tag(BitReader& reader, const std::string& path) {
    if (reader.format != kBinaryFormat) return;
    std::uint32_t remaining = leading_tag_bytes(path);
    while (remaining > 0 && !at_end_of_stream(reader)) {
        const std::uint32_t chunk = remaining < 4 ? remaining : 4;
        read_bits(reader, static_cast<int>(8 * chunk));
        remaining -= chunk;
    }
}

}  // namespace mp3dec
