#include "tests/support/LsfFrameWriter.h"

#include <stdexcept>

#include "mp3dec/tables_layer3_huffman_codes.h"
#include "tests/support/BitWriter.h"

namespace tressel::testing {

namespace {

constexpr int kPairTable = 15;  // 16 x 16 values, no escape bits
constexpr int kBitrates[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kRates[3] = {22050, 24000, 16000};

// The number of scale-factor bands (short blocks: band windows) in each partition, by the row of the
// compress value and the block kind (ISO/IEC 13818-3, Table B.9 of the text).
constexpr int kPartitionBands[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},       {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},     {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}}};

const mp3dec::HuffmanCodeList& PairCodes() {
    for (const mp3dec::HuffmanCodeList& list : mp3dec::huffman_code_lists()) {
        if (list.table == kPairTable) return list;
    }
    throw std::logic_error("no code list for table 15");
}

// Big-value pairs with table 15 up to the last non-zero value; the number of pairs is returned.
int WriteValues(BitWriter& bits, const std::array<int, 576>& values) {
    int end = 576;
    while (end > 0 && values[static_cast<std::size_t>(end - 1)] == 0) --end;
    const int pairs = (end + 1) / 2;
    const mp3dec::HuffmanCodeList& codes = PairCodes();
    for (int pair = 0; pair < pairs; ++pair) {
        const int x = values[static_cast<std::size_t>(2 * pair)];
        const int y = values[static_cast<std::size_t>(2 * pair + 1)];
        const int ax = x < 0 ? -x : x;
        const int ay = y < 0 ? -y : y;
        if (ax > 15 || ay > 15) throw std::length_error("table 15 codes values up to 15");
        const std::size_t index = static_cast<std::size_t>(ax * codes.y_len + ay);
        bits.Put(codes.codes[index], codes.lengths[index]);
        if (ax != 0) bits.Put(x < 0 ? 1 : 0, 1);
        if (ay != 0) bits.Put(y < 0 ? 1 : 0, 1);
    }
    return pairs;
}

int BlockKind(const LsfGranuleChannel& granule) {
    if (granule.block_type != 2) return 0;
    return granule.mixed_block ? 2 : 1;
}

struct CodedGranule {
    BitWriter main_data;  // part 2 (scale factors) and part 3 (Huffman data)
    int big_values = 0;
};

CodedGranule Code(const LsfGranuleChannel& granule, bool intensity_right) {
    CodedGranule coded;
    const LsfScaleFactorPartitions partitions =
        LsfPartitions(granule.scale_factor_compress, intensity_right, BlockKind(granule));
    std::size_t next = 0;
    for (int p = 0; p < 4; ++p) {
        for (int band = 0; band < partitions.bands[p]; ++band, ++next) {
            const int value = next < granule.scale_factors.size() ? granule.scale_factors[next] : 0;
            if (partitions.widths[p] > 0) coded.main_data.Put(static_cast<std::uint32_t>(value), partitions.widths[p]);
        }
    }
    coded.big_values = WriteValues(coded.main_data, granule.values);
    return coded;
}

void WriteSideInfo(BitWriter& bits, const LsfGranuleChannel& granule, const CodedGranule& coded) {
    bits.Put(static_cast<std::uint32_t>(coded.main_data.Bits()), 12);
    bits.Put(static_cast<std::uint32_t>(coded.big_values), 9);
    bits.Put(static_cast<std::uint32_t>(granule.global_gain), 8);
    bits.Put(static_cast<std::uint32_t>(granule.scale_factor_compress), 9);
    const bool window_switching = granule.block_type != 0;
    bits.Put(window_switching ? 1 : 0, 1);
    if (window_switching) {
        bits.Put(static_cast<std::uint32_t>(granule.block_type), 2);
        bits.Put(granule.mixed_block ? 1 : 0, 1);
        bits.Put(kPairTable, 5);
        bits.Put(kPairTable, 5);
        for (const int gain : granule.subblock_gain) bits.Put(static_cast<std::uint32_t>(gain), 3);
    } else {
        for (int region = 0; region < 3; ++region) bits.Put(kPairTable, 5);
        bits.Put(15, 4);  // region counts: every region uses the same table anyway
        bits.Put(7, 3);
    }
    bits.Put(static_cast<std::uint32_t>(granule.scale_factor_scale), 1);
    bits.Put(0, 1);  // count-1 table (no count-1 part)
}

}  // namespace

