// Batch runs: tressel-cli run over a collection with one job held to one core, with one job per core, and
// an MP3 collection decoded in memory against decoding to files first. Prints wall time, throughput,
// speed-ups and the peak memory of each run beside its bound; decides nothing.
//
//   tressel_batch_bench [FILES [SECONDS]]   (default 20 files of 30 s, 44.1 kHz stereo 16-bit)

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Measured {
    double wall = 0.0;
    double cpu = 0.0;            // user and system time of all the processes: what the work cost
    double peakMegabytes = 0.0;  // the largest resident set of any one process
    int status = 0;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// Runs the commands at once (each a process) and waits for all of them.
Measured RunTogether(const std::vector<std::vector<std::string>>& commands) {
    Measured measured;
    const auto start = Clock::now();
    std::vector<pid_t> children;
    for (const auto& command : commands) {
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            children.push_back(child);
        } else {
            measured.status = 127;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    for (const pid_t child : children) {
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        measured.peakMegabytes = std::max(measured.peakMegabytes, usage.ru_maxrss / 1024.0);
        measured.cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            measured.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    measured.wall = std::chrono::duration<double>(Clock::now() - start).count();
    return measured;
}

Measured Run(const std::vector<std::string>& command) {
    return RunTogether({command});
}

// The best of a few runs: on a shared machine the least disturbed one says most about the code.
Measured Best(const std::vector<std::string>& command, int runs) {
    Measured best;
    best.wall = 1e30;
    for (int r = 0; r < runs; ++r) {
        const Measured m = Run(command);
        if (m.wall < best.wall) {
            best = m;
        }
    }
    return best;
}

int Cores() {
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
}

void Report(const char* name, const Measured& m, double audioSeconds, double imageMegabytes, int jobs) {
    const double bound = jobs * 3.0 * imageMegabytes + 64.0;
    std::printf("%-40s %6.2f s (cpu %6.2f s) %6.1fx real time  peak %5.1f MB (bound %5.1f MB)%s\n", name, m.wall,
                m.cpu, audioSeconds / m.wall, m.peakMegabytes, bound, m.status == 0 ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 30.0;
    const std::string cli = TRESSEL_CLI_PATH;
    const fs::path work = fs::temp_directory_path() / ("tressel-batch-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "wav");
    fs::create_directories(work / "mp3");

    std::ofstream(work / "taps.txt") << [] {
        std::string taps;
        for (int j = 0; j < 255; ++j) {
            const double x = j - 127.0;
            taps += std::to_string(x == 0 ? 0.2 : std::sin(0.2 * M_PI * x) / (M_PI * x)) + "\n";
        }
        return taps;
    }();
    std::ofstream(work / "clean.txt") << "fir taps.txt\nmedian 5\nnormalize\nsave {name}-clean.wav\n";
    const std::string macro = (work / "clean.txt").string();

    std::vector<std::string> wavs;
    std::vector<std::string> mp3s;
    std::printf("preparing %d files of %.0f s stereo...\n", files, seconds);
    for (int i = 0; i < files; ++i) {
        const std::string name = "take" + std::to_string(i);
        wavs.push_back((work / "wav" / (name + ".wav")).string());
        mp3s.push_back((work / "mp3" / (name + ".mp3")).string());
        // Noise on the left, a tone on the right: the filter and the median have work on both.
        const int made = Run({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wavs.back(), "synth",
                              std::to_string(seconds), "whitenoise", "sine", std::to_string(200 + 37 * i), "vol",
                              "0.3"})
                             .status |
                         Run({cli, "encode", wavs.back(), mp3s.back(), "--bitrate", "128"}).status;
        if (made != 0) {
            std::fprintf(stderr, "cannot make the inputs (sox and tressel-cli encode)\n");
            fs::remove_all(work);
            return 1;
        }
    }
    const double audio = files * seconds;
    const double imageMegabytes = (44 + seconds * 44100 * 4) / (1024.0 * 1024.0);

    auto runCommand = [&](const std::vector<std::string>& inputs, const std::string& out, int jobs, bool oneCore) {
        std::vector<std::string> command;
        if (oneCore) {
            command = {"taskset", "-c", "0"};
        }
        for (const std::string& word : {cli, std::string("run"), macro}) {
            command.push_back(word);
        }
        command.insert(command.end(), inputs.begin(), inputs.end());
        for (const std::string& word : {std::string("--out"), out, std::string("--jobs"), std::to_string(jobs)}) {
            command.push_back(word);
        }
        return command;
    };

    const int cores = Cores();
    std::printf("%d cores; fir (255 taps) + median 5 + normalize + save over %d files, %.0f s of audio\n", cores,
                files, audio);
    const Measured single = Best(runCommand(wavs, (work / "out1").string(), 1, true), 2);
    Report("one job held to one core", single, audio, imageMegabytes, 1);
    const Measured oneJob = Best(runCommand(wavs, (work / "out2").string(), 1, false), 2);
    Report("one job, the filter on every core", oneJob, audio, imageMegabytes, 1);
    const Measured perCore = Best(runCommand(wavs, (work / "out3").string(), cores, false), 2);
    Report(("--jobs " + std::to_string(cores) + " (one per core)").c_str(), perCore, audio, imageMegabytes, cores);
    std::printf("throughput of --jobs %d over one job held to one core: %.2fx\n", cores, single.wall / perCore.wall);

    // MP3 input: decoded by the run itself, against decoding every file to a WAV file first (as many
    // decodes at once as there are jobs) and then running on the WAV files.
    const Measured inMemory = Best(runCommand(mp3s, (work / "out4").string(), cores, false), 2);
    Report("MP3 decoded by the run", inMemory, audio, imageMegabytes, cores);
    Measured viaFiles;
    viaFiles.wall = 1e30;
    for (int r = 0; r < 2; ++r) {
        const auto start = Clock::now();
        std::vector<std::string> decoded;
        Measured worst;
        for (std::size_t i = 0; i < mp3s.size(); i += static_cast<std::size_t>(cores)) {
            std::vector<std::vector<std::string>> batch;
            for (std::size_t k = i; k < std::min(mp3s.size(), i + static_cast<std::size_t>(cores)); ++k) {
                decoded.push_back((work / "mp3" / ("decoded" + std::to_string(k) + ".wav")).string());
                batch.push_back({cli, "decode", mp3s[k], decoded.back()});
            }
            const Measured step = RunTogether(batch);
            worst.peakMegabytes = std::max(worst.peakMegabytes, step.peakMegabytes);
            worst.cpu += step.cpu;
        }
        const Measured run = Run(runCommand(decoded, (work / "out5").string(), cores, false));
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        if (wall < viaFiles.wall) {
            viaFiles = run;
            viaFiles.wall = wall;
            viaFiles.peakMegabytes = std::max(worst.peakMegabytes, run.peakMegabytes);
            viaFiles.cpu = worst.cpu + run.cpu;
        }
        for (const std::string& file : decoded) {
            fs::remove(file);
        }
    }
    Report("MP3 decoded to files first, then run", viaFiles, audio, imageMegabytes, cores);
    std::printf("in-memory MP3 path over decode-to-file then process: %.2fx\n", viaFiles.wall / inMemory.wall);

    fs::remove_all(work);
    return 0;
}
