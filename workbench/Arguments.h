#pragma once
// The words of one command, as the command line and a macro line both give them: operands and files in
// their order, "--name value" options and "--flag" options anywhere between them.

#include <string>
#include <utility>
#include <vector>

#include "audio/Result.h"

namespace tressel {

struct OptionTable {
    std::vector<std::string> valueOptions;  // "--original" takes the word after it
    std::vector<std::string> flagOptions;   // "--crc" stands alone
};

struct ParsedArguments {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> options;  // flags carry an empty value

    bool Has(const std::string& name) const;
    // The value of the last occurrence, or the fallback.
    std::string Value(const std::string& name, const std::string& fallback) const;
};

// Fails with "unknown option --x" or "--x needs a value".
Result ParseArguments(const std::vector<std::string>& words, const OptionTable& table, ParsedArguments& parsed);

// The whole text as a finite number; "WHAT must be a number: TEXT" otherwise.
Result ParseNumber(const std::string& text, const std::string& what, double& value);
// A mixer level as the window keeps it, a single-precision float.
Result ParseLevel(const std::string& text, const std::string& what, float& value);
// The whole text as a whole number that fits an int; "WHAT must be a whole number: TEXT" otherwise.
Result ParseWholeNumber(const std::string& text, const std::string& what, int& value);

}  // namespace tressel
