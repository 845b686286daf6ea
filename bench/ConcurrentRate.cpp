#include "bench/ConcurrentRate.h"

#include <algorithm>
#include <barrier>
#include <chrono>
#include <thread>
#include <vector>

namespace tressel::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct RoundResult {
    Clock::time_point start;
    Clock::time_point finish;
    double count = 0.0;
};

double RoundRate(const std::vector<RoundResult>& results) {
    Clock::time_point start = results.front().start;
    Clock::time_point finish = results.front().finish;
    double count = 0.0;
    for (const RoundResult& result : results) {
        start = std::min(start, result.start);
        finish = std::max(finish, result.finish);
        count += result.count;
    }
    return count / std::chrono::duration<double>(finish - start).count();
}

}  // namespace

double BestConcurrentRate(int threads, int rounds, const std::function<double(int thread)>& work) {
    std::vector<RoundResult> results(static_cast<std::size_t>(threads));
    double best = 0.0;
    std::barrier roundDone(threads, [&]() noexcept { best = std::max(best, RoundRate(results)); });
    auto run = [&](int thread) {
        RoundResult& result = results[static_cast<std::size_t>(thread)];
        for (int round = 0; round < rounds; ++round) {
            result.start = Clock::now();
            result.count = work(thread);
            result.finish = Clock::now();
            roundDone.arrive_and_wait();
        }
    };
    std::vector<std::jthread> helpers;
    for (int thread = 1; thread < threads; ++thread) {
        helpers.emplace_back(run, thread);
    }
    run(0);
    return best;
}

}  // namespace tressel::bench
