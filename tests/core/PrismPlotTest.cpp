#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectrum/PrismPlot.h"

using namespace tressel;

namespace {

double Db(double v) {
    return 20 * std::log10(v + 1e-12);
}

// A plot of one curve of `values` shown as FirstArray over the whole height.
struct SingleCurve {
    explicit SingleCurve(std::vector<double> v, int dB = 0) : values(std::move(v)) {
        plot.SetData(values.data(), values.data(), static_cast<int>(values.size()));
        plot.Configure(0, 0.5, FirstArray, Hidden, 0, dB, 0, 0, static_cast<int>(values.size()) - 1, 0, 0, 0, 0);
        plot.UpdateCurves();
    }
    std::vector<double> values;
    CPrismPlot plot;
};

std::vector<PrismDrawItem> Texts(const PrismScene& scene) {
    std::vector<PrismDrawItem> texts;
    for (const PrismDrawItem& item : scene.items) {
        if (item.kind == PrismDrawItem::Text) {
            texts.push_back(item);
        }
    }
    return texts;
}

}  // namespace

TEST(PrismPlotTest, CurvesFollowTheirDisplayModeAndDecibelFlag) {
    const std::vector<double> a = {3, 0, -1, 0.5};
    const std::vector<double> b = {4, 2, 0, -0.5};
    const double pi = std::acos(-1.0);
    struct Case {
        int mode;
        int dB;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {Magnitude, 0, {5, 2, 1, std::sqrt(0.5)}},
        {Magnitude, 1, {Db(5), Db(2), Db(1), Db(std::sqrt(0.5))}},
        {FirstArray, 0, {3, 0, -1, 0.5}},
        {FirstArray, 1, {Db(3), -240, Db(1), Db(0.5)}},
        {SecondArray, 1, {Db(4), Db(2), -240, Db(0.5)}},
        {Phase, 0, {std::atan2(4, 3), 0, 0, -pi / 4}},
        {Phase, 1, {Db(std::atan2(4, 3)), 1e-12, 1e-12, Db(pi / 4)}},
        {Hidden, 1, {0, 0, 0, 0}},
        {9, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " dB " << c.dB);
        CPrismPlot plot;
        plot.SetData(a.data(), b.data(), 4);
        plot.Configure(0, 0.5, c.mode, c.mode, 0, c.dB, c.dB, 0, 3, 0, 0, 0, 0);
        plot.UpdateCurves();
        for (int k = 0; k < 2; ++k) {
            ASSERT_EQ(plot.GetCurve(k).size(), 4u);
            for (int i = 0; i < 4; ++i) {
                EXPECT_DOUBLE_EQ(plot.GetCurve(k)[i], c.expected[i]) << "curve " << k << " point " << i;
            }
        }
    }
    // -240 dB is the floor for silence, exactly as 20 log10(1e-12) gives it.
    EXPECT_NEAR(Db(0), -240.0, 1e-9);
}

TEST(PrismPlotTest, UnwrappedPhaseRemovesTheTurnsAtEachJump) {
    // Angles rising through +pi and then falling back through it again.
    const std::vector<double> angles = {2.0, 2.6, 3.0, 3.4, 3.9, 4.5, 3.8, 3.1, 2.7};
    std::vector<double> re;
    std::vector<double> im;
    for (double angle : angles) {
        re.push_back(std::cos(angle));
        im.push_back(std::sin(angle));
    }
    const int count = static_cast<int>(angles.size());
    CPrismPlot plot;
    plot.SetData(re.data(), im.data(), count);
    plot.Configure(0, 0.5, Phase, UnwrappedPhase, 0, 0, 1, 0, count - 1, 0, 0, 0, 0);
    plot.UpdateCurves();
    EXPECT_LT(plot.GetCurve(0)[3], 0.0);  // the wrapped phase jumps to -pi..
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(std::pow(10.0, plot.GetCurve(1)[i] / 20), angles[i], 1e-9) << i;  // ..the unwrapped one does not
    }

    // Linear, and a zero input point counts as 0 (no jump against its neighbours' small phases).
    std::vector<double> re2 = {1, 0, -1, -1, -1};
    std::vector<double> im2 = {1, 1, 0.1, -0.1, -0.5};
    plot.SetData(re2.data(), im2.data(), 5);
    plot.Configure(0, 0.5, UnwrappedPhase, Hidden, 0, 0, 0, 0, 4, 0, 0, 0, 0);
    plot.UpdateCurves();
    const double turn = 6.28318530718;
    EXPECT_EQ(plot.GetCurve(0)[0], std::atan2(1.0, 1.0));
    EXPECT_EQ(plot.GetCurve(0)[1], 0.0);
    EXPECT_EQ(plot.GetCurve(0)[2], std::atan2(0.1, -1.0));
    EXPECT_EQ(plot.GetCurve(0)[3], std::atan2(-0.1, -1.0) + turn);
    EXPECT_EQ(plot.GetCurve(0)[4], std::atan2(-0.5, -1.0) + turn);
}

