#include "mp3dec/output_queue.h"

#include <cstring>

namespace mp3dec {

namespace {

void write_samples_little_endian(const std::int16_t* samples, int count, std::FILE* output) {
    if (count <= 0) return;
    unsigned char bytes[kQueueSamples * 2];
    for (int i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<unsigned char>(value & 0xFFu);
        bytes[2 * i + 1] = static_cast<unsigned char>(value >> 8);
    }
    std::fwrite(bytes, 2, static_cast<std::size_t>(count), output);
}

}  // namespace

void queue_pcm_blocks(PcmOutputQueue& queue, const PcmBlock& block, int time_slots, const StreamParams& params,
                      std::FILE* output, std::uint32_t& sample_frames) {
    const int channels = params.channels == 1 ? 1 : 2;
    for (int slot = 0; slot < time_slots; ++slot) {
        for (int j = 0; j < 32; ++j) {
            ++sample_frames;
            for (int ch = 0; ch < channels; ++ch) {
                if (queue.fill == kQueueSamples) {  // the fill never passes a full queue
                    write_samples_little_endian(queue.samples, kQueueSamples, output);
                    queue.fill = 0;
                }
                queue.samples[queue.fill++] = block.sample[ch][slot][j];
            }
        }
    }
}

void flush_pcm_queue(PcmOutputQueue& queue, std::FILE* output) {
    write_samples_little_endian(queue.samples, queue.fill, output);
    queue.fill = 0;
}

int detect_host_byte_order() {
    const std::uint32_t probe = 0x41424344;
    char text[5] = {};
    std::memcpy(text, &probe, 4);
    if (std::strcmp(text, "ABCD") == 0) return 1;
    if (std::strcmp(text, "DCBA") == 0) return 2;
    return 0;
}

}  // namespace mp3dec
