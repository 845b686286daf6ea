#pragma once
// Subcommands of tressel-cli register themselves here, one file each, so adding a feature adds a file.

#include <string>
#include <vector>

#include "cli/ConsoleFeedback.h"

namespace tressel::cli {

enum ExitCode { kSuccess = 0, kOperationFailed = 1, kBadArguments = 2 };

// Thrown by argument parsing; main prints usage and exits with kBadArguments.
struct UsageError {
    std::string text;
};

struct CliCommand {
    std::string name;
    std::string synopsis;     // "fir TAPS IN OUT [--original X] ..."
    std::string description;  // a paragraph for --help
    int (*run)(const std::vector<std::string>& arguments, ConsoleFeedback& feedback);
};

void RegisterCliCommand(CliCommand command);
const std::vector<CliCommand>& RegisteredCommands();

struct CliCommandRegistration {
    explicit CliCommandRegistration(CliCommand command) { RegisterCliCommand(std::move(command)); }
};

// Small helpers shared by the subcommands.
double ParseDouble(const std::string& text, const std::string& what);
int ParseInt(const std::string& text, const std::string& what);

// Splits arguments into positionals and "--name value" / "--flag" options. Options not listed as taking a
// value are flags; unknown options are usage errors.
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> options;  // flags carry an empty value
    bool Has(const std::string& name) const;
    std::string Value(const std::string& name, const std::string& fallback) const;
};
ParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& valueOptions,
                               const std::vector<std::string>& flagOptions);

}  // namespace tressel::cli