TEST(PrismPlotTest, ExtremesStartAtIndexZeroAndSkipTheLastIndex) {
    const std::vector<double> a = {10, -50, 3, -2, 7, 100, -100};
    CPrismPlot plot;
    plot.SetData(a.data(), a.data(), 7);
    plot.Configure(0, 0.5, FirstArray, Hidden, 0, 0, 0, 2, 5, 0, 0, 0, 0);
    plot.UpdateCurves();
    EXPECT_EQ(plot.GetComputedMinimum(0), -2.0);
    EXPECT_EQ(plot.GetComputedMaximum(0), 10.0);
    // The hidden curve is examined too: it is all zero.
    EXPECT_EQ(plot.GetComputedMinimum(1), 0.0);
    EXPECT_EQ(plot.GetComputedMaximum(1), 0.0);
}

TEST(PrismPlotTest, ValueLabelsUseFixedPointOnlyForModerateValues) {
    EXPECT_EQ(FormatValueLabel(0.0), "    0.00");
    EXPECT_EQ(FormatValueLabel(-240.0), " -240.00");
    EXPECT_EQ(FormatValueLabel(0.125), "    0.12");
    EXPECT_EQ(FormatValueLabel(9999.98), " 9999.98");
    EXPECT_EQ(FormatValueLabel(0.05), "    0.05");
    EXPECT_EQ(FormatValueLabel(0.0625), "   0.062");
    EXPECT_EQ(FormatValueLabel(-0.1), "    -0.1");
    EXPECT_EQ(FormatValueLabel(0.1), "     0.1");
    EXPECT_EQ(FormatValueLabel(12345.0), " 1.2e+04");
    EXPECT_EQ(FormatValueLabel(-1e300), " -1e+300");
}

TEST(PrismPlotTest, NothingIsDrawnWhenTooSmallOrWhenBothCurvesAreHidden) {
    SingleCurve curve({1, 2, 3, 4});
    EXPECT_TRUE(curve.plot.BuildScene(99, 250).items.empty());
    EXPECT_TRUE(curve.plot.BuildScene(350, 149).items.empty());
    EXPECT_FALSE(curve.plot.BuildScene(100, 150).items.empty());
    curve.plot.Configure(0, 0.5, Hidden, Hidden, 0, 0, 0, 0, 3, 0, 0, 0, 0);
    EXPECT_TRUE(curve.plot.BuildScene(350, 250).items.empty());
}

