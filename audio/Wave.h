#pragma once
// The one audio object: a whole RIFF/WAVE file held as one byte image, exactly as it lies on disk.
// Header values are read at fixed offsets (WaveFormat); the processing operations rewrite sample bytes in
// place and never touch the header. Every operation answers with a Result that carries its messages.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/ImageAllocator.h"
#include "audio/Feedback.h"
#include "audio/SoundOutput.h"
#include "audio/WaveFormat.h"

class CWave {
public:
    CWave();
    virtual ~CWave();
    CWave(const CWave&) = delete;
    CWave& operator=(const CWave&) = delete;

    // Where progress goes, and what plays the sound. Both are owned by the caller and must outlive the
    // wave (or be replaced first). Without a sound output Play answers false.
    void SetFeedback(tressel::Feedback* feedback);
    void SetSoundOutput(tressel::SoundOutput* output);
    tressel::SoundOutput* GetSoundOutput() const { return m_soundOutput; }
    tressel::Feedback& GetFeedback() const { return *m_feedback; }

    // A failure without a message when the file cannot be opened or read (the caller names it); the
    // platform's file-error text or "Out of memory." when reading breaks off.
    tressel::Result Load(const std::string& path);
    // Takes an image already in memory (a decoded file) as if it had been loaded from `fileName`.
    void Adopt(tressel::WaveImage image, const std::string& fileName);
    // "Could not open File" when nothing is loaded or the file cannot be created; the file-error text when
    // writing breaks off (the old file then stays as it was).
    tressel::Result Save(const std::string& path);
    // Loads again from the file name; "Nothing loaded yet" without one. A file that has gone leaves the
    // wave empty without a word.
    tressel::Result Reload();
    bool Release();
    // Takes over the image and file name of `other`, which is left empty. Lets a load go into a wave of its
    // own and replace this one only once it succeeded.
    void TakeImageFrom(CWave& other);

    bool Play(bool loop);
    bool Stop();
    bool IsPlaying() const;
    // Where playback is, in seconds from the start of the samples; nothing while nothing plays.
    std::optional<double> PlayedSeconds() const;

    bool IsLoaded() const { return m_loaded; }
    bool IsRiffWave() const { return Format().riffWave; }
    bool IsPcm() const { return Format().pcm; }
    std::uint16_t GetChannels() const { return Format().channels; }
    std::uint32_t GetSamplesPerSecond() const { return Format().samplesPerSecond; }
    std::uint16_t GetBitsPerSample() const { return Format().bitsPerSample; }
    std::int32_t GetDataOffset() const { return Format().dataOffset; }
    std::uint32_t GetDataLength() const { return Format().dataLength; }
    // The header as it stands now; operations take it once when they start.
    tressel::WaveFormat Format() const;
    std::uint8_t* GetImage() { return m_loaded ? m_image.data() : nullptr; }
    const std::uint8_t* GetImage() const { return m_loaded ? m_image.data() : nullptr; }
    std::uint32_t GetImageLength() const { return m_imageLength; }
    const std::string& GetFileName() const { return m_fileName; }

    // Sequential reading of the data chunk (the MP3 export uses it). Advancing outside the data chunk
    // answers with the warning "Read behind allocated memory block" or "Read before allocated memory
    // block"; the position moves all the same.
    void ResetReadPosition() { m_readPosition = 0; }
    tressel::Result AdvanceReadPosition(std::int32_t byteCount);
    std::uint8_t* GetReadPointer();
    std::int32_t GetReadPosition() const { return m_readPosition; }

    // Processing operations, defined with the features they belong to (dsp/, spectrum/). Each checks the
    // format first and changes nothing when it refuses.
    tressel::Result ApplyFir(const double* coefficients, int count, int channel1, int channel2, float filteredLevel,
                             float originalLevel);
    tressel::Result ApplyMedian(int length, int channel1, int channel2);
    tressel::Result MeasureGains(double& gain1, double& gain2);
    tressel::Result ApplyGains(double gain1, double gain2);
    tressel::Result ComputeSpectrum(double* firstCurve, double* secondCurve, int binCount);

private:
    std::string m_fileName;
    std::int32_t m_readPosition = 0;
    bool m_loaded = false;
    tressel::WaveImage m_image;
    std::uint32_t m_imageLength = 0;

    tressel::Feedback* m_feedback;
    tressel::SoundOutput* m_soundOutput = nullptr;
};
