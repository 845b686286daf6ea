#include <gtest/gtest.h>

#include <cmath>

#include "Mp3DecTestSupport.h"
#include "mp3dec/crc.h"
#include "mp3dec/decoder_stop.h"
#include "mp3dec/frame_header.h"
#include "mp3dec/tables.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

FrameHeader Header(int version, int layer, int bitrate_index, int frequency_index, int mode, int mode_extension = 0) {
    FrameHeader h;
    h.version = version;
    h.layer = layer;
    h.bitrate_index = bitrate_index;
    h.sampling_frequency_index = frequency_index;
    h.mode = mode;
    h.mode_extension = mode_extension;
    return h;
}

// Derives the parameters of one header with a fresh StreamParams.
struct Derived {
    FrameHeader header;
    StreamParams params;
    explicit Derived(const FrameHeader& h) : header(h) {
        params.header = &header;
        derive_stream_params(params);
    }
};

}  // namespace

TEST(Mp3DecFrameHeader, FieldsAreReadInOrderAfterTheSyncWord) {
    ScratchDir dir;
    BitWriter w;
    w.Put(0xFFF, 12);
    w.Put(1, 1);    // MPEG-1
    w.Put(2, 2);    // layer bits 10 = Layer II
    w.Put(0, 1);    // protected
    w.Put(11, 4);   // bitrate index
    w.Put(1, 2);    // 48 kHz
    w.Put(1, 1);    // padding
    w.Put(0, 1);    // extension
    w.Put(1, 2);    // joint stereo
    w.Put(2, 2);    // mode extension
    w.Put(1, 1);    // copyright
    w.Put(0, 1);    // original
    w.Put(3, 2);    // emphasis
    BitReader reader;
    bit_reader_attach(reader, w.bytes.data(), w.bytes.size());
    ASSERT_EQ(find_sync(reader, kSyncWord, kSyncWordWidth), 1);
    FrameHeader h;
    read_frame_header(reader, h);
    EXPECT_EQ(h.version, 1);
    EXPECT_EQ(h.layer, 2);
    EXPECT_EQ(h.error_protection, 1);
    EXPECT_EQ(h.bitrate_index, 11);
    EXPECT_EQ(h.sampling_frequency_index, 1);
    EXPECT_EQ(h.padding, 1);
    EXPECT_EQ(h.extension, 0);
    EXPECT_EQ(h.mode, kJointStereo);
    EXPECT_EQ(h.mode_extension, 2);
    EXPECT_EQ(h.copyright, 1);
    EXPECT_EQ(h.original, 0);
    EXPECT_EQ(h.emphasis, 3);
    EXPECT_EQ(bitrate_kbps(h.version, h.layer, h.bitrate_index), 224);
    EXPECT_EQ(sampling_rate_hz(h.version, h.sampling_frequency_index), 48000);
}

TEST(Mp3DecFrameHeader, ReservedValuesAreNotFrames) {
    EXPECT_TRUE(is_valid_header(Header(1, 2, 0, 0, 0)));  // free format is a frame
    EXPECT_FALSE(is_valid_header(Header(1, 4, 5, 0, 0)));
    EXPECT_FALSE(is_valid_header(Header(1, 2, 15, 0, 0)));
    EXPECT_FALSE(is_valid_header(Header(0, 2, 5, 3, 0)));
}