TEST(PrismPlotTest, TwoCurvesGetTwoBandsAndOneCurveTheFullHeight) {
    std::vector<double> a(1024, 1.0);
    std::vector<double> b(1024, -1.0);
    CPrismPlot plot;
    plot.SetData(a.data(), b.data(), 1024);
    plot.Configure(AudioWindowConfiguration(2));
    plot.UpdateCurves();
    PrismScene scene = plot.BuildScene(350, 250);
    ASSERT_TRUE(scene.complete);
    EXPECT_EQ(scene.layout.left, 43);
    EXPECT_EQ(scene.layout.right, 307);
    EXPECT_EQ(scene.layout.plotHeight, 210);
    EXPECT_EQ(scene.layout.bandGap, 13);
    ASSERT_EQ(scene.layout.bands.size(), 2u);
    EXPECT_EQ(scene.layout.bands[0].top, 13);
    EXPECT_EQ(scene.layout.bands[0].bottom, 92);
    EXPECT_EQ(scene.layout.bands[1].top, 118);
    EXPECT_EQ(scene.layout.bands[1].bottom, 197);
    EXPECT_EQ(scene.layout.labelRow, 92 + 9 - 3);  // the label font never drops below 9 pixels

    plot.Configure(AudioWindowConfiguration(1));
    plot.UpdateCurves();
    scene = plot.BuildScene(350, 250);
    ASSERT_EQ(scene.layout.bands.size(), 1u);
    EXPECT_EQ(scene.layout.bands[0].top, 13);
    EXPECT_EQ(scene.layout.bands[0].bottom, 197);
    // A wide window keeps the margins at their caps.
    EXPECT_EQ(plot.BuildScene(1000, 800).layout.left, 70);
    EXPECT_EQ(plot.BuildScene(1000, 800).layout.bandGap, 20);
}

TEST(PrismPlotTest, ZeroAxisSitsAtTheBottomForPositiveAndAtTheTopForNegativeCurves) {
    std::vector<double> positive;
    std::vector<double> negative;
    for (int i = 0; i < 100; ++i) {
        positive.push_back(2.0 + i);
        negative.push_back(-2.0 - i);
    }
    SingleCurve up(positive);
    PrismScene scene = up.plot.BuildScene(350, 250);
    ASSERT_TRUE(scene.complete);
    const PrismBand band = scene.layout.bands[0];
    EXPECT_EQ(band.zeroY, band.bottom);
    std::vector<PrismDrawItem> texts = Texts(scene);
    // Value labels run top to bottom; the bottom one reads the range's lower end, here the curve's
    // smallest value found (2; the last index is not examined).
    const int n = (band.bottom - band.top) / 12 / 2 * 2;
    EXPECT_EQ(texts[static_cast<std::size_t>(n)].text, FormatValueLabel(2.0));
    EXPECT_EQ(texts[0].text, FormatValueLabel(100.0));

    SingleCurve down(negative);
    scene = down.plot.BuildScene(350, 250);
    EXPECT_EQ(scene.layout.bands[0].zeroY, scene.layout.bands[0].top);
    texts = Texts(scene);
    EXPECT_EQ(texts[0].text, FormatValueLabel(-2.0));
    EXPECT_EQ(texts[static_cast<std::size_t>(n)].text, FormatValueLabel(-100.0));

    std::vector<double> mixed = {-3, 1, 1};
    SingleCurve across(mixed);
    scene = across.plot.BuildScene(350, 250);
    const PrismBand& b = scene.layout.bands[0];
    EXPECT_EQ(b.zeroY, b.top + static_cast<int>(1.0 / 4.0 * (b.bottom - b.top)));
}

TEST(PrismPlotTest, AConstantCurveGetsARangeOfPlusMinusATenthAndRunsThroughTheMiddle) {
    SingleCurve flat(std::vector<double>(50, 7.0));
    const PrismScene scene = flat.plot.BuildScene(350, 250);
    EXPECT_DOUBLE_EQ(flat.plot.GetConfiguration().yMin1, 6.9);
    EXPECT_DOUBLE_EQ(flat.plot.GetConfiguration().yMax1, 7.1);
    const PrismBand& band = scene.layout.bands[0];
    const int middle = (band.top + band.bottom) / 2;
    // After the band's two axes come the curve's 50 segments, one per point.
    ASSERT_GE(scene.items.size(), 52u);
    for (std::size_t i = 2; i < 52; ++i) {
        const PrismLine& line = scene.items[i].line;
        EXPECT_NEAR(line.y1, middle, 1) << i;
        EXPECT_NEAR(line.y2, middle, 1) << i;
    }
    EXPECT_EQ(scene.items[2].line.x1, scene.layout.left);
    EXPECT_NEAR(scene.items[51].line.x2, scene.layout.right, 1);
    // The settled range stays for later paints; the index range was complete already.
    EXPECT_EQ(flat.plot.GetConfiguration().lastIndex, 49);
}

