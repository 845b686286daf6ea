#pragma once
// Subcommands of tressel-cli register themselves here, one file each, so adding a feature adds a file.

#include <string>
#include <vector>

#include "cli/ConsoleFeedback.h"
#include "workbench/Workbench.h"

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

// A parse that failed becomes a usage error.
void RequireValid(const Result& parsed);

// Prints what the result says (the window's confirmations stay unsaid) and gives the exit status.
int Finish(const Result& result, ConsoleFeedback& feedback);

// Loads IN as "Load Audio" does, its messages naming IN. A file whose contents are the other audio format
// than its name says is refused with what was found. An MP3 file is decoded in memory; its frame count is
// drawn on a terminal and, with --verbose, the decoder's diagnostics go to standard error, so they never
// mix with data printed on standard output.
Result LoadInput(Workbench& workbench, const std::string& path, const ConsoleFeedback& feedback);

// The usage line and the description of one subcommand, for "tressel-cli COMMAND --help".
void PrintCommandHelp(const CliCommand& command);

}  // namespace tressel::cli
