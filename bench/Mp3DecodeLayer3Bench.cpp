// Layer III decoding speed of the MPEG audio decoder beside mpg123 on the same file.
//
// Usage: tressel_mp3dec_layer3_bench [FILE.mp3] [REPEATS]
// Without a file, a 300-second 128 kbit/s stereo 44.1 kHz file is made with sox and lame in a temporary
// folder (a given file is taken to be MPEG-1 at 44.1 kHz for the real-time factor). Times are CPU seconds of one core (best of REPEATS runs), so other load on the machine matters
// less than it would for wall-clock time.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "mp3dec/decoder.h"

namespace {

constexpr double kGeneratedSeconds = 300.0;

double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double self_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string make_test_file(const std::filesystem::path& folder) {
    const std::string wav = (folder / "bench.wav").string();
    const std::string mp3 = (folder / "bench.mp3").string();
    // Pink noise with a slowly modulated tone: dense spectra in every band, like music.
    const std::string make_wav = "sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth " +
                                 std::to_string(static_cast<int>(kGeneratedSeconds)) +
                                 " pinknoise synth sine amod 0.3 vol 0.5 2>/dev/null";
    if (!run(make_wav) || !run("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'")) return {};
    std::filesystem::remove(wav);
    return mp3;
}

// Returns the best CPU time of `repeats` decodes and the decoded duration in seconds.
double time_ours(const std::string& path, int repeats, double& seconds_of_audio) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        // The samples go to /dev/null, as mpg123's do below: the figures compare decoding, not disk writes.
        std::FILE* output = std::fopen("/dev/null", "w+b");
        if (output == nullptr) return -1.0;
        std::uint32_t sample_frames = 0;
        const double start = self_cpu_seconds();
        const int result = mp3dec::decode_mpeg_audio_to_wave(output, path, [&](int frames) {
            if (frames > 0) sample_frames = static_cast<std::uint32_t>(frames);
        });
        const double used = self_cpu_seconds() - start;
        std::fclose(output);
        if (result != 0) return -1.0;
        // Frames decoded (reported before each frame) x 1152 samples at 44.1 kHz.
        seconds_of_audio = static_cast<double>(sample_frames + 1) * 1152.0 / 44100.0;
        if (used < best) best = used;
    }
    return best;
}

double time_mpg123(const std::string& path, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const double start = children_cpu_seconds();
        if (!run("mpg123 -q --no-gapless -s '" + path + "' > /dev/null 2>&1")) return -1.0;
        const double used = children_cpu_seconds() - start;
        if (used < best) best = used;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    std::filesystem::path folder;
    if (path.empty()) {
        folder = std::filesystem::temp_directory_path() / ("tressel_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        path = make_test_file(folder);
        if (path.empty()) {
            std::fprintf(stderr, "could not make the test file (sox and lame are needed)\n");
            return 1;
        }
    }
    // The decoder announces the file format on standard output; keep the figures readable.
    std::fflush(stdout);
    double audio_seconds = 0.0;
    const double ours = time_ours(path, repeats, audio_seconds);
    const double theirs = time_mpg123(path, repeats);
    std::printf("\nfile: %s (%.1f s of audio)\n", path.c_str(), audio_seconds);
    if (ours > 0.0) {
        std::printf("tressel decoder: %.3f s CPU, %.0fx real time\n", ours, audio_seconds / ours);
    } else {
        std::printf("tressel decoder: failed\n");
    }
    if (theirs > 0.0) {
        std::printf("mpg123:          %.3f s CPU, %.0fx real time\n", theirs, audio_seconds / theirs);
    } else {
        std::printf("mpg123:          not available\n");
    }
    if (!folder.empty()) std::filesystem::remove_all(folder);
    return ours > 0.0 ? 0 : 1;
}