TEST(PrismPlotTest, FrequencyLabelsRunFromZeroToOneHalfAndMoveLeftOfTheirTicks) {
    std::vector<double> re(1024, 1.0);
    std::vector<double> im(1024, 0.5);
    CPrismPlot plot;
    plot.SetData(re.data(), im.data(), 1024);
    plot.Configure(FilterWindowConfiguration());
    plot.UpdateCurves();
    const PrismScene scene = plot.BuildScene(350, 250);
    const std::vector<PrismDrawItem> texts = Texts(scene);
    ASSERT_GE(texts.size(), 9u);
    const std::vector<PrismDrawItem> labels(texts.end() - 9, texts.end());
    EXPECT_EQ(labels[0].text, "    0.00");
    EXPECT_EQ(labels[1].text, "   0.062");
    EXPECT_EQ(labels[2].text, "    0.12");
    EXPECT_EQ(labels[4].text, "    0.25");
    EXPECT_EQ(labels[8].text, "    0.50");
    const PrismLayout& layout = scene.layout;
    int previousOffset = 0;
    for (int j = 0; j < 9; ++j) {
        const int tickX = layout.left + j * (layout.right - layout.left) / 8;
        const int offset = tickX - labels[j].x;
        EXPECT_GT(offset, previousOffset) << j;
        previousOffset = offset;
        EXPECT_EQ(labels[j].y, layout.labelRow);
    }
}

TEST(PrismPlotTest, AnInvertedRangeStopsThePaintAtThatCurve) {
    std::vector<double> a(16, 1.0);
    CPrismPlot plot;
    plot.SetData(a.data(), a.data(), 16);
    plot.Configure(0, 0.5, FirstArray, SecondArray, 0, 0, 0, 0, 15, 5, -5, 0, 0);
    plot.UpdateCurves();
    PrismScene scene = plot.BuildScene(350, 250);
    EXPECT_FALSE(scene.complete);
    EXPECT_TRUE(scene.items.empty());

    plot.Configure(0, 0.5, FirstArray, SecondArray, 0, 0, 0, 0, 15, 0, 2, 5, -5);
    scene = plot.BuildScene(350, 250);
    EXPECT_FALSE(scene.complete);
    ASSERT_EQ(scene.items.size(), 2u);  // the first band's two axes, nothing more
    EXPECT_EQ(scene.items[0].line.x1, scene.items[0].line.x2);
}

TEST(PrismPlotTest, EqualIndicesMeanTheWholeArrayAndLogarithmicAxesStartAtTheLeftMargin) {
    std::vector<double> a(100, 1.0);
    for (int i = 0; i < 100; ++i) {
        a[i] = i;
    }
    CPrismPlot plot;
    plot.SetData(a.data(), a.data(), 100);
    plot.Configure(2, 1.0, FirstArray, Hidden, 1, 0, 0, 7, 7, 0, 0, 0, 0);
    plot.UpdateCurves();
    const PrismScene scene = plot.BuildScene(400, 300);
    ASSERT_TRUE(scene.complete);
    EXPECT_EQ(plot.GetConfiguration().firstIndex, 0);
    EXPECT_EQ(plot.GetConfiguration().lastIndex, 100);
    EXPECT_DOUBLE_EQ(scene.layout.xScale, (scene.layout.right - scene.layout.left - 1) / 2.0);
    // Index 100 is outside the data: drawn at value 0. The last segment ends at the right end.
    int rightmost = 0;
    for (const PrismDrawItem& item : scene.items) {
        if (item.kind == PrismDrawItem::Line) {
            rightmost = std::max(rightmost, item.line.x2);
        }
    }
    EXPECT_EQ(rightmost, scene.layout.right);
    // With x unit mode 2 the labels are indices: the last one is 10^((R - L - 1) / xs) = 100.
    const std::vector<PrismDrawItem> texts = Texts(scene);
    EXPECT_EQ(texts.back().text, FormatValueLabel(std::pow(10.0, (scene.layout.right - scene.layout.left - 1) /
                                                                      scene.layout.xScale) +
                                                  1e-12));
}
