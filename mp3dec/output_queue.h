#pragma once
// Staging of interleaved 16-bit PCM samples on their way to the output file, written in blocks of
// 1600 samples. Samples are stored little-endian whatever the host.

#include <cstdint>
#include <cstdio>

#include "mp3dec/frame_header.h"
#include "mp3dec/synthesis.h"

namespace mp3dec {

constexpr int kQueueSamples = 1600;

struct PcmOutputQueue {
    std::int16_t samples[kQueueSamples] = {};
    int fill = 0;
};

// Appends time slots 0..time_slots-1 of the block, interleaved by channel; counts one sample frame per
// time instant. A full queue is written out when the next sample arrives.
void queue_pcm_blocks(PcmOutputQueue& queue, const PcmBlock& block, int time_slots, const StreamParams& params,
                      std::FILE* output, std::uint32_t& sample_frames);
// Writes whatever is pending (possibly nothing) and empties the queue.
void flush_pcm_queue(PcmOutputQueue& queue, std::FILE* output);

// 1 = big-endian, 2 = little-endian, 0 = neither.
int detect_host_byte_order();

}  // namespace mp3dec
