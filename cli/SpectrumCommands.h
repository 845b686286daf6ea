#pragma once
// The numbers behind the two Prism Data displays, computed from files the way the main window computes
// them; shared by the spectrum, response and plot subcommands.

#include <string>
#include <vector>

#include "cli/ConsoleFeedback.h"

namespace tressel::cli {

struct AudioCurves {
    std::vector<double> first;   // kSpectrumBins values, channel 1 (or the only channel)
    std::vector<double> second;  // kSpectrumBins values, channel 2; zeros for mono
    int channels = 0;
};

// Loads IN as "Load Audio" does and computes the averaged spectrum of each channel.
Result ComputeAudioCurves(const std::string& path, ConsoleFeedback& feedback, AudioCurves& curves);

struct FilterTransform {
    std::vector<double> real;  // kSpectrumSize values
    std::vector<double> imag;
};

// Reads a filter file as "Select Filter" does and transforms its taps.
Result ComputeFilterTransform(const std::string& path, FilterTransform& transform);

}  // namespace tressel::cli
