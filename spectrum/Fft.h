#pragma once
// In-place radix-2 transform of a complex sequence held as two arrays of doubles (real, imaginary).
// The sine and cosine tables are built for one size and kept while the object lives, so a second
// transform of the same size reuses them.

#include "audio/Result.h"

class CFft {
public:
    CFft();
    virtual ~CFft();
    CFft(const CFft&) = delete;
    CFft& operator=(const CFft&) = delete;

    // Builds the tables for `size` (a power of two) unless they are already there. 1 = ready,
    // 0 = out of memory (no tables afterwards).
    int PrepareTables(int size);

    // Transforms re/im (each `size` doubles, size = 2^log2Size) in place. Direction 0 is forward and
    // unscaled; any other direction uses the inverse twiddle factors, and exactly 1 also divides by the
    // size. Fails with "Could not allocate memory for table" when the tables cannot be had (the arrays
    // stay untouched), and without a word for a size that is not 2^log2Size (nothing done).
    tressel::Result Transform(double* re, double* im, int size, int log2Size, int direction);

    int GetTableSize() const { return m_tableSize; }
    const double* GetSineTable() const { return m_sine; }
    const double* GetCosineTable() const { return m_cosine; }

protected:
    // One table of `count` doubles, or null when memory is short. Tests replace it to starve the object.
    virtual double* AllocateTable(int count);

private:
    void ReleaseTables();

    double* m_sine = nullptr;
    double* m_cosine = nullptr;
    int m_tableSize = 0;
};

// The index `value` with its lowest `bits` bits in reverse order.
int BitReverse(int value, int bits);
