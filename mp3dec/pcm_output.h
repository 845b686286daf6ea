#pragma once
// PCM, progress and messages on their way out of a decode. A decode either forwards them to the caller's
// callbacks as they come (samples in batches) or keeps them, in order, for a caller that decides later what
// to do with them (a chunk of a parallel decode).

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "mp3dec/decode_callbacks.h"
#include "mp3dec/synthesis.h"

namespace mp3dec {

// An allocator whose elements start uninitialised when a vector grows: the decoder writes every sample it
// adds, so zero-filling them first would be wasted work.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    template <typename U>
    void construct(U* place) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};
using SampleBuffer = std::vector<std::int16_t, UninitialisedAllocator<std::int16_t>>;

struct DecodeEvent {
    bool is_progress = false;
    int frames = 0;  // the progress value
    Diagnostic diagnostic;
};

struct DecodeOutput {
    const DecodeCallbacks* forward = nullptr;  // null: samples and events are kept below
    std::size_t batch_samples = 1u << 14;      // samples gathered before they are forwarded
    SampleBuffer samples;                      // interleaved
    std::vector<DecodeEvent> events;
    std::uint32_t sample_frames = 0;  // one per time instant, all channels together
};

// Appends time slots 0..time_slots-1 of the block, interleaved by channel; counts one sample frame per
// time instant. A null output takes nothing.
void emit_pcm(DecodeOutput* output, const PcmBlock& block, int time_slots, int channels);
// Hands the gathered samples to the caller's sink (when forwarding).
void flush_pcm(DecodeOutput* output);

void report_progress(DecodeOutput* output, int frames);
void report_diagnostic(DecodeOutput* output, Diagnostic diagnostic);

// Sends kept samples and events to the callbacks: the events in order, then the samples.
void replay_output(const DecodeOutput& kept, const DecodeCallbacks& callbacks);

}  // namespace mp3dec
