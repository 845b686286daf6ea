// Peak measurement and per-channel gain.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "audio/SampleView.h"
#include "audio/Wave.h"

namespace {

using tressel::ChannelSamples;

// Full scale of the centred values: 127 for 8-bit samples, 32767 for 16-bit ones.
constexpr int kFullScale8 = 127;
constexpr int kFullScale16 = 32767;

// The largest distance from the centre value; 8-bit samples are centred on 127, so a byte of 255 gives 128.
template <class Format>
int Peak(const ChannelSamples& channel) {
    int peak = 0;
    for (std::int64_t i = 0; i < channel.length; ++i) {
        peak = std::max(peak, std::abs(Format::Centred(Format::Load(channel.At(i)))));
    }
    return peak;
}

// Full scale over the peak. A silent channel has no finite proposal; 1.0 keeps its edit usable and leaves
// the channel as it is when applied.
double ProposedGain(int fullScale, int peak) {
    return peak == 0 ? 1.0 : static_cast<double>(fullScale) / static_cast<double>(peak);
}

double MeasureChannel(const tressel::SampleView& samples, int channel) {
    const ChannelSamples span = samples.Channel(channel);
    return samples.SixteenBit() ? ProposedGain(kFullScale16, Peak<tressel::Signed16Samples>(span))
                                : ProposedGain(kFullScale8, Peak<tressel::Unsigned8Samples>(span));
}

// The product is formed in double precision and rounded to single precision before the conversion.
void AmplifyChannel(const ChannelSamples& channel, double gain) {
    for (std::int64_t i = 0; i < channel.length; ++i) {
        channel.Write(i, static_cast<float>(static_cast<double>(channel.Read(i)) * gain));
    }
}

}  // namespace

tressel::Result CWave::MeasureGains(double& gain1, double& gain2) {
    gain1 = 0.0;
    gain2 = 0.0;
    // The layout is taken once, before any sample changes: a data chunk that overlaps the header (the first
    // "data" id found inside it) has its header fields rewritten by the processing itself.
    const tressel::WaveFormat format = Format();
    if (tressel::Result refused = tressel::CheckSampleFormat(format); !refused) {
        return refused;
    }
    const tressel::SampleView samples(GetImage(), format);
    gain1 = MeasureChannel(samples, 0);
    if (format.channels == 2) {
        gain2 = MeasureChannel(samples, 1);
    }
    return {};
}

tressel::Result CWave::ApplyGains(double gain1, double gain2) {
    const tressel::WaveFormat format = Format();
    if (tressel::Result refused = tressel::CheckSampleFormat(format); !refused) {
        return refused;
    }
    const tressel::SampleView samples(GetImage(), format);
    AmplifyChannel(samples.Channel(0), gain1);
    if (format.channels == 2) {
        AmplifyChannel(samples.Channel(1), gain2);
    }
    return {};
}
