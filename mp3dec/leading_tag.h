#pragma once
// MP3 files often start with an ID3v2 tag (titles, pictures). Its bytes are not audio, and a picture is
// full of 0xFF bytes that look like sync words, so the decoder steps over the tag before it searches for
// the first frame.

#include <cstdint>
#include <string>

#include "mp3dec/bitstream.h"

namespace mp3dec {

// Length in bytes of the ID3v2 tag at the start of the file (header and footer included); 0 if none.
std::uint32_t leading_tag_bytes(const std::string& path);

// Moves the reader, still at the start of a binary stream, past a leading ID3v2 tag.
void skip_leading_tag(BitReader& reader, const std::string& path);

}  // namespace mp3dec
