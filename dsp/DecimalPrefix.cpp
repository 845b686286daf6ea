#include "dsp/DecimalPrefix.h"

#include <charconv>
#include <limits>
#include <string>

namespace tressel::dsp {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The pieces of a decimal number found at the start of a text.
struct DecimalParts {
    bool negative = false;
    std::string mantissa;     // digits with an optional ".", never a sign
    long long exponent = 0;   // saturated far beyond the double range
    bool hasExponent = false;
    int leadingPower = 0;     // decimal power of the first non-zero mantissa digit, for out-of-range values
};

std::size_t ScanDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

// Reads the exponent after its letter; answers false (nothing consumed) when no digit follows.
bool ScanExponent(std::string_view text, std::size_t at, DecimalParts& parts) {
    if (at >= text.size()) {
        return false;
    }
    const char letter = text[at];
    if (letter != 'e' && letter != 'E' && letter != 'd' && letter != 'D') {
        return false;
    }
    std::size_t p = at + 1;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    const std::size_t digitsEnd = ScanDigits(text, p);
    if (digitsEnd == p) {
        return false;
    }
    long long value = 0;
    for (; p < digitsEnd; ++p) {
        if (value < 100000000) {
            value = value * 10 + (text[p] - '0');
        }
    }
    parts.exponent = negative ? -value : value;
    parts.hasExponent = true;
    return true;
}

int LeadingPower(std::string_view mantissa) {
    const std::size_t point = mantissa.find('.');
    const std::size_t integerDigits = point == std::string_view::npos ? mantissa.size() : point;
    for (std::size_t i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] != '.' && mantissa[i] != '0') {
            return i < integerDigits ? static_cast<int>(integerDigits - i) : -static_cast<int>(i - integerDigits);
        }
    }
    return 0;
}

// Answers false when the text does not start with a number.
bool ScanNumber(std::string_view text, DecimalParts& parts) {
    std::size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        parts.negative = text[at] == '-';
        ++at;
    }
    const std::size_t start = at;
    at = ScanDigits(text, at);
    std::size_t digitCount = at - start;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fractionEnd = ScanDigits(text, at + 1);
        digitCount += fractionEnd - (at + 1);
        at = fractionEnd;
    }
    if (digitCount == 0) {
        return false;
    }
    parts.mantissa.assign(text.substr(start, at - start));
    ScanExponent(text, at, parts);
    parts.leadingPower = LeadingPower(parts.mantissa);
    return true;
}

}  // namespace

double ParseDecimalPrefix(std::string_view text) {
    DecimalParts parts;
    if (!ScanNumber(text, parts)) {
        return 0.0;
    }
    std::string normalised = parts.mantissa;
    if (parts.hasExponent) {
        normalised += 'e';
        normalised += std::to_string(parts.exponent);
    }
    double magnitude = 0.0;
    const auto result = std::from_chars(normalised.data(), normalised.data() + normalised.size(), magnitude,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Only values beyond about 1e308 or below about 1e-324 land here; the decimal power tells which.
        magnitude = parts.leadingPower + parts.exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return parts.negative ? -magnitude : magnitude;
}

}  // namespace tressel::dsp
