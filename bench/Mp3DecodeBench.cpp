// MPEG audio decoding speed, ours beside mpg123, as whole processes that each write a WAV file:
// `tressel-cli decode --threads N IN OUT.wav` against `mpg123 -q -w OUT.wav IN`, on a Layer III stream
// (lame, 128 kbit/s) and a Layer II stream (twolame, 192 kbit/s) of the same stereo 44.1 kHz signal.
// Prints, per stream: the median wall and processor time of every run, the ratio to mpg123, the peak
// memory of each process beside the budget (input + output + 32 MB), the share of frames decoded twice
// to warm up chunk starts, and the wall time expected on eight cores. Decides nothing.
//
//   tressel_mp3dec_bench [SECONDS] [RUNS] [OUTPUT_FOLDER]
//       defaults: 300 seconds, 5 runs (the median counts), the WAV files in the temporary folder. Our
//       command commits its file with fsync, mpg123 does not; a folder on tmpfs (/dev/shm) shows the
//       decoding without what the disk adds.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "mp3dec/decode_stream.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kMaxThreads = 4;
constexpr double kMemoryAllowanceMb = 32.0;

bool Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Pink noise with a slowly modulated tone: dense spectra in every band, like music.
bool MakeStreams(const fs::path& folder, int seconds, std::string& layer3, std::string& layer2) {
    const std::string wav = (folder / "signal.wav").string();
    layer3 = (folder / "signal.mp3").string();
    layer2 = (folder / "signal.mp2").string();
    const bool made = Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + std::to_string(seconds) +
                          " pinknoise synth sine amod 0.3 vol 0.5 2>/dev/null") &&
                      Run("lame --quiet -b 128 '" + wav + "' '" + layer3 + "'") &&
                      Run("twolame --quiet -b 192 -m s '" + wav + "' '" + layer2 + "'");
    fs::remove(wav);
    return made;
}

struct ProcessFigures {
    double wall = 0.0;  // seconds
    double cpu = 0.0;   // user + system seconds
    double peak_mb = 0.0;
    bool ok = false;
};

// Runs the program to its end with standard output and error discarded.
ProcessFigures RunProcess(const std::vector<std::string>& arguments) {
    ProcessFigures figures;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);  // the child must not print what this process has yet to print
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (child < 0) return figures;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return figures;
    figures.wall = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    figures.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Contender {
    std::string name;
    int threads = 0;  // 0: mpg123
    std::vector<ProcessFigures> runs;

    ProcessFigures MedianFigures() const {
        std::vector<double> wall, cpu, peak;
        for (const ProcessFigures& run : runs) {
            wall.push_back(run.wall);
            cpu.push_back(run.cpu);
            peak.push_back(run.peak_mb);
        }
        return {Median(wall), Median(cpu), Median(peak), !runs.empty()};
    }
};

// The share of frames decoded twice, from a decode through the library with the command's chunking.
double WarmUpShare(const std::string& stream, int threads) {
    mp3dec::DecodeSettings settings;
    settings.threads = threads;
    const mp3dec::DecodedAudio decoded = mp3dec::decode_file_to_pcm(stream, settings, {}, {});
    const mp3dec::DecodeSummary& summary = decoded.summary;
    std::printf("    chunks %u, frames decoded twice %u of %u, chunks decoded again after the seam check %u\n",
                summary.chunks.chunks, summary.chunks.warm_up_frames, summary.frames, summary.chunks.redecoded_chunks);
    return summary.frames > 0 ? 100.0 * summary.chunks.warm_up_frames / summary.frames : 0.0;
}

