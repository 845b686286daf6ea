#include "app/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/SampleView.h"

namespace tressel {

namespace {

struct PlayableImage {
    QAudioFormat format;
    const std::uint8_t* samples = nullptr;
    qint64 length = 0;
};

// Reads the format of the image the way the wave does and checks that the sound server can play it.
bool DescribeImage(const std::uint8_t* image, std::size_t length, PlayableImage& playable) {
    if (length < 44 || length > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const WaveFormat format = ParseWaveFormat(image, static_cast<std::uint32_t>(length));
    const int rate = static_cast<int>(format.samplesPerSecond);
    if (!format.riffWave || !format.pcm || !CheckSampleFormat(format) || rate < 1000 || rate > 384000 ||
        static_cast<std::size_t>(format.dataOffset) > length) {
        return false;
    }
    const ConstSampleView samples(image, format);
    playable.format.setSampleRate(rate);
    playable.format.setChannelCount(format.channels);
    playable.format.setSampleFormat(samples.SixteenBit() ? QAudioFormat::Int16 : QAudioFormat::UInt8);
    playable.samples = samples.Interleaved().first;
    playable.length = static_cast<qint64>(samples.Bytes());
    return true;
}

}  // namespace

std::int64_t SampleCursor::Next(std::int64_t maxBytes, const std::uint8_t*& span) {
    if (m_length <= 0 || maxBytes <= 0) {
        return 0;
    }
    if (m_position >= m_length) {
        if (!m_loop) {
            return 0;
        }
        m_position = 0;
    }
    const std::int64_t run = std::min(maxBytes, m_length - m_position);
    span = m_samples + m_position;
    m_position += run;
    return run;
}

QtSoundOutput::QtSoundOutput() {
    m_feedTimer.setInterval(10);
    QObject::connect(&m_feedTimer, &QTimer::timeout, [this] { Feed(); });
}

QtSoundOutput::~QtSoundOutput() {
    Stop();
}

bool QtSoundOutput::Play(const std::uint8_t* image, std::size_t length, bool loop) {
    return Start(image, length, loop, 0.0);
}

bool QtSoundOutput::PlayFrom(const std::uint8_t* image, std::size_t length, double startSeconds) {
    return Start(image, length, false, startSeconds);
}

bool QtSoundOutput::Start(const std::uint8_t* image, std::size_t length, bool loop, double startSeconds) {
    Stop();
    PlayableImage playable;
    if (!DescribeImage(image, length, playable)) {
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(playable.format)) {
        return false;
    }
    m_frameBytes = playable.format.bytesPerFrame();
    const std::int64_t frames = playable.length / m_frameBytes;
    const double rate = playable.format.sampleRate();
    const auto startFrame = std::clamp<std::int64_t>(static_cast<std::int64_t>(std::max(startSeconds, 0.0) * rate), 0, frames);
    m_cursor = std::make_unique<SampleCursor>(playable.samples, playable.length, loop, startFrame * m_frameBytes);
    m_seconds = static_cast<double>(frames) / rate;
    m_startSeconds = static_cast<double>(startFrame) / rate;
    m_loop = loop;
    m_sink = std::make_unique<QAudioSink>(device, playable.format);
    m_sinkInput = m_sink->start();
    if (!m_sinkInput || m_sink->error() != QAudio::NoError) {
        Stop();
        return false;
    }
    Feed();
    m_feedTimer.start();
    return true;
}

void QtSoundOutput::Feed() {
    if (!m_sink || !m_sinkInput) {
        return;
    }
    std::int64_t room = m_sink->bytesFree();
    room -= room % m_frameBytes;
    const std::uint8_t* span = nullptr;
    while (room > 0) {
        const std::int64_t run = m_cursor->Next(room, span);
        if (run == 0) {
            m_feedTimer.stop();  // a single pass is all written; the server plays out what it holds
            return;
        }
        const qint64 written = m_sinkInput->write(reinterpret_cast<const char*>(span), run);
        const std::int64_t accepted = std::max<qint64>(written, 0);
        if (accepted < run) {
            m_cursor->GiveBack(run - accepted);
            return;
        }
        room -= accepted;
    }
}

bool QtSoundOutput::Stop() {
    m_feedTimer.stop();
    m_sinkInput = nullptr;
    if (m_sink) {
        m_sink->stop();
        m_sink.reset();
    }
    m_cursor.reset();
    return true;
}

std::optional<double> QtSoundOutput::PlayedSeconds() const {
    if (!m_sink || m_sink->state() == QAudio::StoppedState) {
        return std::nullopt;
    }
    // The sink's own clock of what it has passed on to the sound server since it started.
    const double heard = m_startSeconds + static_cast<double>(m_sink->processedUSecs()) / 1e6;
    if (m_loop && m_seconds > 0.0) {
        return std::fmod(heard, m_seconds);
    }
    if (heard >= m_seconds && m_sink->state() == QAudio::IdleState) {
        return std::nullopt;  // played out
    }
    return std::min(heard, m_seconds);
}

bool QtSoundOutput::IsPlaying() const {
    return m_sink && m_sink->state() == QAudio::ActiveState;
}

}  // namespace tressel
