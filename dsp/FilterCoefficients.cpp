#include "dsp/FilterCoefficients.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "dsp/DecimalPrefix.h"

namespace {

// Lines are read in 256-byte pieces with their line ends kept, so a line of more than 255 characters
// continues as a further line, and a CR LF file has one character more per line than an LF file.
constexpr int kLineBufferSize = 256;
// Lines this short (line end included) hold no coefficient: blank lines, "1" plus CR LF, a bare "0.5".
constexpr std::size_t kShortestIgnoredLine = 3;
constexpr int kMinimumCount = 3;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool IsCoefficientLine(const char* line) {
    return line[0] != ';' && std::strlen(line) > kShortestIgnoredLine;
}

// Calls visit(line) for every coefficient line from the start of the file; false on a read error.
template <typename Visit>
bool ForEachCoefficientLine(std::FILE* file, Visit visit) {
    std::rewind(file);
    char line[kLineBufferSize];
    while (std::fgets(line, kLineBufferSize, file)) {
        if (IsCoefficientLine(line) && !visit(line)) {
            return false;
        }
    }
    return !std::ferror(file);
}

}  // namespace

CFilterCoefficients::CFilterCoefficients() = default;

CFilterCoefficients::~CFilterCoefficients() {
    Reset();
}

void CFilterCoefficients::Reset() {
    m_coefficients.reset();
    m_count = 0;
    m_fileName.clear();
}

bool CFilterCoefficients::Read(const std::string& path) {
    Reset();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    long long lineCount = 0;
    const bool counted = ForEachCoefficientLine(file.get(), [&](const char*) {
        return ++lineCount <= INT_MAX;
    });
    if (!counted || lineCount < kMinimumCount) {
        return false;
    }
    const int count = static_cast<int>(lineCount);
    std::unique_ptr<double[]> values(new (std::nothrow) double[static_cast<std::size_t>(count)]);
    if (!values) {
        return false;
    }
    // The second pass classifies lines exactly as the first; a file that changed in between (a different
    // number of lines now) is refused rather than read half.
    int stored = 0;
    const bool parsed = ForEachCoefficientLine(file.get(), [&](const char* line) {
        if (stored == count) {
            return false;
        }
        values[static_cast<std::size_t>(stored++)] = tressel::dsp::ParseDecimalPrefix(line);
        return true;
    });
    if (!parsed || stored != count) {
        return false;
    }
    m_coefficients = std::move(values);
    m_count = count;
    m_fileName = path;
    return true;
}

double CFilterCoefficients::GetGain() const {
    double gain = 0.0;
    for (int i = 0; i < m_count; ++i) {
        gain += m_coefficients[static_cast<std::size_t>(i)];
    }
    return gain;
}
