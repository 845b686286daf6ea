#include "mp3dec/wave_header.h"

namespace mp3dec {

namespace {

void put_le(std::uint8_t*& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *out++ = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu);
}

void put_tag(std::uint8_t*& out, const char* tag) {
    for (int i = 0; i < 4; ++i) *out++ = static_cast<std::uint8_t>(tag[i]);
}

}  // namespace

WaveHeader wave_header_for(int channels, int samples_per_second, std::uint32_t sample_frames) {
    WaveHeader header;
    header.format.channels = static_cast<std::uint16_t>(channels == 1 ? 1 : 2);
    header.format.samples_per_second = static_cast<std::uint32_t>(samples_per_second);
    header.format.block_align = static_cast<std::uint16_t>(channels == 1 ? 2 : 4);
    header.format.bytes_per_second = header.format.samples_per_second * header.format.block_align;
    header.data.data_size = header.format.block_align * sample_frames;
    header.riff.riff_size = header.data.data_size + 36;
    return header;
}

void store_wave_header(const WaveHeader& header, std::uint8_t bytes[kWaveHeaderBytes]) {
    std::uint8_t* out = bytes;
    put_tag(out, "RIFF");
    put_le(out, header.riff.riff_size, 4);
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put_le(out, 16, 4);
    put_le(out, header.format.format_tag, 2);
    put_le(out, header.format.channels, 2);
    put_le(out, header.format.samples_per_second, 4);
    put_le(out, header.format.bytes_per_second, 4);
    put_le(out, header.format.block_align, 2);
    put_le(out, header.format.bits_per_sample, 2);
    put_tag(out, "data");
    put_le(out, header.data.data_size, 4);
}

}  // namespace mp3dec
