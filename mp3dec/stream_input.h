#pragma once
// What the decoder reads: an MPEG audio file image, either the raw bitstream or the same bytes written as
// upper-case hexadecimal text (two characters per byte, line breaks ignored). The image is classified and,
// if it is text, converted once, so that every reader afterwards works on the bitstream bytes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mp3dec/diagnostics.h"

namespace mp3dec {

enum StreamImageFormat : unsigned char { kBinaryFormat = 0, kHexTextFormat = 1 };

// Text when every byte is "0".."9", "A".."F", a line feed, a carriage return or 26 (an empty image too).
StreamImageFormat classify_stream_image(std::span<const std::uint8_t> image);
// Two hexadecimal digits per byte; every other character is passed over, a last lone digit is dropped.
std::vector<std::uint8_t> hex_text_to_bytes(std::span<const std::uint8_t> image);

// "the bit stream file NAME is a BINARY file" (or "an ASCII file"), on standard output.
Diagnostic stream_format_announcement(const std::string& name, StreamImageFormat format);
// "Could not find "NAME"." on standard output.
Diagnostic missing_input_message(const std::string& name);

// The bitstream of an image. Holds the converted bytes of a text image; a binary image is referred to,
// not copied, so it must outlive this.
class StreamBytes {
public:
    explicit StreamBytes(std::span<const std::uint8_t> image);
    StreamBytes(const StreamBytes&) = delete;
    StreamBytes& operator=(const StreamBytes&) = delete;

    StreamImageFormat format() const { return m_format; }
    std::span<const std::uint8_t> bytes() const {
        return m_format == kHexTextFormat ? std::span<const std::uint8_t>(m_converted) : m_image;
    }
    // Where the search for the first frame starts: past a leading ID3v2 tag of a binary image.
    std::size_t first_search_byte() const { return m_first_search_byte; }

private:
    std::span<const std::uint8_t> m_image;
    StreamImageFormat m_format;
    std::vector<std::uint8_t> m_converted;
    std::size_t m_first_search_byte = 0;
};

// Length in bytes of an ID3v2 tag at the start of the bytes (header and footer included); 0 if none.
// Files often start with one, and a picture in it is full of 0xFF bytes that look like sync words.
std::uint32_t leading_tag_bytes(std::span<const std::uint8_t> bytes);

// The whole file (up to a read error); false when it cannot be opened.
bool read_whole_file(const std::string& path, std::vector<std::uint8_t>& bytes);

}  // namespace mp3dec
