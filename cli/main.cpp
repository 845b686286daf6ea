// tressel-cli: the main window's operations without a display, for scripts and batch work.

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/Interruption.h"
#include "tressel/BuildInfo.h"

namespace {

using namespace tressel::cli;

void PrintUsage(std::FILE* stream) {
    std::fprintf(stream, "usage: tressel-cli [--verbose] COMMAND ARGUMENTS...\n"
                         "       tressel-cli COMMAND --help\n       tressel-cli --help\n"
                         "       tressel-cli --version\n\ncommands:\n");
    for (const auto& command : RegisteredCommands()) {
        std::fprintf(stream, "  tressel-cli %s\n", command.synopsis.c_str());
    }
}

void PrintHelp() {
    std::printf("tressel-cli runs Tressel's audio operations without a window. Input files are loaded as\n"
                "\"Load Audio\" loads them and outputs are written as \"Save Audio\" writes them. A message\n"
                "that an operation reports is printed to standard error as \"tressel-cli: FILE: TEXT\", FILE\n"
                "being the file it is about, and the command exits with status 1 without writing its output;\n"
                "bad arguments exit with status 2. An interrupted command (Ctrl+C, a kill) removes the\n"
                "files it was writing and leaves an older file of the same name as it was.\n"
                "Progress is drawn on standard error when it is a terminal. --verbose, anywhere on the\n"
                "command line, adds the MP3 decoder's remarks on its input; COMMAND --help describes one\n"
                "command.\n\n");
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

bool IsHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    const auto verbose = std::remove(words.begin(), words.end(), std::string("--verbose"));
    const bool isVerbose = verbose != words.end();
    words.erase(verbose, words.end());
    if (words.empty()) {
        PrintUsage(stderr);
        return kBadArguments;
    }
    const std::string name = words.front();
    if (IsHelp(name) || name == "help") {
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
    const std::vector<std::string> arguments(words.begin() + 1, words.end());
    if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
        PrintCommandHelp(*command);
        return kSuccess;
    }
    ConsoleFeedback feedback;
    feedback.SetVerbose(isVerbose);
    RemovePartialFilesOnInterrupt();
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
