#pragma once
// A circular buffer of single-precision values: what goes in comes out again length pushes later. The FIR
// filter delays its sums by half the filter length with it; the median filter keeps its window in one.

#include <cstddef>
#include <cstdint>
#include <memory>

class CDelayLine {
public:
    // A line of `length` slots (at least one), all 0.0.
    explicit CDelayLine(int length)
        : m_slots(std::make_unique<float[]>(static_cast<std::size_t>(length < 1 ? 1 : length))),
          m_length(length < 1 ? 1 : length) {}
    virtual ~CDelayLine() = default;
    CDelayLine(const CDelayLine&) = delete;
    CDelayLine& operator=(const CDelayLine&) = delete;

    // Stores the value, rounded to single precision, over the oldest slot.
    void Push(double value) {
        m_slots[static_cast<std::size_t>(m_position)] = static_cast<float>(value);
        ++m_position;
        if (m_position > m_length - 1) {
            m_position = 0;
        }
    }

    // The value pushed `length` pushes ago (0.0 while fewer values have been pushed).
    float Oldest() const { return m_slots[static_cast<std::size_t>(m_position)]; }

    int GetLength() const { return m_length; }

private:
    std::unique_ptr<float[]> m_slots;
    std::int32_t m_position = 0;
    std::int32_t m_length;
};
