#include "app/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cstring>
#include <limits>

#include "audio/Wave.h"

namespace tressel {

namespace {

struct PlayableImage {
    QAudioFormat format;
    const std::uint8_t* samples = nullptr;
    qint64 length = 0;
};

// Reads the format of the image the way the wave does and checks that the sound server can play it.
bool DescribeImage(const std::uint8_t* image, std::size_t length, PlayableImage& playable) {
    if (length < 44 || std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVEfmt ", 8) != 0 ||
        image[20] != 1 || image[21] != 0) {
        return false;
    }
    const int channels = image[22] | (image[23] << 8);
    const int rate = static_cast<int>(image[24] | (image[25] << 8) | (image[26] << 16) |
                                      (static_cast<unsigned>(image[27]) << 24));
    const int bits = image[34] | (image[35] << 8);
    if (channels < 1 || channels > 2 || (bits != 8 && bits != 16) || rate < 1000 || rate > 384000) {
        return false;
    }
    const auto* found = static_cast<const std::uint8_t*>(memmem(image, length, "data", 4));
    if (!found || static_cast<std::size_t>(found - image) + 8 > length) {
        return false;
    }
    const std::size_t offset = static_cast<std::size_t>(found - image) + 8;
    const std::uint32_t declared = found[4] | (found[5] << 8) | (found[6] << 16) |
                                   (static_cast<std::uint32_t>(found[7]) << 24);
    const std::size_t frameBytes = static_cast<std::size_t>(channels * bits / 8);
    std::size_t bytes = std::min<std::size_t>(declared, length - offset);
    bytes -= bytes % frameBytes;
    playable.format.setSampleRate(rate);
    playable.format.setChannelCount(channels);
    playable.format.setSampleFormat(bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    playable.samples = image + offset;
    playable.length = static_cast<qint64>(bytes);
    return true;
}

}  // namespace

ImageSampleDevice::ImageSampleDevice(const std::uint8_t* samples, qint64 length, bool loop, QObject* parent)
    : QIODevice(parent), m_samples(samples), m_length(length), m_loop(loop) {}

qint64 ImageSampleDevice::bytesAvailable() const {
    if (m_loop && m_length > 0) {
        return std::numeric_limits<qint32>::max();
    }
    return (m_length - m_position) + QIODevice::bytesAvailable();
}

qint64 ImageSampleDevice::readData(char* data, qint64 maxSize) {
    qint64 copied = 0;
    while (copied < maxSize && m_length > 0) {
        if (m_position >= m_length) {
            if (!m_loop) {
                break;
            }
            m_position = 0;
        }
        const qint64 chunk = std::min(maxSize - copied, m_length - m_position);
        std::memcpy(data + copied, m_samples + m_position, static_cast<std::size_t>(chunk));
        copied += chunk;
        m_position += chunk;
    }
    return copied;
}

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
    Stop();
}

bool QtSoundOutput::Play(const std::uint8_t* image, std::size_t length, bool loop) {
    Stop();
    PlayableImage playable;
    if (!DescribeImage(image, length, playable)) {
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(playable.format)) {
        return false;
    }
    m_device = std::make_unique<ImageSampleDevice>(playable.samples, playable.length, loop, nullptr);
    m_device->open(QIODevice::ReadOnly);
    m_sink = std::make_unique<QAudioSink>(device, playable.format);
    m_sink->start(m_device.get());
    if (m_sink->error() != QAudio::NoError) {
        Stop();
        return false;
    }
    return true;
}

bool QtSoundOutput::Stop() {
    if (m_sink) {
        m_sink->stop();
        m_sink.reset();
    }
    m_device.reset();
    return true;
}

bool QtSoundOutput::IsPlaying() const {
    return m_sink && m_sink->state() == QAudio::ActiveState;
}

}  // namespace tressel
