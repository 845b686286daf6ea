#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectrum/FilterResponse.h"

using namespace tressel;

namespace {

struct Response {
    std::vector<double> real = std::vector<double>(kSpectrumSize, 99.0);
    std::vector<double> imag = std::vector<double>(kSpectrumSize, 99.0);
};

Response Of(const std::vector<double>& taps) {
    Response r;
    ComputeFilterResponse(taps.data(), static_cast<int>(taps.size()), r.real.data(), r.imag.data());
    return r;
}

}  // namespace

TEST(FilterResponseTest, NoTapsGiveZerosAndOneUnitTapGivesOneEverywhere) {
    const Response none = Of({});
    EXPECT_EQ(none.real, std::vector<double>(kSpectrumSize, 0.0));
    EXPECT_EQ(none.imag, std::vector<double>(kSpectrumSize, 0.0));
    const Response unit = Of({1.0});
    EXPECT_EQ(unit.real, std::vector<double>(kSpectrumSize, 1.0));
    EXPECT_EQ(unit.imag, std::vector<double>(kSpectrumSize, 0.0));
}

TEST(FilterResponseTest, KnownFiltersHaveTheirTextbookResponses) {
    const double pi = std::acos(-1.0);
    // Two-tap average: |H| = cos(pi k / 2048), phase -pi k / 2048.
    const Response average = Of({0.5, 0.5});
    // A pure delay of three samples: |H| = 1, phase -2 pi 3k / 2048 (wrapped).
    const Response delay = Of({0.0, 0.0, 0.0, 1.0});
    for (int k = 0; k < 1024; ++k) {
        const double w = 2 * pi * k / kSpectrumSize;
        EXPECT_NEAR(std::hypot(average.real[k], average.imag[k]), std::cos(w / 2), 1e-12) << k;
        if (k > 0) {
            EXPECT_NEAR(std::atan2(average.imag[k], average.real[k]), -w / 2, 1e-12) << k;
        }
        EXPECT_NEAR(delay.real[k], std::cos(3 * w), 1e-12) << k;
        EXPECT_NEAR(delay.imag[k], -std::sin(3 * w), 1e-12) << k;
    }
    // The taps' sum (the filter gain) is bin 0, unscaled.
    const Response gain = Of({0.25, 1.5, -0.75, 2.0});
    EXPECT_EQ(gain.real[0], 3.0);
    EXPECT_EQ(gain.imag[0], 0.0);
}

TEST(FilterResponseTest, AFilterLongerThanTheTransformUsesItsFirst2048Taps) {
    std::vector<double> taps(3000);
    for (std::size_t i = 0; i < taps.size(); ++i) {
        taps[i] = std::sin(0.01 * static_cast<double>(i * i));
    }
    const Response longer = Of(taps);
    const Response cut = Of(std::vector<double>(taps.begin(), taps.begin() + kSpectrumSize));
    EXPECT_EQ(longer.real, cut.real);
    EXPECT_EQ(longer.imag, cut.imag);
}
