#pragma once
// Rates of work that several threads do at the same moment. On a machine shared with other work a single
// long timing mostly measures the neighbours; the best of many short rounds shows what the code itself
// reaches when it has the cores.

#include <functional>

namespace tressel::bench {

// Runs `work` on `threads` threads at once, `rounds` times, and returns the best rate of any round: what
// all threads together counted (each call returns its own count) per second from the first start to the
// last finish of that round.
double BestConcurrentRate(int threads, int rounds, const std::function<double(int thread)>& work);

}  // namespace tressel::bench