void Measure(const std::string& title, const std::string& cli, const std::string& stream, const fs::path& folder,
             int runs) {
    std::printf("%s, WAV files written to %s\n", title.c_str(), folder.c_str());
    std::vector<Contender> contenders = {{"mpg123", 0, {}}};
    for (int threads = 1; threads <= kMaxThreads; ++threads) contenders.push_back({"tressel", threads, {}});
    const std::string output = (folder / "out.wav").string();
    std::uintmax_t output_bytes = 0;
    for (int run = 0; run < runs; ++run) {
        for (Contender& contender : contenders) {  // interleaved, so that a busy spell spreads over all
            fs::remove(output);
            const ProcessFigures figures =
                contender.threads == 0
                    ? RunProcess({"mpg123", "-q", "-w", output, stream})
                    : RunProcess({cli, "decode", "--threads", std::to_string(contender.threads), stream, output});
            if (!figures.ok) {
                std::printf("%s: %s did not run\n", title.c_str(), contender.name.c_str());
                return;
            }
            contender.runs.push_back(figures);
            output_bytes = fs::file_size(output);
        }
    }
    fs::remove(output);

    const double input_mb = static_cast<double>(fs::file_size(stream)) / (1024.0 * 1024.0);
    const double output_mb = static_cast<double>(output_bytes) / (1024.0 * 1024.0);
    const ProcessFigures peer = contenders[0].MedianFigures();
    std::printf("    medians of %d runs (input %.1f MB, output %.1f MB)\n", runs, input_mb, output_mb);
    std::printf("    %-8s %7s %9s %9s %8s %9s\n", "program", "threads", "wall s", "cpu s", "ratio", "peak MB");
    for (const Contender& contender : contenders) {
        const ProcessFigures median = contender.MedianFigures();
        std::printf("    %-8s %7s %9.3f %9.3f %8.2f %9.1f\n", contender.name.c_str(),
                    contender.threads == 0 ? "-" : std::to_string(contender.threads).c_str(), median.wall, median.cpu,
                    median.wall / peer.wall, median.peak_mb);
    }
    double worst_peak = 0.0;
    for (std::size_t i = 1; i < contenders.size(); ++i)
        worst_peak = std::max(worst_peak, contenders[i].MedianFigures().peak_mb);
    std::printf("    memory: peak %.1f MB against a budget of %.1f MB (input + output + %.0f MB)\n", worst_peak,
                input_mb + output_mb + kMemoryAllowanceMb, kMemoryAllowanceMb);
    std::printf("    warm-up share %.2f %% of the frames\n", WarmUpShare(stream, 2));
    // Amdahl's law through the one- and two-thread medians: a serial part S and a parallel part P with
    // T(1) = S + P and T(2) = S + P / 2.
    const double one = contenders[1].MedianFigures().wall;
    const double two = contenders[2].MedianFigures().wall;
    const double parallel = std::max(0.0, 2.0 * (one - two));
    const double serial = std::max(0.0, one - parallel);
    std::printf("    expected on 8 cores: %.3f s (serial %.3f s + parallel %.3f s / 8), ratio %.2f\n",
                serial + parallel / 8.0, serial, parallel, (serial + parallel / 8.0) / peer.wall);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path folder = fs::temp_directory_path() / ("tressel-mp3dec-bench-" + std::to_string(getpid()));
    const fs::path output_folder = (argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path()) /
                                   ("tressel-mp3dec-bench-out-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::create_directories(output_folder);
    std::string layer3;
    std::string layer2;
    int status = 0;
    if (!MakeStreams(folder, seconds, layer3, layer2)) {
        std::fprintf(stderr, "could not make the test streams (sox, lame and twolame are needed)\n");
        status = 1;
    } else {
        std::printf("%d s of stereo 44.1 kHz; this machine has %u cores\n", seconds,
                    std::thread::hardware_concurrency());
        Measure("Layer III, 128 kbit/s (lame)", TRESSEL_CLI_PATH, layer3, output_folder, runs);
        Measure("Layer II, 192 kbit/s (twolame)", TRESSEL_CLI_PATH, layer2, output_folder, runs);
    }
    fs::remove_all(folder);
    fs::remove_all(output_folder);
    return status;
}
