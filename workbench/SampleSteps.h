#pragma once
// What a sample-changing command does, with the parameters it ran with: one line of a macro, one entry of
// what "Save Commands as Macro..." writes.

#include <memory>
#include <variant>

#include "dsp/FilterCoefficients.h"
#include "dsp/FirEngine.h"

namespace tressel {

// The "Channel 1" and "Channel 2" boxes: which channels of a stereo wave a command touches. A mono wave
// has its one channel processed whatever they say.
struct ChannelChoice {
    bool channel1 = true;
    bool channel2 = true;

    bool operator==(const ChannelChoice&) const = default;
};

struct FirStep {
    std::shared_ptr<const CFilterCoefficients> filter;  // read from its file, at least three taps
    dsp::MixLevels levels;
    ChannelChoice channels;
};

struct MedianStep {
    int length = 3;
    ChannelChoice channels;
};

struct AmplifyStep {
    double gain1 = 1.0;
    double gain2 = 1.0;
};

// Amplify each channel by the gain the Amplify window proposes (its peak to full scale).
struct NormalizeStep {};

using SampleStep = std::variant<FirStep, MedianStep, AmplifyStep, NormalizeStep>;

}  // namespace tressel
