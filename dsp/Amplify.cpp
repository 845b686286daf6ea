// Peak measurement and per-channel gain.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "audio/Wave.h"
#include "dsp/ChannelSamples.h"
#include "dsp/SampleConversion.h"

namespace {

using tressel::dsp::ChannelSpan;

// Checks channel count, then sample width; reports and answers false for a wave neither operation handles.
bool HasSupportedFormat(const CWave& wave) {
    const int channels = wave.GetChannels();
    if (channels != 1 && channels != 2) {
        wave.GetFeedback().ShowMessage("1 or 2 channels expected");
        return false;
    }
    const int bits = wave.GetBitsPerSample();
    if (bits != 8 && bits != 16) {
        wave.GetFeedback().ShowMessage("8 or 16 bits expected");
        return false;
    }
    return true;
}

// The layout is taken once, before any sample changes: a data chunk that overlaps the header (the first
// "data" id found inside it) has its header fields rewritten by the processing itself.
struct SampleLayout {
    std::uint8_t* data;
    std::uint32_t dataLength;
    int channels;
    int bitsPerSample;
};

SampleLayout LayoutOf(CWave& wave) {
    return {tressel::dsp::SampleData(wave), wave.GetDataLength(), wave.GetChannels(), wave.GetBitsPerSample()};
}

ChannelSpan Channel(const SampleLayout& layout, int channel) {
    return tressel::dsp::ChannelOf(layout.data, layout.dataLength, layout.channels, layout.bitsPerSample / 8,
                                   channel);
}

// The largest distance from the centre value; 8-bit samples are centred on 127, so a byte of 255 gives 128.
int Peak8(const ChannelSpan& span) {
    int peak = 0;
    const std::uint8_t* p = span.first;
    for (std::int64_t i = 0; i < span.count; ++i, p += span.stride) {
        peak = std::max(peak, std::abs(static_cast<int>(*p) - 127));
    }
    return peak;
}

int Peak16(const ChannelSpan& span) {
    int peak = 0;
    const std::uint8_t* p = span.first;
    for (std::int64_t i = 0; i < span.count; ++i, p += span.stride) {
        peak = std::max(peak, std::abs(static_cast<int>(tressel::dsp::Sample16::Load(p))));
    }
    return peak;
}

// Full scale over the peak. A silent channel has no finite proposal; 1.0 keeps its edit usable and leaves
// the channel as it is when applied.
double ProposedGain(int fullScale, int peak) {
    return peak == 0 ? 1.0 : static_cast<double>(fullScale) / static_cast<double>(peak);
}

double MeasureChannel(const SampleLayout& layout, int channel) {
    const ChannelSpan span = Channel(layout, channel);
    return layout.bitsPerSample == 8 ? ProposedGain(127, Peak8(span)) : ProposedGain(32767, Peak16(span));
}

void Amplify8(const ChannelSpan& span, double gain) {
    std::uint8_t* p = span.first;
    for (std::int64_t i = 0; i < span.count; ++i, p += span.stride) {
        *p = ToSample8(static_cast<float>(static_cast<double>(static_cast<int>(*p) - 127) * gain));
    }
}

void Amplify16(const ChannelSpan& span, double gain) {
    using tressel::dsp::Sample16;
    std::uint8_t* p = span.first;
    for (std::int64_t i = 0; i < span.count; ++i, p += span.stride) {
        Sample16::Store(p, ToSample16(static_cast<float>(static_cast<double>(Sample16::Load(p)) * gain)));
    }
}

void AmplifyChannel(const SampleLayout& layout, int channel, double gain) {
    const ChannelSpan span = Channel(layout, channel);
    if (layout.bitsPerSample == 8) {
        Amplify8(span, gain);
    } else {
        Amplify16(span, gain);
    }
}

}  // namespace

void CWave::MeasureGains(double& gain1, double& gain2) {
    gain1 = 0.0;
    gain2 = 0.0;
    if (!HasSupportedFormat(*this)) {
        return;
    }
    const SampleLayout layout = LayoutOf(*this);
    gain1 = MeasureChannel(layout, 0);
    if (layout.channels == 2) {
        gain2 = MeasureChannel(layout, 1);
    }
}

void CWave::ApplyGains(double gain1, double gain2) {
    if (!HasSupportedFormat(*this)) {
        return;
    }
    const SampleLayout layout = LayoutOf(*this);
    AmplifyChannel(layout, 0, gain1);
    if (layout.channels == 2) {
        AmplifyChannel(layout, 1, gain2);
    }
}
