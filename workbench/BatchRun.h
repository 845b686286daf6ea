#pragma once
// Running a macro over many inputs: several files at a time on one machine, and a share of a collection
// on each of many machines. Every input gets a workbench of its own and its chain runs in order, so each
// output is byte for byte what a run over that input alone writes; the order in which inputs finish is
// the only thing the number of jobs changes.

#include <string>
#include <vector>

#include "workbench/Macro.h"

namespace tressel {

struct BatchOptions {
    std::string outFolder;      // where relative output names go; empty: beside each input
    int jobs = 0;               // inputs processed at once; 0: one per core
    bool skipExisting = false;  // leave an input alone when every file it would write is there
    int shardIndex = 1;         // take every shardCount-th input starting at the shardIndex-th (1-based)
    int shardCount = 1;
};

struct BatchItem {
    std::string input;
    std::vector<std::string> outputs;  // in the order of the macro's save and encode lines
};

// Every input with the files the macro writes for it, refused as a whole when an output would overwrite
// an input or another output (checked over all inputs, so the shards of one collection cannot collide
// either), then cut to the shard.
Result PlanBatch(const Macro& macro, const std::vector<std::string>& inputs, const BatchOptions& options,
                 std::vector<BatchItem>& plan);

// "K/N" with 1 <= K <= N.
Result ParseShard(const std::string& text, int& index, int& count);

struct BatchOutcome {
    enum class Status { Done, Failed, Skipped };
    Status status = Status::Done;
    Result result;                         // the chain's messages; its failure when it failed
    std::vector<std::string> diagnostics;  // what the decoder said about an MP3 input
};

class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // One input is through. Called from the worker threads, one call at a time.
    virtual void Finished(const BatchItem& item, const BatchOutcome& outcome) = 0;
};

struct BatchSummary {
    int done = 0;
    int failed = 0;
    int skipped = 0;
};

// The number of jobs a run uses, and the threads each job's operations may use: together at most the
// cores, and at least one each.
struct BatchThreads {
    int jobs = 1;
    int threadsPerJob = 1;
};
BatchThreads ShareCores(int requestedJobs, std::size_t inputs, int cores);

// Processes the plan. A failing input never stops the others.
BatchSummary RunBatch(const Macro& macro, const std::vector<BatchItem>& plan, const BatchOptions& options,
                      BatchObserver& observer);

}  // namespace tressel
