#include <gtest/gtest.h>

#include "Mp3DecTestSupport.h"
#include "mp3dec/bitstream.h"
#include "mp3dec/decoder_stop.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

struct OpenReader {
    BitReader reader;
    OpenReader(const std::string& path, int buffer_size = kReaderBufferSize) {
        bit_reader_open(reader, path, buffer_size, false);
    }
    ~OpenReader() { bit_reader_close(reader); }
};

std::string WriteText(const ScratchDir& dir, const std::string& name, const std::string& text) {
    WriteFileBytes(dir.Path() / name, std::vector<std::uint8_t>(text.begin(), text.end()));
    return dir.File(name);
}

}  // namespace

TEST(Mp3DecBitReader, ReadsAcrossByteBoundariesMostSignificantFirst) {
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "b.bit", {0xA5, 0x3C, 0xFF, 0x00, 0x81});
    OpenReader r(dir.File("b.bit"));
    EXPECT_EQ(read_bits(r.reader, 3), 0x5u);    // 101
    EXPECT_EQ(read_bits(r.reader, 7), 0x14u);   // 00101 00
    EXPECT_EQ(read_bit(r.reader), 1u);          // 1
    EXPECT_EQ(read_bits(r.reader, 13), 0x1CFFu);  // 11100 11111111
    EXPECT_EQ(bits_consumed(r.reader), 24u);
    EXPECT_EQ(read_bits(r.reader, 16), 0x0081u);
    EXPECT_FALSE(at_end_of_stream(r.reader));
}

TEST(Mp3DecBitReader, ThirtyTwoBitReadAndRefillAcrossSmallBuffer) {
    ScratchDir dir;
    std::vector<std::uint8_t> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    WriteFileBytes(dir.Path() / "b.bit", bytes);
    OpenReader r(dir.File("b.bit"), 16);  // forces many refills
    for (std::size_t i = 0; i + 4 <= 96; i += 4) {
        const std::uint32_t expected = (static_cast<std::uint32_t>(bytes[i]) << 24) | (bytes[i + 1] << 16) |
                                       (bytes[i + 2] << 8) | bytes[i + 3];
        ASSERT_EQ(read_bits(r.reader, 32), expected) << "at byte " << i;
    }
}

// Reads of every width from 1 to 32 in a scrambled order, through small and default buffers and both file
// forms, give the bits of the file in order and zeros past its end.
TEST(Mp3DecBitReader, MixedWidthReadsFollowTheFileBitByBitAcrossRefillsAndTheEnd) {
    ScratchDir dir;
    std::vector<std::uint8_t> bytes(9000);
    std::uint32_t seed = 12345;
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    WriteFileBytes(dir.Path() / "b.bit", bytes);
    std::string hex;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        hex += "0123456789ABCDEF"[bytes[i] >> 4];
        hex += "0123456789ABCDEF"[bytes[i] & 15];
        if (i % 40 == 39) hex += "\r\n";
    }
    const std::string files[] = {dir.File("b.bit"), WriteText(dir, "b.txt", hex)};
    const std::uint64_t total_bits = 8 * bytes.size();
    auto expected_bits = [&](std::uint64_t position, int n) {
        std::uint32_t value = 0;
        for (int k = 0; k < n; ++k, ++position) {
            const unsigned bit = position < total_bits ? (bytes[position / 8] >> (7 - position % 8)) & 1u : 0u;
            value = (value << 1) | bit;
        }
        return value;
    };
    for (const std::string& file : files) {
        for (int buffer_size : {16, 37, kReaderBufferSize}) {
            OpenReader r(file, buffer_size);
            std::uint64_t position = 0;
            for (int i = 0; position < total_bits + 200; ++i) {
                const int n = 1 + (i * 13 + i / 7) % 32;
                ASSERT_EQ(read_bits(r.reader, n), expected_bits(position, n))
                    << file << " buffer " << buffer_size << " read " << i << " at bit " << position;
                position += static_cast<std::uint64_t>(n);
                ASSERT_EQ(bits_consumed(r.reader), static_cast<std::uint32_t>(position));
            }
            EXPECT_TRUE(at_end_of_stream(r.reader));
        }
    }
}

