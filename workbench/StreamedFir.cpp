#include "workbench/StreamedFir.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/AtomicFileWriter.h"
#include "audio/ImageAllocator.h"
#include "audio/SampleView.h"
#include "audio/WaveFormat.h"
#include "workbench/AudioFiles.h"

namespace tressel {

namespace {

// Written bytes after which the system is asked to start putting them on disk, so the final flush is short.
constexpr std::size_t kWriteBackEvery = std::size_t{8} << 20;

class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor() {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// Reads until `size` bytes are in or the file ends or fails; answers how many came.
std::size_t ReadUpTo(int descriptor, std::uint8_t* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(descriptor, into + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// The channels the filter runs over: a mono wave's one, or the chosen ones of a stereo wave.
std::vector<ChannelSamples> FilteredChannels(const SampleView& samples, ChannelChoice choice) {
    if (samples.Channels() == 1) {
        return {samples.Channel(0)};
    }
    std::vector<ChannelSamples> channels;
    if (choice.channel1) {
        channels.push_back(samples.Channel(0));
    }
    if (choice.channel2) {
        channels.push_back(samples.Channel(1));
    }
    return channels;
}

// One run: a thread reads the file into the image, the engine's threads filter what has arrived, a thread
// writes what is final. Each side waits on the others only through the counts kept here.
class StreamedRun final : public dsp::FirStream {
public:
    StreamedRun(WaveImage& image, const WaveFormat& format, ProgressSink& progress, int passes)
        : m_image(image),
          m_format(format),
          m_frames(format.Frames()),
          m_progress(progress),
          m_passes(passes),
          m_caller(std::this_thread::get_id()) {}

    bool AwaitFrames(std::int64_t frames) override {
        const std::size_t needed = FrameEnd(frames);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_bytesRead >= needed || m_readBroken || m_abandoned; });
        return m_bytesRead >= needed;
    }

    void FramesFinished(std::int64_t frames) override {
        {
            const std::lock_guard lock(m_mutex);
            m_finishedBytes = frames >= m_frames ? m_image.size() : FrameEnd(frames);
        }
        m_changed.notify_all();
        // The progress belongs to the thread that made it.
        if (std::this_thread::get_id() == m_caller) {
            m_progress.SetPosition(static_cast<int>(frames * m_passes / 100));
        }
    }

    void Read(int descriptor, std::size_t piece) {
        std::size_t done = m_bytesRead;
        while (done < m_image.size()) {
            const std::size_t got = ReadUpTo(descriptor, m_image.data() + done, std::min(piece, m_image.size() - done));
            if (got == 0) {
                Stop(m_readBroken);
                return;
            }
            done += got;
            {
                const std::lock_guard lock(m_mutex);
                m_bytesRead = done;
            }
            m_changed.notify_all();
        }
    }

    void Write(AtomicFileWriter& writer) {
        std::size_t written = 0;
        std::size_t sinceWriteBack = 0;
        while (written < m_image.size()) {
            std::size_t writable = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_abandoned || Writable() > written; });
                if (m_abandoned) {
                    return;
                }
                writable = Writable();
            }
            if (!m_writeFailed && !writer.Write(m_image.data() + written, writable - written)) {
                m_writeFailed = true;  // the rest is not written; Commit is not tried
            }
            sinceWriteBack += writable - written;
            written = writable;
            if (sinceWriteBack >= kWriteBackEvery && !m_writeFailed) {
                writer.StartWriteBack();
                sinceWriteBack = 0;
            }
        }
    }

    void Abandon() { Stop(m_abandoned); }
    bool ReadComplete() {
        const std::lock_guard lock(m_mutex);
        return m_bytesRead == m_image.size();
    }
    // Read only after the writing thread has ended.
    bool WriteFailed() const { return m_writeFailed; }

private:
    std::size_t FrameEnd(std::int64_t frames) const {
        return static_cast<std::size_t>(m_format.dataOffset) +
               static_cast<std::size_t>(frames) * m_format.FrameBytes();
    }
    // Called locked.
    std::size_t Writable() const { return std::min(m_bytesRead, m_finishedBytes); }

    void Stop(bool& flag) {
        {
            const std::lock_guard lock(m_mutex);
            flag = true;
        }
        m_changed.notify_all();
    }

    WaveImage& m_image;
    WaveFormat m_format;
    std::int64_t m_frames;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_bytesRead = 0;
    std::size_t m_finishedBytes = 0;
    bool m_readBroken = false;
    bool m_abandoned = false;
    bool m_writeFailed = false;
    ProgressSink& m_progress;
    int m_passes;
    std::thread::id m_caller;
};

// The three sides at work; false when the input could not be read to its end (nothing is kept then).
bool RunStreamed(StreamedRun& run, dsp::FirEngine& engine, const std::vector<ChannelSamples>& channels,
                 int descriptor, std::size_t piece, AtomicFileWriter& writer) {
    std::thread reader;
    std::thread writing;
    try {
        reader = std::thread([&] { run.Read(descriptor, piece); });
        writing = std::thread([&] { run.Write(writer); });
    } catch (const std::system_error&) {
        run.Abandon();
    }
    bool filtered = false;
    try {
        filtered = writing.joinable() && engine.FilterStreamed(channels, run);
    } catch (const std::bad_alloc&) {
        run.Abandon();
    }
    if (reader.joinable()) {
        reader.join();
    }
    const bool complete = filtered && run.ReadComplete();
    if (!complete) {
        run.Abandon();
    }
    if (writing.joinable()) {
        writing.join();
    }
    return complete;
}

}  // namespace

std::optional<Result> FilterWaveFileStreamed(const StreamedFirJob& job, Feedback& feedback) {
    if (!job.taps || job.count <= 0) {
        return std::nullopt;
    }
    const std::optional<WaveFileStart> start = ReadWaveFileStart(job.inputPath, job.headerRead);
    if (!start || !CheckSampleFormat(start->format)) {
        return std::nullopt;
    }
    const WaveFormat& format = start->format;
    const Descriptor input(::open(job.inputPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (input.Get() < 0 || ::fstat(input.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uint64_t>(status.st_size) != start->fileSize) {
        return std::nullopt;
    }
    WaveImage image;
    try {
        image.resize(start->fileSize);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const SampleView samples(image.data(), format);
    const std::vector<ChannelSamples> channels = FilteredChannels(samples, job.channels);
    if (channels.empty()) {
        return std::nullopt;
    }
    const auto passes = static_cast<int>(channels.size());
    std::unique_ptr<dsp::FirEngine> engine;
    try {
        engine = std::make_unique<dsp::FirEngine>(job.taps, job.count, job.levels, samples.Frames(),
                                                  dsp::FirPassShape{passes, job.chunkOutputs});
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    AtomicFileWriter writer(job.outputPath);
    if (!writer.Open()) {
        return std::nullopt;  // the usual way says whether the input or the output was at fault
    }
    auto progress = feedback.CreateProgress();
    progress->SetRange(0, static_cast<int>(samples.Frames() * passes / 100));
    progress->Show();
    StreamedRun run(image, format, *progress, passes);
    if (!RunStreamed(run, *engine, channels, input.Get(), std::max<std::size_t>(job.readPiece, 1), writer)) {
        writer.Discard();
        return std::nullopt;
    }
    if (run.WriteFailed() || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        return FileError(error, job.outputPath);
    }
    return Result{};
}

}  // namespace tressel