TEST(Mp3DecFrameHeader, SamplingRatesOfTheWaveHeader) {
    const int expected[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    for (int v = 0; v < 2; ++v) {
        for (int i = 0; i < 3; ++i) EXPECT_EQ(sampling_rate_hz(v, i), expected[v][i]);
    }
}

TEST(Mp3DecFrameHeader, BitrateTablesRiseStrictlyAndMpeg2SharesLayersTwoAndThree) {
    for (int v = 0; v < 2; ++v) {
        for (int layer = 1; layer <= 3; ++layer) {
            EXPECT_EQ(bitrate_kbps(v, layer, 0), 0);
            for (int i = 2; i < 15; ++i) EXPECT_GT(bitrate_kbps(v, layer, i), bitrate_kbps(v, layer, i - 1));
        }
    }
    for (int i = 0; i < 15; ++i) EXPECT_EQ(bitrate_kbps(0, 2, i), bitrate_kbps(0, 3, i));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(bitrate_kbps(1, 1, i), 32 * i);  // Layer I: steps of 32
}

TEST(Mp3DecFrameHeader, AllocationTableChoice) {
    {
        Derived d(Header(1, 2, 11, 0, kStereo));  // 192 kbit/s stereo at 44.1 kHz
        EXPECT_EQ(d.params.table_number, 1);
        EXPECT_EQ(d.params.subband_limit, 30);
        EXPECT_EQ(d.params.joint_stereo_bound, 30);
        EXPECT_EQ(d.params.channels, 2);
    }
    {
        Derived d(Header(1, 2, 6, 0, kSingleChannel));  // 96 kbit/s mono
        EXPECT_EQ(d.params.table_number, 1);
        EXPECT_EQ(d.params.channels, 1);
    }
    {
        Derived d(Header(1, 2, 4, 1, kStereo));  // 64 kbit/s stereo at 48 kHz
        EXPECT_EQ(d.params.table_number, 2);
        EXPECT_EQ(d.params.subband_limit, 8);
    }
    {
        Derived d(Header(1, 2, 4, 2, kStereo));  // 64 kbit/s stereo at 32 kHz
        EXPECT_EQ(d.params.table_number, 3);
        EXPECT_EQ(d.params.subband_limit, 12);
    }
    {
        Derived d(Header(1, 2, 8, 1, kSingleChannel));  // 128 kbit/s at 48 kHz
        EXPECT_EQ(d.params.table_number, 0);
        EXPECT_EQ(d.params.subband_limit, 27);
    }
    {
        Derived d(Header(1, 2, 0, 1, kStereo));  // free format at 48 kHz: the high-rate table
        EXPECT_EQ(d.params.table_number, 0);
    }
    {
        Derived d(Header(1, 2, 0, 2, kSingleChannel));  // free format at 32 kHz
        EXPECT_EQ(d.params.table_number, 1);
    }
    {
        Derived d(Header(0, 2, 8, 0, kJointStereo, 1));  // MPEG-2
        EXPECT_EQ(d.params.table_number, 4);
        EXPECT_EQ(d.params.subband_limit, 30);
        EXPECT_EQ(d.params.joint_stereo_bound, 8);
    }
}

TEST(Mp3DecFrameHeader, TableFollowsTheHeaderOfEveryFrame) {
    FrameHeader header = Header(1, 2, 11, 0, kStereo);
    StreamParams params;
    params.header = &header;
    derive_stream_params(params);
    const AllocTable* first = params.alloc;
    header.bitrate_index = 12;  // 224 kbit/s: still table 1
    derive_stream_params(params);
    EXPECT_EQ(params.alloc, first);
    header.layer = 1;  // a Layer I frame in between must not spoil the limit
    derive_stream_params(params);
    header.layer = 2;
    derive_stream_params(params);
    EXPECT_EQ(params.subband_limit, 30);
    header.bitrate_index = 4;  // 64 kbit/s stereo at 44.1 kHz: table 2
    derive_stream_params(params);
    EXPECT_EQ(params.table_number, 2);
    EXPECT_EQ(params.subband_limit, 8);
    EXPECT_EQ(params.alloc, &loaded_alloc_table(2));
}

TEST(Mp3DecFrameHeader, JointStereoBounds) {
    EXPECT_EQ(joint_stereo_bound(1, 0), 4);
    EXPECT_EQ(joint_stereo_bound(2, 3), 16);
    EXPECT_EQ(joint_stereo_bound(3, 0), 0);
    EXPECT_EQ(joint_stereo_bound(3, 3), 16);
    EXPECT_EQ(mp3dec_test::StopMessage([] { joint_stereo_bound(4, 0); }),
              (Diagnostic{DiagnosticStream::standard_error, "js_bound bad layer/modext (4/0)\n"}));
    EXPECT_EQ(mp3dec_test::StopMessage([] { joint_stereo_bound(2, 4); }).text, "js_bound bad layer/modext (2/4)\n");
}

TEST(Mp3DecAllocationTables, RowCountsLimitsAndFieldWidths) {
    const int expected_rows[kAllocTableCount] = {288, 300, 80, 112, 196};
    const int expected_limit[kAllocTableCount] = {27, 30, 8, 12, 30};
    for (int t = 0; t < kAllocTableCount; ++t) {
        AllocTable table{};
        EXPECT_EQ(load_alloc_table(t, table), expected_limit[t]) << "table " << t;
        int rows = 0;
        for (int sb = 0; sb < expected_limit[t]; ++sb) {
            const int width = table[sb][0].bits;
            ASSERT_TRUE(width >= 2 && width <= 4);
            rows += 1 << width;
            // Higher indices never have fewer steps, and every grouped class codes 3 values in its width.
            for (int a = 1; a < (1 << width); ++a) {
                const AllocEntry& e = table[sb][a];
                ASSERT_GT(e.steps, a == 1 ? 2 : table[sb][a - 1].steps);
                if (e.group == 3) {
                    EXPECT_EQ((1 << e.bits) - 1, e.steps);
                } else {
                    EXPECT_GE(std::pow(2.0, e.bits), std::pow(e.steps, 3.0));
                    EXPECT_LT(std::pow(2.0, e.bits - 1), std::pow(e.steps, 3.0));
                }
            }
        }
        EXPECT_EQ(rows, expected_rows[t]) << "table " << t;
    }
}

TEST(Mp3DecCrc, HeaderAloneStartsFromAllOnes) {
    // A header with every covered field 0 feeds 16 zero bits into 0xFFFF.
    unsigned expected = kCrcInitial;
    for (int i = 0; i < 16; ++i) {
        const bool top = (expected & 0x8000u) != 0;
        expected = (expected << 1) & 0xFFFFu;
        if (top) expected ^= 0x8005u;
    }
    EXPECT_EQ(header_crc(Header(0, 2, 0, 0, 0)), expected);
    // Feeding bit by bit equals feeding the fields.
    FrameHeader h = Header(1, 2, 9, 1, kJointStereo, 2);
    h.padding = 1;
    h.emphasis = 1;
    unsigned crc = kCrcInitial;
    crc16_update(0x9u << 12 | 0x1u << 10 | 0x1u << 9 | 0u << 8 | 0x1u << 6 | 0x2u << 4 | 0x1u, 16, crc);
    EXPECT_EQ(header_crc(h), crc);
}

TEST(Mp3DecCrc, KnownCheckValue) {
    // With the register starting at all ones, no reflection and no final inversion, x^16 + x^15 + x^2 + 1
    // gives 0xAEE7 for the ASCII digits "123456789" (the catalogued check value of CRC-16/CMS).
    unsigned crc = kCrcInitial;
    for (const char c : std::string("123456789")) crc16_update(static_cast<unsigned>(c), 8, crc);
    EXPECT_EQ(crc, 0xAEE7u);
}

// The two high-rate tables differ only in how many subbands they code, and so do the two low-rate ones.
TEST(Mp3DecAllocationTables, TablesOfOneFamilyAgreeOnTheirCommonSubbands) {
    const int pairs[2][3] = {{0, 1, 27}, {2, 3, 8}};
    for (const auto& pair : pairs) {
        AllocTable shorter{};
        AllocTable longer{};
        load_alloc_table(pair[0], shorter);
        load_alloc_table(pair[1], longer);
        for (int sb = 0; sb < pair[2]; ++sb) {
            for (int a = 0; a < kAllocIndices; ++a) {
                const AllocEntry& x = shorter[sb][a];
                const AllocEntry& y = longer[sb][a];
                ASSERT_TRUE(x.steps == y.steps && x.bits == y.bits && x.group == y.group && x.quant == y.quant)
                    << "tables " << pair[0] << "/" << pair[1] << " subband " << sb << " index " << a;
            }
        }
    }
}
