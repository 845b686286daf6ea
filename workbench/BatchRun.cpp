#include "workbench/BatchRun.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "audio/ThreadBudget.h"
#include "workbench/Arguments.h"
#include "workbench/MacroRunner.h"

namespace tressel {

namespace {

bool AllExist(const std::vector<std::string>& files) {
    std::error_code error;
    return !files.empty() && std::all_of(files.begin(), files.end(), [&](const std::string& file) {
        return std::filesystem::exists(file, error);
    });
}

BatchOutcome ProcessItem(const Macro& macro, const BatchItem& item, const BatchOptions& options) {
    BatchOutcome outcome;
    if (options.skipExisting && AllExist(item.outputs)) {
        outcome.status = BatchOutcome::Status::Skipped;
        return outcome;
    }
    try {
        Workbench workbench;
        LoadOptions load;
        load.mp3.diagnostics = [&](const mp3dec::Diagnostic& diagnostic) {
            outcome.diagnostics.push_back(diagnostic.text);
        };
        outcome.result = workbench.LoadAudio(item.input, load);
        outcome.result.AndThen([&] { return RunMacro(workbench, macro, {item.input, options.outFolder}); });
    } catch (const std::bad_alloc&) {
        outcome.result.Append(OutOfMemory());
    }
    outcome.status = outcome.result ? BatchOutcome::Status::Done : BatchOutcome::Status::Failed;
    return outcome;
}

// The cores this process may run on, which a scheduler or taskset may have narrowed.
int Cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return CPU_COUNT(&set);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace

Result PlanBatch(const Macro& macro, const std::vector<std::string>& inputs, const BatchOptions& options,
                 std::vector<BatchItem>& plan) {
    std::vector<std::vector<std::string>> outputs;
    outputs.reserve(inputs.size());
    for (const std::string& input : inputs) {
        outputs.push_back(PlannedOutputs(macro, {input, options.outFolder}));
    }
    if (Result distinct = CheckOutputsAreDistinct(inputs, outputs); !distinct) {
        return distinct;
    }
    plan.clear();
    for (std::size_t i = static_cast<std::size_t>(options.shardIndex - 1); i < inputs.size();
         i += static_cast<std::size_t>(options.shardCount)) {
        plan.push_back({inputs[i], outputs[i]});
    }
    return {};
}

Result ParseShard(const std::string& text, int& index, int& count) {
    const std::size_t slash = text.find('/');
    Result parsed = slash == std::string::npos ? Result::Failure("--shard must be K/N: " + text) : Result();
    parsed.AndThen([&] { return ParseWholeNumber(text.substr(0, slash), "--shard K", index); });
    parsed.AndThen([&] { return ParseWholeNumber(text.substr(slash + 1), "--shard N", count); });
    if (parsed && (count < 1 || index < 1 || index > count)) {
        return Result::Failure("--shard K/N needs 1 <= K <= N: " + text);
    }
    return parsed;
}

BatchThreads ShareCores(int requestedJobs, std::size_t inputs, int cores) {
    BatchThreads threads;
    threads.jobs = requestedJobs > 0 ? requestedJobs : cores;
    threads.jobs = static_cast<int>(std::clamp<std::size_t>(inputs, 1, static_cast<std::size_t>(threads.jobs)));
    threads.threadsPerJob = std::max(1, cores / threads.jobs);
    return threads;
}

BatchSummary RunBatch(const Macro& macro, const std::vector<BatchItem>& plan, const BatchOptions& options,
                      BatchObserver& observer) {
    const BatchThreads threads = ShareCores(options.jobs, plan.size(), Cores());
    std::atomic<std::size_t> next{0};
    std::mutex reporting;
    BatchSummary summary;
    auto work = [&] {
        const ThreadBudgetScope budget(threads.threadsPerJob);
        for (std::size_t i = next++; i < plan.size(); i = next++) {
            const BatchOutcome outcome = ProcessItem(macro, plan[i], options);
            const std::lock_guard<std::mutex> lock(reporting);
            (outcome.status == BatchOutcome::Status::Done     ? summary.done
             : outcome.status == BatchOutcome::Status::Failed ? summary.failed
                                                              : summary.skipped)++;
            observer.Finished(plan[i], outcome);
        }
    };
    std::vector<std::thread> workers;
    for (int j = 0; j < threads.jobs; ++j) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer jobs: the inputs are shared out all the same
        }
    }
    if (workers.empty()) {
        work();
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return summary;
}

}  // namespace tressel