TEST(Mp3DecBitReader, EndOfStreamIsFlaggedOnTheFirstBitPastTheDataAndReadsGiveZeros) {
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "b.bit", std::vector<std::uint8_t>(10, 0xFF));
    OpenReader r(dir.File("b.bit"));
    EXPECT_EQ(read_bits(r.reader, 32), 0xFFFFFFFFu);
    EXPECT_EQ(read_bits(r.reader, 32), 0xFFFFFFFFu);
    EXPECT_EQ(read_bits(r.reader, 16), 0xFFFFu);
    EXPECT_FALSE(at_end_of_stream(r.reader));
    EXPECT_EQ(read_bit(r.reader), 0u);
    EXPECT_TRUE(at_end_of_stream(r.reader));
    // Long after the end: still zeros, never a read outside the buffer (checked under ASan).
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(read_bits(r.reader, 32), 0u);
}

TEST(Mp3DecBitReader, UpperCaseHexTextIsReadTwoCharactersPerByte) {
    ScratchDir dir;
    const std::string path = WriteText(dir, "t.txt", "A53C\r\nFF0\n081\n");
    OpenReader r(path);
    EXPECT_EQ(r.reader.format, kHexTextFormat);
    EXPECT_EQ(read_bits(r.reader, 32), 0xA53CFF00u);
    EXPECT_EQ(read_bits(r.reader, 8), 0x81u);
    read_bit(r.reader);
    EXPECT_TRUE(at_end_of_stream(r.reader));
}

TEST(Mp3DecBitReader, LowerCaseHexDigitsMakeTheFileBinary) {
    ScratchDir dir;
    const std::string path = WriteText(dir, "t.txt", "a53c\n");
    OpenReader r(path);
    EXPECT_EQ(r.reader.format, kBinaryFormat);
    EXPECT_EQ(read_bits(r.reader, 8), static_cast<std::uint32_t>('a'));
}

TEST(Mp3DecBitReader, MissingFileStopsTheDecoder) {
    BitReader reader;
    EXPECT_THROW(bit_reader_open(reader, "/nonexistent/dir/x.mp2", kReaderBufferSize, false), DecoderStopped);
    bit_reader_close(reader);
}

TEST(Mp3DecFindSync, SkipsJunkAndFindsOnlyByteAlignedSyncWords) {
    ScratchDir dir;
    BitWriter w;
    w.Put(0x12, 8);
    w.Put(0x7FF8, 16);  // 0xFFF starting at bit 1 of this pair: not byte aligned
    w.Put(0x00, 8);
    w.Put(0xFFF, 12);   // the real one, byte aligned
    w.Put(0xA, 4);
    WriteFileBytes(dir.Path() / "s.bit", w.bytes);
    OpenReader r(dir.File("s.bit"));
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 4u * 8u + 12u);
    EXPECT_EQ(read_bits(r.reader, 4), 0xAu);
}

TEST(Mp3DecFindSync, StartsFromTheNextByteBoundaryAndFailsAtTheEnd) {
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "s.bit", {0xFF, 0xF0, 0x00, 0x7F, 0xF0});
    OpenReader r(dir.File("s.bit"));
    read_bits(r.reader, 3);
    // The sync word at byte 0 is behind us now and the one in bytes 3-4 is not byte aligned.
    EXPECT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 0);
    EXPECT_TRUE(at_end_of_stream(r.reader));
}

TEST(Mp3DecFindSync, PeekAndRewindLetASearchResumeInsideARejectedHeader) {
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "s.bit", {0x00, 0xFF, 0xFF, 0xFC, 0x12, 0x34});
    OpenReader r(dir.File("s.bit"));
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 20u);
    EXPECT_EQ(peek_bits(r.reader, 20), 0xFFC12u);
    EXPECT_EQ(bits_consumed(r.reader), 20u);
    rewind_to_byte_start(r.reader);
    EXPECT_EQ(bits_consumed(r.reader), 16u);
    ASSERT_EQ(find_sync(r.reader, kSyncWord, kSyncWordWidth), 1);
    EXPECT_EQ(bits_consumed(r.reader), 28u);
    EXPECT_EQ(read_bits(r.reader, 4), 0xCu);
}
