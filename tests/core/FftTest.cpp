#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "spectrum/Fft.h"

using tressel::Result;

namespace {

// The butterfly loop written out once more, plainly, from the algorithm's description: twiddles addressed
// by the bit-reversed block index, stages from the widest span down, then the reordering. CFft must equal
// it bit for bit, so any reordering of the arithmetic there shows up here.
void ReferenceTransform(std::vector<double>& re, std::vector<double>& im, int log2Size, int direction) {
    const int size = 1 << log2Size;
    const double twoPi = 8 * std::atan(1.0);
    std::vector<double> sine(size / 2);
    std::vector<double> cosine(size / 2);
    for (int i = 0; i < size / 2; ++i) {
        sine[i] = std::sin(twoPi * i / size);
        cosine[i] = std::cos(twoPi * i / size);
    }
    auto bitrev = [log2Size](int a) {
        int r = 0;
        for (int b = 0; b < log2Size; ++b) {
            r = 2 * r + a % 2;
            a = a / 2;
        }
        return r;
    };
    int h = size / 2;
    int e = size / 2;
    for (int pass = 0; pass < log2Size; ++pass) {
        for (int c = 0; c < size; c += 2 * h) {
            for (int k = c; k < c + h; ++k) {
                const int idx = bitrev(k / e);
                const double s = sine[idx];
                const double co = cosine[idx];
                double tRe;
                double tIm;
                if (direction == 0) {
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
        h = h / 2;
        e = e / 2;
    }
    for (int i = 0; i < size; ++i) {
        const int j = bitrev(i);
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
}

std::vector<double> RandomValues(int count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-32768.0, 32767.0);
    std::vector<double> values(count);
    for (double& v : values) {
        v = distribution(generator);
    }
    return values;
}

bool BitEqual(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// An object whose tables can never be allocated.
class StarvedFft final : public CFft {
public:
    using CFft::CFft;

protected:
    double* AllocateTable(int) override { return nullptr; }
};

}  // namespace

TEST(FftTest, EqualsTheButterflyLoopBitForBitInEveryDirection) {
    for (int log2Size : {1, 2, 5, 8, 11}) {
        const int size = 1 << log2Size;
        for (int direction : {0, 1, 2, -1}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " direction " << direction);
            std::vector<double> re = RandomValues(size, 1u + static_cast<unsigned>(log2Size));
            std::vector<double> im = RandomValues(size, 100u + static_cast<unsigned>(log2Size));
            std::vector<double> expectedRe = re;
            std::vector<double> expectedIm = im;
            ReferenceTransform(expectedRe, expectedIm, log2Size, direction);
            CFft fft;
            ASSERT_TRUE(fft.Transform(re.data(), im.data(), size, log2Size, direction));
            EXPECT_TRUE(BitEqual(re, expectedRe));
            EXPECT_TRUE(BitEqual(im, expectedIm));
        }
    }
}

TEST(FftTest, ForwardIsTheUnscaledDftAndDirectionOneInvertsIt) {
    for (int log2Size : {3, 7, 11}) {
        const int size = 1 << log2Size;
        const std::vector<double> inputRe = RandomValues(size, 7);
        const std::vector<double> inputIm = RandomValues(size, 8);
        std::vector<double> re = inputRe;
        std::vector<double> im = inputIm;
        CFft fft;
        ASSERT_TRUE(fft.Transform(re.data(), im.data(), size, log2Size, 0));
        // Magnitudes reach ~size * 32768; the error of 11 stages stays far below one part in 1e10.
        const double tolerance = 1e-10 * size * 32768.0;
        const double pi = std::acos(-1.0);
        for (int k = 0; k < size; k += (size > 64 ? 37 : 1)) {
            std::complex<long double> sum = 0;
            for (int n = 0; n < size; ++n) {
                const long double angle = -2.0L * pi * static_cast<long double>((static_cast<long long>(k) * n) % size) / size;
                sum += std::complex<long double>(inputRe[n], inputIm[n]) *
                       std::complex<long double>(std::cos(angle), std::sin(angle));
            }
            EXPECT_NEAR(re[k], static_cast<double>(sum.real()), tolerance) << "bin " << k;
            EXPECT_NEAR(im[k], static_cast<double>(sum.imag()), tolerance) << "bin " << k;
        }
        ASSERT_TRUE(fft.Transform(re.data(), im.data(), size, log2Size, 1));
        for (int n = 0; n < size; ++n) {
            EXPECT_NEAR(re[n], inputRe[n], 1e-8);
            EXPECT_NEAR(im[n], inputIm[n], 1e-8);
        }
    }
}

TEST(FftTest, ImpulseGivesOnesAndConstantGivesTheSizeInBinZero) {
    CFft fft;
    std::vector<double> re(2048, 0.0);
    std::vector<double> im(2048, 0.0);
    re[0] = 1.0;
    fft.Transform(re.data(), im.data(), 2048, 11, 0);
    for (int k = 0; k < 2048; ++k) {
        ASSERT_EQ(re[k], 1.0) << k;
        ASSERT_EQ(im[k], 0.0) << k;
    }
    std::fill(re.begin(), re.end(), 1.0);
    std::fill(im.begin(), im.end(), 0.0);
    fft.Transform(re.data(), im.data(), 2048, 11, 0);
    EXPECT_EQ(re[0], 2048.0);
    for (int k = 1; k < 2048; ++k) {
        ASSERT_EQ(re[k], 0.0) << k;
        ASSERT_EQ(im[k], 0.0) << k;
    }
}

TEST(FftTest, TablesHoldHalfASineAndCosineTurnAndAreKeptForTheSameSize) {
    CFft fft;
    EXPECT_EQ(fft.GetTableSize(), 0);
    ASSERT_EQ(fft.PrepareTables(16), 1);
    EXPECT_EQ(fft.GetTableSize(), 16);
    const double* sine = fft.GetSineTable();
    const double* cosine = fft.GetCosineTable();
    EXPECT_EQ(sine[0], 0.0);
    EXPECT_EQ(cosine[0], 1.0);
    EXPECT_EQ(sine[4], std::sin(8 * std::atan(1.0) * 4 / 16));  // a quarter turn
    EXPECT_NEAR(cosine[4], 0.0, 1e-15);
    EXPECT_EQ(sine[7], std::sin(8 * std::atan(1.0) * 7 / 16));

    ASSERT_EQ(fft.PrepareTables(16), 1);
    EXPECT_EQ(fft.GetSineTable(), sine);
    EXPECT_EQ(fft.GetCosineTable(), cosine);

    std::vector<double> re(16, 1.0);
    std::vector<double> im(16, 0.0);
    fft.Transform(re.data(), im.data(), 16, 4, 0);
    EXPECT_EQ(fft.GetSineTable(), sine);  // the transform reuses them too

    ASSERT_EQ(fft.PrepareTables(32), 1);
    EXPECT_EQ(fft.GetTableSize(), 32);
    EXPECT_EQ(fft.GetSineTable()[8], std::sin(8 * std::atan(1.0) * 8 / 32));
}

TEST(FftTest, WithoutTableMemoryTheArraysStayUntouchedAndTheUserIsTold) {
    StarvedFft fft;
    std::vector<double> re = RandomValues(8, 3);
    std::vector<double> im = RandomValues(8, 4);
    const std::vector<double> originalRe = re;
    const std::vector<double> originalIm = im;
    const Result transformed = fft.Transform(re.data(), im.data(), 8, 3, 0);
    EXPECT_FALSE(transformed);
    EXPECT_TRUE(BitEqual(re, originalRe));
    EXPECT_TRUE(BitEqual(im, originalIm));
    EXPECT_EQ(fft.GetTableSize(), 0);
    EXPECT_EQ(fft.GetSineTable(), nullptr);
    EXPECT_EQ(transformed.Texts(), std::vector<std::string>{"Could not allocate memory for table"});
}

TEST(FftTest, BitReverseMirrorsTheLowBits) {
    EXPECT_EQ(BitReverse(1, 11), 1024);
    EXPECT_EQ(BitReverse(2, 11), 512);
    EXPECT_EQ(BitReverse(0b00000000110, 11), 0b01100000000);
    EXPECT_EQ(BitReverse(0b1011, 4), 0b1101);
    for (int v = 0; v < 2048; ++v) {
        ASSERT_EQ(BitReverse(BitReverse(v, 11), 11), v);
    }
}

TEST(FftTest, ASizeThatIsNotTwoToTheLog2SizeIsRefusedUntouched) {
    std::vector<double> re = RandomValues(16, 9);
    std::vector<double> im = RandomValues(16, 10);
    const std::vector<double> originalRe = re;
    CFft fft;
    const Result refused = fft.Transform(re.data(), im.data(), 16, 3, 0);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.Messages().empty());
    EXPECT_FALSE(fft.Transform(re.data(), im.data(), 12, 4, 0));
    EXPECT_FALSE(fft.Transform(re.data(), im.data(), 16, -1, 0));
    EXPECT_TRUE(BitEqual(re, originalRe));
    EXPECT_TRUE(fft.Transform(re.data(), im.data(), 1, 0, 1));  // one point: its own transform
    EXPECT_EQ(re[0], originalRe[0]);
}
