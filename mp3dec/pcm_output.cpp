#include "mp3dec/pcm_output.h"

#include <utility>

namespace mp3dec {

void emit_pcm(DecodeOutput* output, const PcmBlock& block, int time_slots, int channels) {
    if (output == nullptr) return;
    std::vector<std::int16_t>& samples = output->samples;
    const std::size_t start = samples.size();
    const std::size_t count = static_cast<std::size_t>(time_slots) * 32u * static_cast<std::size_t>(channels);
    samples.resize(start + count);
    std::int16_t* out = samples.data() + start;
    if (channels == 1) {
        for (int slot = 0; slot < time_slots; ++slot)
            for (int j = 0; j < 32; ++j) *out++ = block.sample[0][slot][j];
    } else {
        for (int slot = 0; slot < time_slots; ++slot) {
            for (int j = 0; j < 32; ++j) {
                out[2 * j] = block.sample[0][slot][j];
                out[2 * j + 1] = block.sample[1][slot][j];
            }
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
