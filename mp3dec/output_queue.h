#pragma once
// The file driver's staging of interleaved 16-bit samples on their way to the output file, written in
// blocks of 1600 samples. Samples are stored little-endian whatever the host.

#include <cstdint>
#include <cstdio>
#include <span>

namespace mp3dec {

constexpr int kQueueSamples = 1600;

struct PcmOutputQueue {
    std::int16_t samples[kQueueSamples] = {};
    int fill = 0;
};

// Appends the samples; a full queue is written out when the next sample arrives.
void queue_pcm_samples(PcmOutputQueue& queue, std::span<const std::int16_t> samples, std::FILE* output);
// Writes whatever is pending (possibly nothing) and empties the queue.
void flush_pcm_queue(PcmOutputQueue& queue, std::FILE* output);

// Samples as the WAV format stores them: little-endian, two bytes each.
void store_little_endian(std::span<const std::int16_t> samples, std::uint8_t* bytes);

// 1 = big-endian, 2 = little-endian, 0 = neither.
int detect_host_byte_order();

}  // namespace mp3dec
