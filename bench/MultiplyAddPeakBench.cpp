// The machine's peak rate of separate double-precision multiplies and adds, on one thread and on every
// core at once. Prints figures; decides nothing.
//
//   multiply_add_peak_bench

#include <cstdio>
#include <thread>

#include "bench/MultiplyAddPeak.h"

int main() {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    std::printf("separate multiplies and adds, %s vectors, best of 400 short rounds\n",
                tressel::bench::PeakVectorName());
    for (int threads = 1; threads <= cores; ++threads) {
        std::printf("%2d thread%s %8.2f GMAC/s\n", threads, threads == 1 ? " " : "s",
                    tressel::bench::PeakGigaMultiplyAdds(threads));
    }
    return 0;
}
