#include "mp3dec/output_queue.h"

#include <bit>
#include <cstring>

namespace mp3dec {

namespace {

void write_samples_little_endian(const std::int16_t* samples, int count, std::FILE* output) {
    if (count <= 0) return;
    std::uint8_t bytes[kQueueSamples * 2];
    store_little_endian({samples, static_cast<std::size_t>(count)}, bytes);
    std::fwrite(bytes, 2, static_cast<std::size_t>(count), output);
}

}  // namespace

void store_little_endian(std::span<const std::int16_t> samples, std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, samples.data(), samples.size_bytes());
        return;
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFFu);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

void queue_pcm_samples(PcmOutputQueue& queue, std::span<const std::int16_t> samples, std::FILE* output) {
    std::size_t next = 0;
    while (next < samples.size()) {
        if (queue.fill == kQueueSamples) {  // the fill never passes a full queue
            write_samples_little_endian(queue.samples, kQueueSamples, output);
            queue.fill = 0;
        }
        const std::size_t room = static_cast<std::size_t>(kQueueSamples - queue.fill);
        const std::size_t take = samples.size() - next < room ? samples.size() - next : room;
        std::memcpy(queue.samples + queue.fill, samples.data() + next, take * sizeof(std::int16_t));
        queue.fill += static_cast<int>(take);
        next += take;
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
