#pragma once
// The smallest and largest sample of each channel over any stretch of frames, answered without reading
// the stretch: a pyramid of blocks, the lowest summarising kBaseBlock frames each (the samples bring
// those along, found while they were copied out of the wave), every level above
// summarising kFanOut blocks of the one below. A picture of a long wave takes one answer per pixel column,
// so drawing costs the same at every zoom. Answers are exact: the edges of a stretch that do not fill a
// whole block are read from the finer levels and, at the very edge, from the samples themselves.

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "audio/SampleExtent.h"
#include "audio/WaveSamples.h"

namespace tressel {

// The frames a pixel column stands for: column j of a picture whose first column starts at frame
// `firstFrame` and that shows `framesPerColumn` frames per column covers [floor(firstFrame + j * fpc),
// floor(firstFrame + (j + 1) * fpc)), and at least the one frame where it starts when zoomed in so far
// that a column is narrower than a frame. From kColumnsOnBlocks frames per column on, both ends move back
// to the start of their base block: a column then never needs a single sample read, which keeps a
// zoomed-out picture of a long wave from waiting on memory for scattered samples, and moves its edges by
// less than a quarter of a column.
inline constexpr double kColumnsOnBlocks = 256.0;
std::pair<std::int64_t, std::int64_t> ColumnFrames(double firstFrame, double framesPerColumn, int column);

class MinMaxPyramid {
public:
    static constexpr std::int64_t kBaseBlock = WaveSamples::kExtentBlock;
    static constexpr std::int64_t kFanOut = 4;

    // Builds every level above the samples' block extents; the pyramid keeps the samples.
    explicit MinMaxPyramid(std::shared_ptr<const WaveSamples> samples);

    const WaveSamples& Samples() const { return *m_samples; }
    const std::shared_ptr<const WaveSamples>& SharedSamples() const { return m_samples; }

    // Extremes of channel `channel` over frames [first, last), clipped to the wave; empty when nothing of
    // the stretch lies inside it.
    SampleExtent Range(int channel, std::int64_t first, std::int64_t last) const;

    // One extent per column, as ColumnFrames places the columns.
    std::vector<SampleExtent> Columns(int channel, double firstFrame, double framesPerColumn, int columns) const;

    int Levels() const { return static_cast<int>(m_levels.empty() ? 0 : m_levels[0].size()); }
    // Level k (0 = blocks of kBaseBlock frames) of one channel, for tests and benchmarks.
    const std::vector<SampleExtent>& Level(int channel, int level) const { return m_levels[channel][level]; }

private:
    void BuildUpperLevels(int channel);
    static SampleExtent Scan(const std::vector<SampleExtent>& blocks, std::int64_t first, std::int64_t last);

    std::shared_ptr<const WaveSamples> m_samples;
    std::vector<std::vector<std::vector<SampleExtent>>> m_levels;  // [channel][level][block]
};

}  // namespace tressel
