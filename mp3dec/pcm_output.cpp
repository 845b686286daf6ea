#include "mp3dec/pcm_output.h"

#include <cstring>
#include <utility>

namespace mp3dec {

namespace {

typedef std::int16_t EightSamples __attribute__((vector_size(16)));

// Left and right samples of one time slot, alternating, eight of each at a time.
void interleave_slot(const std::int16_t* left, const std::int16_t* right, std::int16_t* out) {
    for (int j = 0; j < 32; j += 8) {
        EightSamples l;
        EightSamples r;
        std::memcpy(&l, left + j, sizeof l);
        std::memcpy(&r, right + j, sizeof r);
        const EightSamples low = __builtin_shufflevector(l, r, 0, 8, 1, 9, 2, 10, 3, 11);
        const EightSamples high = __builtin_shufflevector(l, r, 4, 12, 5, 13, 6, 14, 7, 15);
        std::memcpy(out + 2 * j, &low, sizeof low);
        std::memcpy(out + 2 * j + 8, &high, sizeof high);
    }
}

}  // namespace

void emit_pcm(DecodeOutput* output, const PcmBlock& block, int time_slots, int channels) {
    if (output == nullptr) return;
    SampleBuffer& samples = output->samples;
    const std::size_t start = samples.size();
    const std::size_t count = static_cast<std::size_t>(time_slots) * 32u * static_cast<std::size_t>(channels);
    samples.resize(start + count);
    std::int16_t* out = samples.data() + start;
    if (channels == 1) {
        for (int slot = 0; slot < time_slots; ++slot)
            for (int j = 0; j < 32; ++j) *out++ = block.sample[0][slot][j];
    } else {
        for (int slot = 0; slot < time_slots; ++slot) {
            interleave_slot(block.sample[0][slot], block.sample[1][slot], out);
            out += 64;
        }
    }
    output->sample_frames += static_cast<std::uint32_t>(time_slots) * 32u;
    if (output->forward != nullptr && samples.size() >= output->batch_samples) flush_pcm(output);
}

void flush_pcm(DecodeOutput* output) {
    if (output == nullptr || output->forward == nullptr || output->samples.empty()) return;
    if (output->forward->pcm) output->forward->pcm(output->samples);
    output->samples.clear();
}

void report_progress(DecodeOutput* output, int frames) {
    if (output == nullptr) return;
    if (output->forward == nullptr) {
        output->events.push_back({true, frames, {}});
    } else if (output->forward->progress) {
        output->forward->progress(frames);
    }
}

void report_diagnostic(DecodeOutput* output, Diagnostic diagnostic) {
    if (output == nullptr) return;
    if (output->forward == nullptr) {
        output->events.push_back({false, 0, std::move(diagnostic)});
    } else if (output->forward->diagnostic) {
        output->forward->diagnostic(diagnostic);
    }
}

void replay_output(const DecodeOutput& kept, const DecodeCallbacks& callbacks) {
    for (const DecodeEvent& event : kept.events) {
        if (event.is_progress) {
            if (callbacks.progress) callbacks.progress(event.frames);
        } else if (callbacks.diagnostic) {
            callbacks.diagnostic(event.diagnostic);
        }
    }
    if (callbacks.pcm && !kept.samples.empty()) callbacks.pcm(kept.samples);
}

}  // namespace mp3dec
