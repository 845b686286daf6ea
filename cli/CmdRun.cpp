// tressel-cli run: a macro over many files, several at a time, and over a share of a collection when
// many machines split it between them.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

#include "cli/CliCommand.h"
#include "cli/Interruption.h"
#include "workbench/Arguments.h"
#include "workbench/BatchRun.h"

namespace tressel::cli {
namespace {

std::string Clock(std::chrono::seconds time) {
    const long seconds = static_cast<long>(time.count());
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
    return text;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// One line per input on standard output; the notes of a chain (and, with --verbose, the decoder's remarks
// on a file that failed) on standard error; on a terminal, a progress line below them that a ticker keeps current.
class ConsoleBatchReport final : public BatchObserver {
public:
    ConsoleBatchReport(std::size_t total, bool verbose)
        : m_total(total),
          m_verbose(verbose),
          m_onTerminal(::isatty(STDERR_FILENO) != 0),
          m_start(std::chrono::steady_clock::now()) {
        if (m_onTerminal) {
            m_ticker = std::thread([this] { Tick(); });
        }
    }
    ~ConsoleBatchReport() override {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_ticker.joinable()) {
            m_ticker.join();
        }
        if (m_onTerminal) {
            std::fputs("\r\033[K", stderr);
        }
    }
    ConsoleBatchReport(const ConsoleBatchReport&) = delete;
    ConsoleBatchReport& operator=(const ConsoleBatchReport&) = delete;

    void Finished(const BatchItem& item, const BatchOutcome& outcome) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ClearProgress();
        // The decoder remarks on every stream it reads; only for a file that failed do they tell the user
        // something.
        if (m_verbose && outcome.status == BatchOutcome::Status::Failed) {
            for (const std::string& text : outcome.diagnostics) {
                std::fprintf(stderr, "%s: %s", item.input.c_str(), text.c_str());
            }
        }
        for (const Message& message : outcome.result.Messages()) {
            if (message.kind == Message::Kind::Note) {
                std::fprintf(stderr, "tressel-cli: %s: %s\n", item.input.c_str(), message.text.c_str());
            }
        }
        switch (outcome.status) {
        case BatchOutcome::Status::Done:
            std::printf("OK %s -> %s\n", item.input.c_str(), Joined(item.outputs).c_str());
            break;
        case BatchOutcome::Status::Skipped:
            std::printf("SKIPPED %s -> %s\n", item.input.c_str(), Joined(item.outputs).c_str());
            break;
        case BatchOutcome::Status::Failed:
            std::printf("FAILED %s: %s\n", item.input.c_str(), outcome.result.FailureText().c_str());
            break;
        }
        std::fflush(stdout);
        ++m_finished;
        DrawProgress();
    }

private:
    void Tick() {
        std::unique_lock<std::mutex> lock(m_mutex);
        DrawProgress();
        while (!m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_stopping; })) {
            DrawProgress();
        }
    }
    void ClearProgress() {
        if (m_onTerminal) {
            std::fputs("\r\033[K", stderr);
        }
    }
    void DrawProgress() {
        if (!m_onTerminal) {
            return;
        }
        using namespace std::chrono;
        const auto elapsed = duration_cast<seconds>(steady_clock::now() - m_start);
        std::string estimate = "estimating";
        if (m_finished > 0) {
            const auto left = elapsed * static_cast<long>(m_total - m_finished) / static_cast<long>(m_finished);
            estimate = "about " + Clock(left) + " left";
        }
        std::fprintf(stderr, "\r\033[K%zu of %zu files, %s elapsed, %s", m_finished, m_total, Clock(elapsed).c_str(),
                     estimate.c_str());
        std::fflush(stderr);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_total;
    std::size_t m_finished = 0;
    bool m_verbose;
    bool m_onTerminal;
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_start;
    std::thread m_ticker;
};

std::vector<std::string> ReadList(const std::string& path) {
    std::ifstream file;
    if (path != "-") {
        file.open(path);
        if (!file) {
            throw UsageError{"cannot read the list " + path};
        }
    }
    std::istream& stream = path == "-" ? std::cin : file;
    std::vector<std::string> inputs;
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            inputs.push_back(line);
        }
    }
    return inputs;
}

