#include "cli/CliCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace tressel::cli {

namespace {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

void RegisterCliCommand(CliCommand command) {
    auto& commands = Registry();
    const auto place = std::lower_bound(commands.begin(), commands.end(), command.name,
                                        [](const CliCommand& c, const std::string& n) { return c.name < n; });
    commands.insert(place, std::move(command));
}

const std::vector<CliCommand>& RegisteredCommands() {
    return Registry();
}

double ParseDouble(const std::string& text, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE) {
        throw UsageError{what + " must be a number: " + text};
    }
    return value;
}

int ParseInt(const std::string& text, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < -2147483647L - 1 || value > 2147483647L) {
        throw UsageError{what + " must be a whole number: " + text};
    }
    return static_cast<int>(value);
}

bool ParsedArguments::Has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArguments::Value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return fallback;
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& valueOptions,
                               const std::vector<std::string>& flagOptions) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 2 && argument.rfind("--", 0) == 0) {
            if (Contains(valueOptions, argument)) {
                if (i + 1 >= arguments.size()) {
                    throw UsageError{argument + " needs a value"};
                }
                parsed.options.emplace_back(argument, arguments[++i]);
            } else if (Contains(flagOptions, argument)) {
                parsed.options.emplace_back(argument, std::string());
            } else {
                throw UsageError{"unknown option " + argument};
            }
        } else {
            parsed.positionals.push_back(argument);
        }
    }
    return parsed;
}

}  // namespace tressel::cli
