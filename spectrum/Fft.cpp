#include "spectrum/Fft.h"

#include <cmath>
#include <new>
#include <utility>

CFft::CFft() = default;

CFft::~CFft() {
    ReleaseTables();
}

double* CFft::AllocateTable(int count) {
    return new (std::nothrow) double[static_cast<unsigned>(count > 0 ? count : 0)];
}

void CFft::ReleaseTables() {
    delete[] m_sine;
    delete[] m_cosine;
    m_sine = nullptr;
    m_cosine = nullptr;
    m_tableSize = 0;
}

int CFft::PrepareTables(int size) {
    if (size == m_tableSize) {
        return 1;
    }
    ReleaseTables();
    const int half = size / 2;
    m_sine = AllocateTable(half);
    m_cosine = AllocateTable(half);
    if (!m_sine || !m_cosine) {
        ReleaseTables();
        return 0;
    }
    const double twoPi = 8.0 * std::atan(1.0);
    for (int i = 0; i < half; ++i) {
        const double angle = twoPi * static_cast<double>(i) / static_cast<double>(size);
        m_sine[i] = std::sin(angle);
        m_cosine[i] = std::cos(angle);
    }
    m_tableSize = size;
    return 1;
}

int BitReverse(int value, int bits) {
    int reversed = 0;
    for (int b = 0; b < bits; ++b) {
        reversed = 2 * reversed + value % 2;
        value /= 2;
    }
    return reversed;
}

tressel::Result CFft::Transform(double* re, double* im, int size, int log2Size, int direction) {
    // A size that is not 2^log2Size would address the tables and arrays outside their bounds.
    if (log2Size < 0 || log2Size > 30 || size != (1 << log2Size)) {
        return tressel::Result::Declined();
    }
    if (!PrepareTables(size)) {
        return tressel::Result::Failure("Could not allocate memory for table");
    }
    const bool forward = direction == 0;
    int h = size / 2;
    for (int stage = 0; stage < log2Size; ++stage) {
        for (int c = 0; c < size; c += 2 * h) {
            // The twiddle of butterfly k is addressed by bitrev(k div h); that quotient is the same (even)
            // c div h for the whole block, so one twiddle serves the block, from the lower half of the tables.
            const int idx = BitReverse(c / h, log2Size);
            const double s = m_sine[idx];
            const double co = m_cosine[idx];
            for (int k = c; k < c + h; ++k) {
                double tRe;
                double tIm;
                if (forward) {
                    tRe = co * re[k + h] + s * im[k + h];
                    tIm = co * im[k + h] - s * re[k + h];
                } else {
                    tRe = co * re[k + h] - s * im[k + h];
                    tIm = co * im[k + h] + s * re[k + h];
                }
                re[k + h] = re[k] - tRe;
                im[k + h] = im[k] - tIm;
                re[k] = re[k] + tRe;
                im[k] = im[k] + tIm;
            }
        }
        h /= 2;
    }
    for (int i = 0; i < size; ++i) {
        const int j = BitReverse(i, log2Size);
        if (j > i) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    if (direction == 1) {
        for (int i = 0; i < size; ++i) {
            re[i] = re[i] / size;
            im[i] = im[i] / size;
        }
    }
    return {};
}
