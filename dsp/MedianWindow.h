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

// Branch-free form over `Registers` vectors of eight lanes; lanes past the window hold the largest value
// and never move. With p the index of the leaving value (the count of smaller elements) and q the place
// of the entering one after the removal, every lane i takes its right neighbour when p <= i < q, its left
// neighbour when q < i <= p, the entering value when i == q, and keeps its own value otherwise.
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
        const __m128i out = _mm_set1_epi16(leaving);
        const __m128i in = _mm_set1_epi16(entering);
        __m128i belowOut = _mm_setzero_si128();
        __m128i belowIn = _mm_setzero_si128();
#pragma GCC unroll 8
        for (int k = 0; k < Registers; ++k) {
            belowOut = _mm_sub_epi16(belowOut, _mm_cmplt_epi16(m_lanes[k], out));
            belowIn = _mm_sub_epi16(belowIn, _mm_cmplt_epi16(m_lanes[k], in));
        }
        // Both per-lane counts are at most 5, so they pack into bytes and one sum of bytes adds each.
        const __m128i counts = _mm_sad_epu8(_mm_packs_epi16(belowOut, belowIn), _mm_setzero_si128());
        const int p = _mm_cvtsi128_si32(counts);
        const int q = _mm_extract_epi16(counts, 4) - (leaving < entering ? 1 : 0);
        const __m128i leavingAt = _mm_set1_epi16(static_cast<std::int16_t>(p));
        const __m128i enteringAt = _mm_set1_epi16(static_cast<std::int16_t>(q));

        __m128i updated[Registers];
        __m128i index = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
#pragma GCC unroll 8
        for (int k = 0; k < Registers; ++k) {
            const __m128i own = m_lanes[k];
            const __m128i after = k + 1 < Registers ? m_lanes[k + 1] : _mm_set1_epi16(INT16_MAX);
            const __m128i before = k > 0 ? m_lanes[k - 1] : _mm_setzero_si128();
            const __m128i right = _mm_or_si128(_mm_srli_si128(own, 2), _mm_slli_si128(after, 14));
            const __m128i left = _mm_or_si128(_mm_slli_si128(own, 2), _mm_srli_si128(before, 14));
            const __m128i takeRight =
                _mm_andnot_si128(_mm_cmplt_epi16(index, leavingAt), _mm_cmplt_epi16(index, enteringAt));
            const __m128i takeLeft =
                _mm_andnot_si128(_mm_cmpgt_epi16(index, leavingAt), _mm_cmpgt_epi16(index, enteringAt));
            const __m128i takeIn = _mm_cmpeq_epi16(index, enteringAt);
            const __m128i moved = _mm_or_si128(_mm_or_si128(_mm_and_si128(takeRight, right), _mm_and_si128(takeLeft, left)),
                                               _mm_and_si128(takeIn, in));
            const __m128i stays = _mm_or_si128(_mm_or_si128(takeRight, takeLeft), takeIn);
            updated[k] = _mm_or_si128(moved, _mm_andnot_si128(stays, own));
            index = _mm_add_epi16(index, _mm_set1_epi16(8));
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