LsfScaleFactorPartitions LsfPartitions(int compress, bool intensity_right, int block_kind) {
    int widths[4] = {};
    int row = 0;
    if (intensity_right) {
        const int c = compress >> 1;
        if (c < 180) {
            widths[0] = c / 36;
            widths[1] = (c % 36) / 6;
            widths[2] = (c % 36) % 6;
            row = 3;
        } else if (c < 244) {
            widths[0] = ((c - 180) % 64) >> 4;
            widths[1] = ((c - 180) % 16) >> 2;
            widths[2] = (c - 180) % 4;
            row = 4;
        } else {
            widths[0] = (c - 244) / 3;
            widths[1] = (c - 244) % 3;
            row = 5;
        }
    } else if (compress < 400) {
        widths[0] = (compress >> 4) / 5;
        widths[1] = (compress >> 4) % 5;
        widths[2] = (compress % 16) >> 2;
        widths[3] = compress % 4;
    } else if (compress < 500) {
        widths[0] = ((compress - 400) >> 2) / 5;
        widths[1] = ((compress - 400) >> 2) % 5;
        widths[2] = (compress - 400) % 4;
        row = 1;
    } else {
        widths[0] = (compress - 500) / 3;
        widths[1] = (compress - 500) % 3;
        row = 2;
    }
    LsfScaleFactorPartitions partitions{};
    for (int p = 0; p < 4; ++p) {
        partitions.widths[p] = widths[p];
        partitions.bands[p] = kPartitionBands[row][block_kind][p];
    }
    return partitions;
}

std::vector<std::uint8_t> WriteLsfFrame(const LsfFrame& frame) {
    const bool intensity = frame.mode == 1 && (frame.mode_extension & 1) != 0;
    const CodedGranule coded[2] = {Code(frame.channel[0], false), Code(frame.channel[1], intensity)};
    const std::size_t frame_bytes =
        static_cast<std::size_t>(72 * kBitrates[frame.bitrate_index] * 1000 / kRates[frame.sampling_index]);
    BitWriter bits;
    bits.Put(0xFFF, 12);
    bits.Put(0, 1);  // MPEG-2
    bits.Put(1, 2);  // Layer III
    bits.Put(1, 1);  // no CRC word
    bits.Put(static_cast<std::uint32_t>(frame.bitrate_index), 4);
    bits.Put(static_cast<std::uint32_t>(frame.sampling_index), 2);
    bits.Put(0, 2);  // padding, private
    bits.Put(static_cast<std::uint32_t>(frame.mode), 2);
    bits.Put(static_cast<std::uint32_t>(frame.mode_extension), 2);
    bits.Put(0, 4);  // copyright, original, emphasis
    bits.Put(0, 8);  // main data begins in this frame
    bits.Put(0, 2);  // private bits
    for (int ch = 0; ch < 2; ++ch) WriteSideInfo(bits, frame.channel[ch], coded[ch]);
    for (const CodedGranule& granule : coded) {
        const std::vector<std::uint8_t>& data = granule.main_data.bytes;
        for (std::size_t bit = 0; bit < granule.main_data.Bits(); ++bit) {
            bits.Put((data[bit / 8] >> (7 - bit % 8)) & 1u, 1);
        }
    }
    if (bits.bytes.size() > frame_bytes) throw std::length_error("the granules do not fit the frame");
    std::vector<std::uint8_t> bytes = bits.bytes;
    bytes.resize(frame_bytes, 0);
    return bytes;
}

}  // namespace tressel::testing
