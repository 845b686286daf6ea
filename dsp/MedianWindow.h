#pragma once
// The samples of a median window kept in ascending order while the window slides: each step removes the
// sample that leaves and inserts the one that enters, so the contents always equal a fresh sort of the
// window and the middle element is the median a full sort would give. Values are 16-bit signed; 8-bit
// bytes (0..255) fit unchanged and keep their unsigned order.

#include <algorithm>
#include <cstdint>

#include "dsp/Median.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tressel::dsp {

// Portable form: a binary search for the leaving value and one shift towards the entering value's place.
class ScalarSortedWindow {
public:
    ScalarSortedWindow(const std::int16_t* samples, int length) : m_length(length) {
        std::copy(samples, samples + length, m_sorted);
        std::sort(m_sorted, m_sorted + length);
    }

    std::int16_t Median() const { return m_sorted[m_length / 2]; }

    void Replace(std::int16_t leaving, std::int16_t entering) {
        int i = IndexOf(leaving);
        if (entering > leaving) {
            for (; i + 1 < m_length && m_sorted[i + 1] < entering; ++i) {
                m_sorted[i] = m_sorted[i + 1];
            }
        } else {
            for (; i > 0 && m_sorted[i - 1] > entering; --i) {
                m_sorted[i] = m_sorted[i - 1];
            }
        }
        m_sorted[i] = entering;
    }

private:
    // Index of the first element equal to `value`, which is in the window.
    int IndexOf(std::int16_t value) const {
        const std::int16_t* base = m_sorted;
        int n = m_length;
        while (n > 1) {
            const int half = n / 2;
            base = base[half - 1] < value ? base + half : base;
            n -= half;
        }
        return static_cast<int>(base - m_sorted);
    }

    std::int16_t m_sorted[kMaxMedianLength];
    int m_length;
};

#if defined(__SSE2__)

// Branch-free form over `Registers` vectors of eight lanes; lanes past the window hold the largest value.
// Only the elements whose values lie between the leaving and the entering value move, each by one place:
// every such lane takes the middle of its left neighbour, its right neighbour and the entering value.
// Moving up that is the right neighbour, or the entering value where it belongs; moving down, the left
// neighbour or the entering value. Lanes that equal an end of the range come out unchanged, so ties and
// the padding need no care, and the update needs no index of its own.
template <int Registers>
class VectorSortedWindow {
public:
    static_assert(Registers >= 1 && 8 * Registers <= 40);

    VectorSortedWindow(const std::int16_t* samples, int length) : m_middle(length / 2) {
        alignas(16) std::int16_t lanes[8 * Registers];
        std::fill(lanes, lanes + 8 * Registers, INT16_MAX);
        std::copy(samples, samples + length, lanes);
        std::sort(lanes, lanes + length);
        for (int k = 0; k < Registers; ++k) {
            m_lanes[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 8 * k));
        }
    }

    std::int16_t Median() const {
        alignas(16) std::int16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), m_lanes[m_middle / 8]);
        return lanes[m_middle % 8];
    }

    void Replace(std::int16_t leaving, std::int16_t entering) {
        const __m128i in = _mm_set1_epi16(entering);
        const __m128i low = _mm_set1_epi16(std::min(leaving, entering));
        const __m128i high = _mm_set1_epi16(std::max(leaving, entering));
        __m128i updated[Registers];
#pragma GCC unroll 8
        for (int k = 0; k < Registers; ++k) {
            const __m128i own = m_lanes[k];
            const __m128i after = k + 1 < Registers ? m_lanes[k + 1] : _mm_set1_epi16(INT16_MAX);
            const __m128i before = k > 0 ? m_lanes[k - 1] : _mm_set1_epi16(INT16_MIN);
            const __m128i right = _mm_or_si128(_mm_srli_si128(own, 2), _mm_slli_si128(after, 14));
            const __m128i left = _mm_or_si128(_mm_slli_si128(own, 2), _mm_srli_si128(before, 14));
            const __m128i middle =
                _mm_max_epi16(_mm_min_epi16(left, right), _mm_min_epi16(_mm_max_epi16(left, right), in));
            const __m128i stays = _mm_or_si128(_mm_cmplt_epi16(own, low), _mm_cmpgt_epi16(own, high));
            updated[k] = _mm_or_si128(_mm_and_si128(stays, own), _mm_andnot_si128(stays, middle));
        }
#pragma GCC unroll 8
        for (int k = 0; k < Registers; ++k) {
            m_lanes[k] = updated[k];
        }
    }

private:
    __m128i m_lanes[Registers];
    int m_middle;
};

#endif

}  // namespace tressel::dsp
