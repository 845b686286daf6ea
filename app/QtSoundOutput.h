#pragma once
// Plays a wave image from memory through the desktop's sound server (Qt Multimedia). The samples are read
// straight from the caller's image, which stays alive until Stop.

#include <QTimer>
#include <cstdint>
#include <memory>

#include "audio/SoundOutput.h"

class QAudioSink;
class QIODevice;

namespace tressel {

// Walks through the sample bytes of an image once or in a loop, handing out spans without copying.
class SampleCursor {
public:
    SampleCursor(const std::uint8_t* samples, std::int64_t length, bool loop, std::int64_t start = 0)
        : m_samples(samples), m_length(length), m_position(start), m_loop(loop) {}
    // The next run of at most maxBytes bytes; empty once a single pass is over.
    std::int64_t Next(std::int64_t maxBytes, const std::uint8_t*& span);
    // Gives back the unused end of the last run.
    void GiveBack(std::int64_t bytes) { m_position -= bytes; }

private:
    const std::uint8_t* m_samples;
    std::int64_t m_length;
    std::int64_t m_position;
    bool m_loop;
};

class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    bool Play(const std::uint8_t* image, std::size_t length, bool loop) override;
    bool PlayFrom(const std::uint8_t* image, std::size_t length, double startSeconds) override;
    bool Stop() override;
    bool IsPlaying() const override;
    std::optional<double> PlayedSeconds() const override;

private:
    bool Start(const std::uint8_t* image, std::size_t length, bool loop, double startSeconds);
    void Feed();

    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_sinkInput = nullptr;
    std::unique_ptr<SampleCursor> m_cursor;
    std::int64_t m_frameBytes = 1;
    double m_seconds = 0.0;       // the length of one pass
    double m_startSeconds = 0.0;  // where in the samples the sink's clock began
    bool m_loop = false;
    // We push rather than let the sink pull: the sound server only starts a stream once its buffer is full,
    // and the pulling sink of Qt 6.4 can stop short of filling it.
    QTimer m_feedTimer;
};

}  // namespace tressel
