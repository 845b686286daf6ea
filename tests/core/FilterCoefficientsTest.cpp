#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "dsp/DecimalPrefix.h"
#include "dsp/FilterCoefficients.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel::testing;
using tressel::dsp::ParseDecimalPrefix;

namespace {

class FilterCoefficientsTest : public ::testing::Test {
protected:
    std::string WriteText(const std::string& text, const std::string& name = "taps.txt") {
        const std::string path = scratch.File(name);
        WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
        return path;
    }

    std::vector<double> Taps() const {
        return std::vector<double>(filter.GetCoefficients(), filter.GetCoefficients() + filter.GetCount());
    }

    // Reads a file that must fail, after a good read, and checks the set is left empty.
    void ExpectRefused(const std::string& path) {
        ASSERT_TRUE(filter.Read(WriteText("1.0\n2.0\n3.0\n", "good.txt")));
        EXPECT_FALSE(filter.Read(path));
        EXPECT_EQ(filter.GetCount(), 0);
        EXPECT_EQ(filter.GetCoefficients(), nullptr);
        EXPECT_EQ(filter.GetGain(), 0.0);
        EXPECT_EQ(filter.GetFileName(), "");
    }

    ScratchDir scratch;
    CFilterCoefficients filter;
};

TEST_F(FilterCoefficientsTest, CommentsAnywhereAreSkippedAndTapsKeepFileOrder) {
    const std::string path = WriteText(
        "; Filter Logfile\r\n;taps: 5\r\n0.125\r\n-0.25\r\n; a comment between taps 12345\r\n0.5\r\n"
        "-0.75\r\n1.0\r\n");
    ASSERT_TRUE(filter.Read(path));
    EXPECT_EQ(Taps(), (std::vector<double>{0.125, -0.25, 0.5, -0.75, 1.0}));
    EXPECT_EQ(filter.GetGain(), 0.625);
    EXPECT_EQ(filter.GetFileName(), path);
}

TEST_F(FilterCoefficientsTest, LinesOfThreeCharactersOrFewerCountingTheLineEndAreIgnored) {
    // "1\r\n" is three characters and ignored, "1\n" two; "1.0\n" is four and counts, as does "-2\r\n".
    // The last line has no line end: "0.5" is three characters and ignored.
    ASSERT_TRUE(filter.Read(WriteText("1\r\n0\r\n1.0\n\n\r\n1\n-2\r\n 3\n7.5\n0.5")));
    EXPECT_EQ(Taps(), (std::vector<double>{1.0, -2.0, 7.5}));

    // A last line without line end counts when it has four characters.
    ASSERT_TRUE(filter.Read(WriteText("1.0\n2.0\n0.25")));
    EXPECT_EQ(Taps(), (std::vector<double>{1.0, 2.0, 0.25}));

    // The same single-digit taps in CR LF form give nothing at all.
    ExpectRefused(WriteText("1\r\n0\r\n1\r\n0\r\n1\r\n", "crlf.txt"));
}

TEST_F(FilterCoefficientsTest, LongLinesAreSplitAfter255Characters) {
    const std::string head = "0.25" + std::string(251, ' ');  // exactly one 255-character read
    ASSERT_EQ(head.size(), 255u);
    std::string text = head + "7.5\n";          // the remainder is a tap of its own
    text += head + "7\n";                       // remainder of two characters: ignored
    text += head + ";comment\n";                // remainder starting with ";" is a comment
    text += std::string(254, ' ') + "9.5\n";    // cut after "9"; the rest ".5" plus LF is too short
    text += std::string(254, ' ') + "3.75\n";   // cut after "3"; the rest ".75" plus LF is a tap
    ASSERT_TRUE(filter.Read(WriteText(text)));
    EXPECT_EQ(Taps(), (std::vector<double>{0.25, 7.5, 0.25, 0.25, 9.0, 3.0, 0.75}));
}

TEST_F(FilterCoefficientsTest, NumbersAreReadLikeAtofWithFortranExponents) {
    ASSERT_TRUE(filter.Read(WriteText("-1.234e-002\n-1.234D-002\n-1.234d-2\n1.5E+3\n \t+2.5xyz\nabcd\n"
                                      ".5e1\n5.\r\n1ex\n2e+\n0x10\n  -0\n")));
    const std::vector<double> taps = Taps();
    ASSERT_EQ(taps.size(), 12u);
    EXPECT_EQ(taps[0], -0.01234);
    EXPECT_EQ(taps[1], -0.01234);
    EXPECT_EQ(taps[2], -0.01234);
    EXPECT_EQ(taps[3], 1500.0);
    EXPECT_EQ(taps[4], 2.5);
    EXPECT_EQ(taps[5], 0.0);  // no number: a tap of 0.0
    EXPECT_EQ(taps[6], 5.0);
    EXPECT_EQ(taps[7], 5.0);
    EXPECT_EQ(taps[8], 1.0);  // an exponent letter without digits is not part of the number
    EXPECT_EQ(taps[9], 2.0);
    EXPECT_EQ(taps[10], 0.0);  // decimal only: "0x10" is the number 0
    EXPECT_TRUE(std::signbit(taps[11]));
}

TEST(DecimalPrefixTest, ConvertsToTheNearestDoubleAndSaturatesOutOfRange) {
    EXPECT_EQ(ParseDecimalPrefix("0.1"), 0.1);
    EXPECT_EQ(ParseDecimalPrefix("3.141592653589793238462643383279"), 3.141592653589793);
    EXPECT_EQ(ParseDecimalPrefix("123456789012345678901234567890"), 123456789012345678901234567890.0);
    EXPECT_EQ(ParseDecimalPrefix("4.9406564584124654D-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ParseDecimalPrefix("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix("-1d400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix("0.0000001e99999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseDecimalPrefix("1e-400"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("2.5e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ParseDecimalPrefix("2.2250738585072014e-308"), std::numeric_limits<double>::min());
    EXPECT_EQ(ParseDecimalPrefix("0e99999"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix(""), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("-"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("."), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("\v\f\r\n7"), 7.0);
}

TEST_F(FilterCoefficientsTest, FewerThanThreeTapsOrNoFileLeaveTheSetEmpty) {
    ExpectRefused(WriteText("; two taps only\n0.5\n0.25\n", "two.txt"));
    ExpectRefused(WriteText("", "empty.txt"));
    ExpectRefused(scratch.File("missing.txt"));
    ExpectRefused(scratch.Path().string());  // a folder opens but cannot be read
}

TEST_F(FilterCoefficientsTest, GainIsTheSumInFileOrderAndResetEmptiesTheSet) {
    // Summed in any other order these give 1.0 instead of 0.0.
    ASSERT_TRUE(filter.Read(WriteText("1e16\n1.0\n-1e16\n")));
    EXPECT_EQ(filter.GetGain(), 0.0);
    filter.Reset();
    EXPECT_EQ(filter.GetCount(), 0);
    EXPECT_EQ(filter.GetFileName(), "");
    EXPECT_EQ(filter.GetGain(), 0.0);
}

// The decimal point of a filter file is "." whatever the process locale says.
TEST_F(FilterCoefficientsTest, CommaLocaleDoesNotChangeTheDecimalPoint) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
            comma = true;
            break;
        }
    }
    if (!comma) {
        // Build one from the system's locale sources when none is installed.
        const std::string command = "localedef -c -i de_DE -f ISO-8859-1 '" + scratch.File("de_DE") +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != -1) {
            setenv("LOCPATH", scratch.Path().c_str(), 1);
            comma = std::setlocale(LC_NUMERIC, "de_DE") && std::localeconv()->decimal_point[0] == ',';
        }
    }
    if (!comma) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma available";
    }
    const bool read = filter.Read(WriteText("1.5\n2,5\n-0.25e1\n"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
    ASSERT_TRUE(read);
    EXPECT_EQ(Taps(), (std::vector<double>{1.5, 2.0, -2.5}));
}

}  // namespace
