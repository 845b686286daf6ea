#pragma once
// Plays a wave image from memory through the desktop's sound server (Qt Multimedia). The samples are read
// straight from the caller's image, which stays alive until Stop.

#include <QIODevice>
#include <memory>

#include "audio/SoundOutput.h"

class QAudioSink;

namespace tressel {

// Serves the sample bytes of an image in a loop or once, without copying them.
class ImageSampleDevice final : public QIODevice {
    Q_OBJECT
public:
    ImageSampleDevice(const std::uint8_t* samples, qint64 length, bool loop, QObject* parent);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const std::uint8_t* m_samples;
    qint64 m_length;
    qint64 m_position = 0;
    bool m_loop;
};

class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    bool Play(const std::uint8_t* image, std::size_t length, bool loop) override;
    bool Stop() override;
    bool IsPlaying() const;

private:
    std::unique_ptr<QAudioSink> m_sink;
    std::unique_ptr<ImageSampleDevice> m_device;
};

}  // namespace tressel
