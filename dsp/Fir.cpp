// "Apply Filter": the loaded taps over one or both channels of the wave, mixed with the original signal.

#include <memory>
#include <new>
#include <vector>

#include "audio/Wave.h"
#include "dsp/FirEngine.h"

namespace {

using tressel::dsp::ChannelSamples;

// Turns "steps done" into the progress window's positions: one at every step that is a multiple of 100,
// each exactly once and in order, however the work was shared out.
class FirProgress {
public:
    FirProgress(tressel::ProgressSink& sink, int half) : m_sink(sink), m_half(half) {}

    // A new channel pass; its positions are (step + offset) / 100.
    void StartPass(std::int64_t offset) {
        m_offset = offset;
        m_nextStep = -((static_cast<std::int64_t>(m_half) + 1) / 100) * 100;
    }

    void StepsDone(std::int64_t lastStep) {
        for (; m_nextStep <= lastStep; m_nextStep += 100) {
            m_sink.SetPosition(static_cast<int>((m_nextStep + m_offset) / 100));
        }
    }

private:
    tressel::ProgressSink& m_sink;
    int m_half;
    std::int64_t m_offset = 0;
    std::int64_t m_nextStep = 0;
};

struct ChannelPass {
    ChannelSamples samples;
    std::int64_t progressOffset;
};

}  // namespace

tressel::Result CWave::ApplyFir(const double* coefficients, int count, int channel1, int channel2,
                                float filteredLevel, float originalLevel) {
    const tressel::WaveFormat format = Format();
    if (tressel::Result refused = tressel::CheckSampleFormat(format); !refused) {
        return refused;
    }
    if (format.channels == 2 && !channel1 && !channel2) {
        return tressel::Result::Failure("Select at least one channel for the filter process");
    }
    const tressel::SampleView samples(GetImage(), format);
    const std::int64_t length = samples.Frames();

    // Mono ignores the check boxes; a stereo pass over both channels counts its progress over 2 * F.
    std::vector<ChannelPass> passes;
    std::int64_t range = length / 100;
    if (format.channels == 1) {
        passes.push_back({samples.Channel(0), 0});
    } else if (channel1 && channel2) {
        passes.push_back({samples.Channel(0), 0});
        passes.push_back({samples.Channel(1), length});
        range = (2 * length) / 100;
    } else {
        passes.push_back({samples.Channel(channel1 ? 0 : 1), 0});
    }

    std::unique_ptr<tressel::dsp::FirEngine> engine;
    try {
        engine = std::make_unique<tressel::dsp::FirEngine>(coefficients, count,
                                                           tressel::dsp::MixLevels{filteredLevel, originalLevel},
                                                           length);
    } catch (const std::bad_alloc&) {
        return tressel::OutOfMemory();
    }

    auto progress = GetFeedback().CreateProgress();
    progress->SetRange(0, static_cast<int>(range));
    progress->Show();
    FirProgress positions(*progress, engine->HalfLength());
    for (const ChannelPass& pass : passes) {
        positions.StartPass(pass.progressOffset);
        engine->Filter(pass.samples, [&](std::int64_t lastStep) {
            positions.StepsDone(lastStep);
            if (progress->CancelRequested()) {
                engine->Stop();
            }
        });
    }
    return engine->Stopped() ? tressel::Result::Cancelled() : tressel::Result();
}
