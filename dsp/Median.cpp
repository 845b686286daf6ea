#include "dsp/Median.h"

#include <algorithm>
#include <cstdint>

#include "audio/Wave.h"
#include "audio/SampleView.h"
#include "dsp/MedianWindow.h"

namespace {

using tressel::ChannelSamples;

template <typename T>
T SortedMiddle(const T* samples, int n) {
    if (n < 1) {
        return T{};
    }
    n = std::min(n, kMaxMedianLength);
    T work[kMaxMedianLength];
    std::copy(samples, samples + n, work);
    for (int i = 1; i < n; ++i) {
        const T value = work[i];
        int k = i;
        for (; k > 0 && work[k - 1] > value; --k) {
            work[k] = work[k - 1];
        }
        work[k] = value;
    }
    return work[n / 2];
}

// The medians wait K + 1 steps before they are written: the median of the window that starts at sample j
// belongs to the window's centre, j + K. The first K outputs are the silence the line starts with.
template <typename T>
class MedianDelay {
public:
    MedianDelay(int slots, T silence) : m_slots(slots) { std::fill(m_values, m_values + slots, silence); }

    // Stores `value` and answers the value stored `slots` pushes earlier (counting this one as the first).
    T PushAndTakeOldest(T value) {
        m_values[m_position] = value;
        m_position = m_position + 1 == m_slots ? 0 : m_position + 1;
        return m_values[m_position];
    }

private:
    T m_values[kMaxMedianLength / 2 + 1];
    int m_slots;
    int m_position = 0;
};

// Filters one channel in place. Every step j < L - a replaces sample j; the last a samples stay. The
// window only ever reads samples at or after the one being written, and the values leaving the window are
// remembered in a ring of their own, so every median is computed from the input as it was before the pass.
template <class Format, class Window, class StepReport>
void FilterChannelWith(const ChannelSamples& span, int length, StepReport&& reportStep) {
    using Value = typename Format::Value;
    const std::int64_t steps = span.length - length;
    if (steps <= 0) {
        return;
    }
    std::int16_t arrivals[kMaxMedianLength];  // the window's samples in arrival order
    for (int i = 0; i < length; ++i) {
        arrivals[i] = Format::Load(span.At(i));
    }
    Window sorted(arrivals, length);
    MedianDelay<Value> delay(length / 2 + 1, Format::kSilence);

    std::uint8_t* sample = span.first;
    const std::uint8_t* entering = span.At(length);
    int leavingSlot = 0;
    int untilReport = 0;
    for (std::int64_t j = 0; j < steps; ++j) {
        Format::Store(sample, delay.PushAndTakeOldest(static_cast<Value>(sorted.Median())));
        if (untilReport == 0) {
            if (!reportStep(j)) {
                return;  // stopped: the caller puts the samples back
            }
            untilReport = 100;
        }
        --untilReport;
        if (j + 1 < steps) {
            const std::int16_t next = Format::Load(entering);
            sorted.Replace(arrivals[leavingSlot], next);
            arrivals[leavingSlot] = next;
            leavingSlot = leavingSlot + 1 == length ? 0 : leavingSlot + 1;
        }
        sample += span.stride;
        entering += span.stride;
    }
}

// The fastest window this machine offers for the given length: as few vectors as hold the window.
template <class Format, class StepReport>
void FilterChannel(const ChannelSamples& span, int length, StepReport&& reportStep) {
#if defined(__SSE2__)
    using tressel::dsp::VectorSortedWindow;
    switch ((length + 7) / 8) {
    case 1: return FilterChannelWith<Format, VectorSortedWindow<1>>(span, length, reportStep);
    case 2: return FilterChannelWith<Format, VectorSortedWindow<2>>(span, length, reportStep);
    case 3: return FilterChannelWith<Format, VectorSortedWindow<3>>(span, length, reportStep);
    case 4: return FilterChannelWith<Format, VectorSortedWindow<4>>(span, length, reportStep);
    default: return FilterChannelWith<Format, VectorSortedWindow<5>>(span, length, reportStep);
    }
#else
    FilterChannelWith<Format, tressel::dsp::ScalarSortedWindow>(span, length, reportStep);
#endif
}

// False when the user stopped the work part-way.
template <class Format>
bool FilterSelectedChannels(const tressel::SampleView& samples, tressel::Feedback& feedback, int length, bool first,
                            bool second) {
    const std::int64_t frames = samples.Frames();
    const bool both = first && second;

    auto progress = feedback.CreateProgress();
    progress->SetRange(0, static_cast<int>((both ? 2 * frames : frames) / 100));
    progress->Show();
    bool stopped = false;
    const auto report = [&](std::int64_t position) {
        progress->SetPosition(static_cast<int>(position / 100));
        stopped = progress->CancelRequested();
        return !stopped;
    };
    if (first) {
        FilterChannel<Format>(samples.Channel(0), length, [&](std::int64_t j) { return report(j); });
    }
    if (second && !stopped) {
        const std::int64_t offset = both ? frames : 0;
        FilterChannel<Format>(samples.Channel(1), length, [&](std::int64_t j) { return report(j + offset); });
    }
    return !stopped;
}

}  // namespace

std::uint8_t Median8(const std::uint8_t* samples, int n) {
    return SortedMiddle(samples, n);
}

std::int16_t Median16(const std::int16_t* samples, int n) {
    return SortedMiddle(samples, n);
}

tressel::Result CWave::ApplyMedian(int length, int channel1, int channel2) {
    if (length < 1 || length > kMaxMedianLength) {
        return tressel::Result::Failure("Median length must be between 1 and 33");
    }
    const tressel::WaveFormat format = Format();
    if (tressel::Result refused = tressel::CheckSampleFormat(format); !refused) {
        return refused;
    }
    if (format.channels == 2 && channel1 == 0 && channel2 == 0) {
        return tressel::Result::Failure("Select at least one channel for the median process");
    }
    // A mono wave has one channel to filter whatever the boxes say.
    const bool first = format.channels == 1 || channel1 != 0;
    const bool second = format.channels == 2 && channel2 != 0;
    const tressel::SampleView samples(GetImage(), format);
    const bool finished =
        samples.SixteenBit()
            ? FilterSelectedChannels<tressel::Signed16Samples>(samples, GetFeedback(), length, first, second)
            : FilterSelectedChannels<tressel::Unsigned8Samples>(samples, GetFeedback(), length, first, second);
    return finished ? tressel::Result() : tressel::Result::Cancelled();
}
