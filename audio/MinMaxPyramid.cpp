#include "audio/MinMaxPyramid.h"

#include <algorithm>
#include <cmath>


namespace tressel {

namespace {

std::int64_t RoundUp(std::int64_t value, std::int64_t step) {
    return (value + step - 1) / step * step;
}

std::int64_t FloorToBlock(std::int64_t frame) {
    const std::int64_t remainder = frame % MinMaxPyramid::kBaseBlock;
    return frame - (remainder < 0 ? remainder + MinMaxPyramid::kBaseBlock : remainder);
}

}  // namespace

std::pair<std::int64_t, std::int64_t> ColumnFrames(double firstFrame, double framesPerColumn, int column) {
    auto first = static_cast<std::int64_t>(std::floor(firstFrame + column * framesPerColumn));
    auto last = static_cast<std::int64_t>(std::floor(firstFrame + (column + 1) * framesPerColumn));
    if (framesPerColumn >= kColumnsOnBlocks) {
        first = FloorToBlock(first);
        last = FloorToBlock(last);
    }
    return {first, std::max(last, first + 1)};
}

MinMaxPyramid::MinMaxPyramid(std::shared_ptr<const WaveSamples> samples) : m_samples(std::move(samples)) {
    const int channels = m_samples ? m_samples->Channels() : 0;
    m_levels.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const std::span<const SampleExtent> base = m_samples->BlockExtents(c);
        m_levels[static_cast<std::size_t>(c)].emplace_back(base.begin(), base.end());
        BuildUpperLevels(c);
    }
}

void MinMaxPyramid::BuildUpperLevels(int channel) {
    auto& levels = m_levels[channel];
    while (levels.back().size() > 1) {
        const std::vector<SampleExtent>& below = levels.back();
        std::vector<SampleExtent> above((below.size() + kFanOut - 1) / kFanOut);
        for (std::size_t i = 0; i < below.size(); ++i) {
            above[i / kFanOut].Include(below[i]);
        }
        levels.push_back(std::move(above));
    }
}

SampleExtent MinMaxPyramid::Scan(const std::vector<SampleExtent>& blocks, std::int64_t first, std::int64_t last) {
    SampleExtent extent;
    for (std::int64_t i = first; i < last; ++i) {
        extent.Include(blocks[static_cast<std::size_t>(i)]);
    }
    return extent;
}

SampleExtent MinMaxPyramid::Range(int channel, std::int64_t first, std::int64_t last) const {
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, m_samples->Frames());
    if (first >= last) {
        return {};
    }
    const std::int16_t* samples = m_samples->Channel(channel).data();
    // The frames before the first whole block and after the last one come from the samples.
    const std::int64_t blocksFirst = RoundUp(first, kBaseBlock);
    const std::int64_t blocksLast = last / kBaseBlock * kBaseBlock;
    if (blocksFirst >= blocksLast) {
        return ExtentOf(samples, first, last);
    }
    SampleExtent extent = ExtentOf(samples, first, blocksFirst);
    extent.Include(ExtentOf(samples, blocksLast, last));

    // Then level by level: the blocks that do not fill a whole block of the next level up are read here,
    // the rest is left to that level.
    const auto& levels = m_levels[channel];
    std::int64_t i = blocksFirst / kBaseBlock;
    std::int64_t j = blocksLast / kBaseBlock;
    for (std::size_t level = 0; i < j; ++level) {
        const std::int64_t upperFirst = RoundUp(i, kFanOut);
        const std::int64_t upperLast = j / kFanOut * kFanOut;
        if (level + 1 == levels.size() || upperFirst >= upperLast) {
            extent.Include(Scan(levels[level], i, j));
            break;
        }
        extent.Include(Scan(levels[level], i, upperFirst));
        extent.Include(Scan(levels[level], upperLast, j));
        i = upperFirst / kFanOut;
        j = upperLast / kFanOut;
    }
    return extent;
}

std::vector<SampleExtent> MinMaxPyramid::Columns(int channel, double firstFrame, double framesPerColumn,
                                                 int columns) const {
    std::vector<SampleExtent> extents(static_cast<std::size_t>(std::max(columns, 0)));
    for (int column = 0; column < columns; ++column) {
        const auto [first, last] = ColumnFrames(firstFrame, framesPerColumn, column);
        extents[static_cast<std::size_t>(column)] = Range(channel, first, last);
    }
    return extents;
}

}  // namespace tressel
