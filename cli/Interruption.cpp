#include "cli/Interruption.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "audio/AtomicFileWriter.h"

namespace tressel::cli {

void RemovePartialFilesOnInterrupt() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&signals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) == 0) {
            RemoveUnfinishedFilesBeforeExit();
            // Straight to the descriptor: another thread may hold the stream's lock.
            static const char kNote[] = "\ntressel-cli: interrupted; files being written were removed\n";
            const ssize_t ignored = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
            static_cast<void>(ignored);
            _exit(128 + signal);
        }
    }).detach();
}

// A broken pipe is signalled to the thread that wrote, so blocking it there is enough.
void LetBrokenPipesFailWrites() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

}  // namespace tressel::cli
