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
