#pragma once
// Makes writes fail the way a full disk makes them fail, for the writers' failure tests.

#include <sys/resource.h>

#include <csignal>

namespace tressel::testing {

// Runs body with writes beyond `bytes` failing with EFBIG (rather than a signal), then lifts the limit.
// False, without running body, when the limit cannot be set.
template <typename Body>
bool WithFileSizeLimit(rlim_t bytes, Body body) {
    rlimit saved{};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0) {
        return false;
    }
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &limited) != 0) {
        std::signal(SIGXFSZ, previousHandler);
        return false;
    }
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return true;
}

}  // namespace tressel::testing
