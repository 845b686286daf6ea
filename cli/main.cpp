// tressel-cli: the main window's operations without a display, for scripts and batch work.

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "tressel/BuildInfo.h"

namespace {

using namespace tressel::cli;

void PrintUsage(std::FILE* stream) {
    std::fprintf(stream, "usage: tressel-cli COMMAND ARGUMENTS...\n       tressel-cli --help\n"
                         "       tressel-cli --version\n\ncommands:\n");
    for (const auto& command : RegisteredCommands()) {
        std::fprintf(stream, "  tressel-cli %s\n", command.synopsis.c_str());
    }
}

void PrintHelp() {
    std::printf("tressel-cli runs Tressel's audio operations without a window. Input files are loaded as\n"
                "\"Load Audio\" loads them and outputs are written as \"Save Audio\" writes them. A message\n"
                "that an operation reports is printed to standard error as \"tressel-cli: TEXT\" and the\n"
                "command exits with status 1 without writing its output; bad arguments exit with status 2.\n"
                "Progress is drawn on standard error when it is a terminal.\n\n");
    for (const auto& command : RegisteredCommands()) {
        std::printf("tressel-cli %s\n%s\n\n", command.synopsis.c_str(), command.description.c_str());
    }
}

const CliCommand* FindCommand(const std::string& name) {
    for (const auto& command : RegisteredCommands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kBadArguments;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp();
        return kSuccess;
    }
    if (name == "--version") {
        std::printf("tressel-cli %s\n", tressel::kVersion);
        return kSuccess;
    }
    const CliCommand* command = FindCommand(name);
    if (!command) {
        std::fprintf(stderr, "tressel-cli: unknown command %s\n", name.c_str());
        PrintUsage(stderr);
        return kBadArguments;
    }
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    ConsoleFeedback feedback;
    try {
        return command->run(arguments, feedback);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "tressel-cli: %s\nusage: tressel-cli %s\n", error.text.c_str(),
                     command->synopsis.c_str());
        return kBadArguments;
    } catch (const std::bad_alloc&) {
        feedback.ShowMessage("Out of memory.");
        return kOperationFailed;
    }
}