BatchOptions ParseOptions(const ParsedArguments& parsed) {
    BatchOptions options;
    options.outFolder = parsed.Value("--out", "");
    options.skipExisting = parsed.Has("--skip-existing");
    if (parsed.Has("--jobs")) {
        RequireValid(ParseWholeNumber(parsed.Value("--jobs", ""), "--jobs", options.jobs));
        if (options.jobs < 1) {
            throw UsageError{"--jobs must be at least 1"};
        }
    }
    if (parsed.Has("--shard")) {
        RequireValid(ParseShard(parsed.Value("--shard", ""), options.shardIndex, options.shardCount));
    }
    return options;
}

bool WritesFiles(const Macro& macro) {
    return std::any_of(macro.lines.begin(), macro.lines.end(), [](const MacroLine& line) {
        return std::holds_alternative<MacroSave>(line.command) || std::holds_alternative<MacroEncode>(line.command);
    });
}

// A macro that cannot run, or a plan that would overwrite what it reads: nothing is processed.
int Refuse(const Result& result, ConsoleFeedback& feedback) {
    feedback.Report(result);
    return kBadArguments;
}

int RunMacroOverFiles(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    ParsedArguments parsed;
    RequireValid(ParseArguments(arguments, {{"--out", "--jobs", "--list", "--shard"}, {"--skip-existing"}}, parsed));
    const BatchOptions options = ParseOptions(parsed);
    std::vector<std::string> inputs(parsed.positionals.begin() + (parsed.positionals.empty() ? 0 : 1),
                                    parsed.positionals.end());
    if (parsed.Has("--list")) {
        const std::vector<std::string> listed = ReadList(parsed.Value("--list", ""));
        inputs.insert(inputs.end(), listed.begin(), listed.end());
    }
    if (parsed.positionals.empty() || inputs.empty()) {
        throw UsageError{"run takes a macro and at least one input"};
    }
    Macro macro;
    if (Result loaded = LoadMacro(parsed.positionals[0], macro); !loaded) {
        return Refuse(loaded, feedback);
    }
    if (!WritesFiles(macro)) {
        return Refuse(Result::Failure(macro.path + ": writes no file (it has no save or encode line)"), feedback);
    }
    std::vector<BatchItem> plan;
    if (Result planned = PlanBatch(macro, inputs, options, plan); !planned) {
        return Refuse(planned, feedback);
    }
    // A reader of the report lines that went away fails those lines, not the run. Interrupted, the run
    // leaves its finished files whole, and --skip-existing resumes from there.
    LetBrokenPipesFailWrites();
    BatchSummary summary;
    {
        ConsoleBatchReport report(plan.size(), feedback.Verbose());
        summary = RunBatch(macro, plan, options, report);
    }
    return summary.failed > 0 ? kOperationFailed : kSuccess;
}

const CliCommandRegistration registration({
    "run",
    "run MACRO IN... [--out DIR] [--jobs N] [--skip-existing] [--list FILE] [--shard K/N]",
    "  Runs the macro on every input (WAV or MP3), several inputs at a time (--jobs, default one per core;\n"
    "  the filter's own threads share the cores with them). A macro is a text file with one command per\n"
    "  line: fir, median, amplify and encode take the options of the subcommands of the same name without\n"
    "  their input and output, normalize amplifies each channel by its proposed gain, save NAME.wav writes\n"
    "  a WAV file and encode NAME.mp3 an MP3 file; \"#\" starts a comment. In the names, {name} is the input's\n"
    "  name without its extension, {ext} its extension and {dir} its folder; they are relative to --out DIR\n"
    "  when it is given, otherwise to the input's folder. Filter files are relative to the macro.\n"
    "  Prints \"OK IN -> OUT\" or \"FAILED IN: message\" for every input; a failing input does not stop the\n"
    "  others. Outputs are written whole or not at all, also when the run is interrupted; --skip-existing\n"
    "  leaves alone the inputs whose outputs are all there. --list reads more inputs from FILE, one per line\n"
    "  (- for standard input); --shard K/N takes every N-th input from the K-th on, so N machines share one\n"
    "  collection. Exits 0 when every input succeeded, 1 when any failed, 2 for a bad macro or arguments and\n"
    "  when outputs would overwrite an input or each other (then nothing is processed).",
    RunMacroOverFiles,
});

}  // namespace
}  // namespace tressel::cli
