// Arbitrary bytes as a filter file. A read either fails and leaves the set empty, or holds at least three
// taps, their file name and their sum as gain. The number of taps is checked against the line rules
// (256-byte reads with line ends kept, ";" comments, lines of 3 characters or fewer ignored, a NUL byte
// ending a line's text).

#include <cmath>
#include <cstring>

#include "dsp/FilterCoefficients.h"
#include "fuzz/FuzzSupport.h"

using namespace tressel::fuzz;

namespace {

int CountCoefficientLines(const std::uint8_t* data, std::size_t size) {
    int count = 0;
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = start;
        // One read takes up to 255 characters and stops after a line feed.
        while (end < size && end - start < 255) {
            if (data[end++] == '\n') {
                break;
            }
        }
        // A piece is a C string: a NUL byte ends it early.
        const void* nul = std::memchr(data + start, 0, end - start);
        const std::size_t length = nul ? static_cast<const std::uint8_t*>(nul) - (data + start) : end - start;
        if (data[start] != ';' && length > 3) {
            ++count;
        }
        start = end;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile file("filter.txt");
    file.Write(data, size);

    CFilterCoefficients filter;
    const bool read = filter.Read(file.Path());
    if (!read) {
        FUZZ_CHECK(filter.GetCount() == 0);
        FUZZ_CHECK(filter.GetCoefficients() == nullptr);
        FUZZ_CHECK(filter.GetFileName().empty());
        FUZZ_CHECK(filter.GetGain() == 0.0);
    } else {
        FUZZ_CHECK(filter.GetCount() >= 3);
        FUZZ_CHECK(filter.GetFileName() == file.Path());
        double sum = 0.0;
        for (int i = 0; i < filter.GetCount(); ++i) {
            sum += filter.GetCoefficients()[i];
        }
        const double gain = filter.GetGain();
        FUZZ_CHECK((std::isnan(sum) && std::isnan(gain)) || sum == gain);
    }
    const int expected = CountCoefficientLines(data, size);
    FUZZ_CHECK(filter.GetCount() == (expected >= 3 ? expected : 0));

    // A second read into the same set replaces the content, whatever was there.
    FUZZ_CHECK(filter.Read(file.Path()) == read);
    return 0;
}
