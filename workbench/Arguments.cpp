#include "workbench/Arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace tressel {

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool IsOption(const std::string& word) {
    return word.size() > 2 && word.rfind("--", 0) == 0;
}

// A leading "+" is allowed as a written sign; the rest must be the number itself.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') {
        text.remove_prefix(1);
    }
    return text;
}

// The whole text as a finite decimal number in the C locale's notation whatever the user's locale, so a
// macro means the same everywhere.
template <typename Number>
bool ParseDecimal(const std::string& text, Number& value) {
    const std::string_view digits = WithoutPlus(text);
    Number parsed{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

Result NotANumber(const std::string& what, const std::string& text) {
    return Result::Failure(what + " must be a number: " + text);
}

}  // namespace

bool ParsedArguments::Has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& option) { return option.first == name; });
}

std::string ParsedArguments::Value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return fallback;
}

Result ParseArguments(const std::vector<std::string>& words, const OptionTable& table, ParsedArguments& parsed) {
    parsed = {};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!IsOption(word)) {
            parsed.positionals.push_back(word);
        } else if (Contains(table.valueOptions, word)) {
            if (i + 1 >= words.size()) {
                return Result::Failure(word + " needs a value");
            }
            parsed.options.emplace_back(word, words[++i]);
        } else if (Contains(table.flagOptions, word)) {
            parsed.options.emplace_back(word, std::string());
        } else {
            return Result::Failure("unknown option " + word);
        }
    }
    return {};
}

Result ParseNumber(const std::string& text, const std::string& what, double& value) {
    return ParseDecimal(text, value) ? Result() : NotANumber(what, text);
}

Result ParseLevel(const std::string& text, const std::string& what, float& value) {
    return ParseDecimal(text, value) ? Result() : NotANumber(what, text);
}

Result ParseWholeNumber(const std::string& text, const std::string& what, int& value) {
    const std::string_view digits = WithoutPlus(text);
    int parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return Result::Failure(what + " must be a whole number: " + text);
    }
    value = parsed;
    return {};
}

}  // namespace tressel
