#include "mp3dec/stream_input.h"

#include <cstdio>

namespace mp3dec {

namespace {

constexpr int kTagHeaderBytes = 10;
constexpr unsigned kFooterFlag = 0x10;

bool is_hex_text_byte(int c) {
    return c == '\n' || c == '\r' || c == 26 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int hex_digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

StreamImageFormat classify_stream_image(std::span<const std::uint8_t> image) {
    for (const std::uint8_t c : image) {
        if (!is_hex_text_byte(c)) return kBinaryFormat;
    }
    return kHexTextFormat;
}

std::vector<std::uint8_t> hex_text_to_bytes(std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(image.size() / 2);
    int high = -1;
    for (const std::uint8_t c : image) {
        const int digit = hex_digit_value(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>((high << 4) | digit));
            high = -1;
        }
    }
    return bytes;
}

Diagnostic stream_format_announcement(const std::string& name, StreamImageFormat format) {
    return format_diagnostic(DiagnosticStream::standard_output, "the bit stream file %s is %s file\n", name.c_str(),
                             format == kHexTextFormat ? "an ASCII" : "a BINARY");
}

Diagnostic missing_input_message(const std::string& name) {
    return format_diagnostic(DiagnosticStream::standard_output, "Could not find \"%s\".\n", name.c_str());
}

StreamBytes::StreamBytes(std::span<const std::uint8_t> image) : m_image(image), m_format(classify_stream_image(image)) {
    if (m_format == kHexTextFormat) {
        m_converted = hex_text_to_bytes(image);
    } else {
        m_first_search_byte = leading_tag_bytes(image);
    }
}

std::uint32_t leading_tag_bytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kTagHeaderBytes) return 0;
    const std::uint8_t* h = bytes.data();
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
    // The size is "synchsafe": four bytes of seven bits each, so it never contains a sync pattern itself.
    std::uint32_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if ((h[i] & 0x80u) != 0) return 0;
        size = (size << 7) | h[i];
    }
    return kTagHeaderBytes + size + ((h[5] & kFooterFlag) != 0 ? kTagHeaderBytes : 0);
}

bool read_whole_file(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long length = std::ftell(file);
        if (length > 0) bytes.reserve(static_cast<std::size_t>(length));
        std::rewind(file);
    }
    // A read error ends the data, as the end of the file would (a folder opened as a file reads as empty).
    std::uint8_t block[1 << 16];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
    std::fclose(file);
    return true;
}

}  // namespace mp3dec
