#pragma once
// The one audio object: a whole RIFF/WAVE file held as one byte image, exactly as it lies on disk.
// Header values are read at fixed offsets; the processing operations rewrite sample bytes in place and
// never touch the header.

#include <cstdint>
#include <string>
#include <vector>

#include "audio/ImageAllocator.h"
#include "audio/Feedback.h"
#include "audio/SoundOutput.h"

class CWave {
public:
    CWave();
    virtual ~CWave();
    CWave(const CWave&) = delete;
    CWave& operator=(const CWave&) = delete;

    // Where messages and progress go, and what plays the sound. Both are owned by the caller and must
    // outlive the wave (or be replaced first). Without a sound output Play answers false.
    void SetFeedback(tressel::Feedback* feedback);
    void SetSoundOutput(tressel::SoundOutput* output);
    tressel::Feedback& GetFeedback() const { return *m_feedback; }

    bool Load(const std::string& path);
    bool Save(const std::string& path);
    void Reload();
    bool Release();

    bool Play(bool loop);
    bool Stop();

    bool IsLoaded() const { return m_loaded; }
    bool IsRiffWave() const;
    bool IsPcm() const;
    std::uint16_t GetChannels() const;
    std::uint32_t GetSamplesPerSecond() const;
    std::uint16_t GetBitsPerSample() const;
    std::int32_t GetDataOffset() const;
    std::uint32_t GetDataLength() const;
    std::uint8_t* GetImage() { return m_loaded ? m_image.data() : nullptr; }
    const std::uint8_t* GetImage() const { return m_loaded ? m_image.data() : nullptr; }
    std::uint32_t GetImageLength() const { return m_imageLength; }
    const std::string& GetFileName() const { return m_fileName; }

    // Sequential reading of the data chunk (the MP3 export uses it).
    void ResetReadPosition() { m_readPosition = 0; }
    void AdvanceReadPosition(std::int32_t byteCount);
    std::uint8_t* GetReadPointer();
    std::int32_t GetReadPosition() const { return m_readPosition; }

    // Processing operations, defined with the features they belong to (dsp/, spectrum/).
    void ApplyFir(const double* coefficients, int count, int channel1, int channel2, float filteredLevel,
                  float originalLevel);
    void ApplyMedian(int length, int channel1, int channel2);
    void MeasureGains(double& gain1, double& gain2);
    void ApplyGains(double gain1, double gain2);
    void ComputeSpectrum(double* firstCurve, double* secondCurve, int binCount);

private:
    std::uint16_t ReadU16(std::uint32_t offset) const;
    std::uint32_t ReadU32(std::uint32_t offset) const;
    bool BytesEqual(std::uint32_t offset, const char* text, std::uint32_t count) const;

    std::string m_fileName;
    std::int32_t m_readPosition = 0;
    bool m_loaded = false;
    std::vector<std::uint8_t, tressel::ImageAllocator<std::uint8_t>> m_image;
    std::uint32_t m_imageLength = 0;

    tressel::Feedback* m_feedback;
    tressel::SoundOutput* m_soundOutput = nullptr;
};
