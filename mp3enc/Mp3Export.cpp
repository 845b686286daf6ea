#include "mp3enc/Mp3Export.h"

#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "audio/SampleView.h"
#include "mp3enc/Mp3OutputFile.h"

namespace tressel {

bool IsMp3SampleRate(std::uint32_t samplesPerSecond) {
    return samplesPerSecond == 44100 || samplesPerSecond == 48000 || samplesPerSecond == 32000;
}

Result CheckMp3SampleRate(const CWave& wave) {
    if (IsMp3SampleRate(wave.GetSamplesPerSecond())) {
        return {};
    }
    return Result::Failure("SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 supported.");
}

namespace {

// The progress range must fit an int; longer data is counted in coarser steps.
class ScaledProgress {
public:
    ScaledProgress(Feedback& feedback, std::uint32_t total) : m_sink(feedback.CreateProgress()) {
        while ((total >> m_shift) > static_cast<std::uint32_t>(INT_MAX)) {
            ++m_shift;
        }
        m_sink->SetRange(0, Scale(total));
        m_sink->Show();
    }
    void SetPosition(std::uint32_t position) { m_sink->SetPosition(Scale(position)); }
    bool CancelRequested() const { return m_sink->CancelRequested(); }

private:
    int Scale(std::uint32_t value) const { return static_cast<int>(value >> m_shift); }
    std::unique_ptr<ProgressSink> m_sink;
    int m_shift = 0;
};

// The wave's samples as the encoder takes them: 16-bit as they lie, 8-bit widened around its centre 127
// (handing 8-bit bytes over in pairs, as if they were 16-bit samples, would encode noise).
class EncoderInput {
public:
    EncoderInput(CWave& wave, const WaveFormat& format)
        : m_samples(SampleView(wave.GetImage(), format).Interleaved()),
          m_bytesPerSample(format.bitsPerSample == 8 ? 1u : 2u),
          m_samplesPerFrame(format.channels == 1 ? 1u : 2u) {}

    std::uint32_t BytesPerSample() const { return m_bytesPerSample; }

    // The samples of byteCount data bytes. A dangling half frame at the very end of odd-sized data would
    // leave the encoder half a stereo pair or half a sample, so only whole frames are handed over.
    std::uint32_t SampleCount(std::uint32_t byteCount) const {
        return byteCount / m_bytesPerSample / m_samplesPerFrame * m_samplesPerFrame;
    }

    // sampleCount samples from the data byte `offset` on, as 16-bit values.
    void Convert(std::uint32_t offset, std::uint32_t sampleCount, std::int16_t* samples) const {
        const std::int64_t first = offset / m_bytesPerSample;
        for (std::uint32_t i = 0; i < sampleCount; ++i) {
            const int centred = m_samples.Read(first + i);
            if (m_samples.sixteenBit) {
                samples[i] = static_cast<std::int16_t>(centred);
            } else {
                const int widened = centred * 256;
                samples[i] = static_cast<std::int16_t>(widened > 32767 ? 32767 : widened);
            }
        }
    }

private:
    ChannelSamples m_samples;
    std::uint32_t m_bytesPerSample;
    std::uint32_t m_samplesPerFrame;
};

// The steps of one export from the open output file to the end. Every failure reports, closes the encoder
// stream if it is open, abandons the file and answers false.
class EncodingRun {
public:
    EncodingRun(const bladeenc::Functions& encoder, Mp3OutputFile& file, Feedback& feedback)
        : m_encoder(encoder), m_file(file), m_feedback(feedback) {}
    ~EncodingRun() { CloseStream(); }

    Result Run(CWave& wave, const bladeenc::Config& config);

private:
    Result OpenStream(const bladeenc::Config& config);
    Result AllocateBuffers();
    Result EncodeData(CWave& wave);
    Result FinishStream();
    Result WriteInfoFrame();
    Result Fail(const char* message);
    Result Cancel();
    void CloseStream();

    const bladeenc::Functions& m_encoder;
    Mp3OutputFile& m_file;
    Feedback& m_feedback;  // for the progress window
    bladeenc::StreamHandle m_stream = 0;
    bool m_streamOpen = false;
    std::uint32_t m_samplesPerChunk = 0;
    std::uint32_t m_outputBufferSize = 0;
    std::vector<std::int16_t> m_input;
    std::vector<std::uint8_t> m_output;
    std::uint64_t m_written = 0;  // bytes of the stream so far
};

Result EncodingRun::Run(CWave& wave, const bladeenc::Config& config) {
    Result result = OpenStream(config);
    if (result) {
        result.Append(AllocateBuffers());
    }
    if (result) {
        result.Append(EncodeData(wave));
    }
    if (result) {
        result.Append(FinishStream());
    }
    if (result) {
        result.Append(WriteInfoFrame());
    }
    if (!result) {
        return result;
    }
    CloseStream();
    if (!m_file.Finish()) {
        return result.Append(Result::Failure("Write error"));
    }
    return result;
}

Result EncodingRun::OpenStream(const bladeenc::Config& config) {
    const bladeenc::ConfigRecord record = bladeenc::EncodeConfig(config);
    if (m_encoder.initStream(record.data(), &m_samplesPerChunk, &m_outputBufferSize, &m_stream) != bladeenc::kOk) {
        return Fail("Error opening encoding stream");
    }
    m_streamOpen = true;
    // A stream that takes no samples per chunk could never finish.
    if (m_samplesPerChunk == 0) {
        return Fail("Error opening encoding stream");
    }
    return {};
}

Result EncodingRun::AllocateBuffers() {
    try {
        m_input.resize(m_samplesPerChunk);
        // At least one byte, so the encoder always gets a valid pointer; what it may write is still the size
        // it reported itself.
        m_output.resize(m_outputBufferSize > 0 ? m_outputBufferSize : 1);
    } catch (const std::bad_alloc&) {
        return Fail("Out of memory");
    } catch (const std::length_error&) {
        return Fail("Out of memory");
    }
    return {};
}

Result EncodingRun::EncodeData(CWave& wave) {
    const WaveFormat format = wave.Format();
    const EncoderInput input(wave, format);
    const std::uint32_t length = format.dataLength;
    const std::uint64_t chunkBytes = std::uint64_t{m_samplesPerChunk} * input.BytesPerSample();
    wave.ResetReadPosition();
    ScaledProgress progress(m_feedback, length);
    Result result;
    std::uint32_t consumed = 0;
    while (consumed < length) {
        const auto byteCount =
            static_cast<std::uint32_t>(consumed + chunkBytes >= length ? length - consumed : chunkBytes);
        const std::uint32_t sampleCount = input.SampleCount(byteCount);
        input.Convert(consumed, sampleCount, m_input.data());
        result.Append(wave.AdvanceReadPosition(static_cast<std::int32_t>(byteCount)));
        std::uint32_t outputBytes = 0;
        if (m_encoder.encodeChunk(m_stream, sampleCount, m_input.data(), m_output.data(), &outputBytes) !=
                bladeenc::kOk ||
            outputBytes > m_outputBufferSize) {
            return result.Append(Fail("beEncodeChunk failed"));
        }
        if (!m_file.Write(m_output.data(), outputBytes)) {
            return result.Append(Fail("Write error"));
        }
        m_written += outputBytes;
        consumed += byteCount;
        progress.SetPosition(consumed);
        if (progress.CancelRequested()) {
            return result.Append(Cancel());
        }
    }
    return result;
}

Result EncodingRun::FinishStream() {
    std::uint32_t outputBytes = 0;
    if (m_encoder.deinitStream(m_stream, m_output.data(), &outputBytes) != bladeenc::kOk ||
        outputBytes > m_outputBufferSize) {
        return Fail("beExitStream failed");
    }
    if (!m_file.Write(m_output.data(), outputBytes)) {
        return Fail("Write error");
    }
    m_written += outputBytes;
    return {};
}

// A module that makes the Info frame hands it out now; it takes the place of the placeholder the stream
// began with. Without it (or when it has none to give) the stream stays as the module wrote it.
Result EncodingRun::WriteInfoFrame() {
    if (!m_encoder.writeInfoTag) {
        return {};
    }
    std::uint32_t outputBytes = 0;
    if (m_encoder.writeInfoTag(m_stream, m_output.data(), m_outputBufferSize, &outputBytes) != bladeenc::kOk ||
        outputBytes == 0 || outputBytes > m_outputBufferSize || outputBytes > m_written) {
        return {};
    }
    if (!m_file.WriteAt(0, m_output.data(), outputBytes)) {
        return Fail("Write error");
    }
    return {};
}

Result EncodingRun::Fail(const char* message) {
    CloseStream();
    m_file.Abandon();
    return Result::Failure(message);
}

Result EncodingRun::Cancel() {
    CloseStream();
    m_file.Discard();
    return Result::Cancelled();
}

void EncodingRun::CloseStream() {
    if (m_streamOpen) {
        m_streamOpen = false;
        m_encoder.closeStream(m_stream);
    }
}

bladeenc::Config ConfigFor(const CWave& wave, const Mp3SettingsSource& settings, int bitrate) {
    bladeenc::Config config;
    config.format = bladeenc::kFormatMp3;
    config.sampleRate = wave.GetSamplesPerSecond();
    config.mode = wave.GetChannels() == 1 ? bladeenc::kModeMono : bladeenc::kModeStereo;
    config.bitrate = static_cast<std::uint16_t>(bitrate);
    config.privateFlag = settings.GetPrivate() != 0 ? 1 : 0;
    config.crc = settings.GetCrc() != 0 ? 1 : 0;
    config.copyright = settings.GetCopyright() != 0 ? 1 : 0;
    config.original = settings.GetOriginal() != 0 ? 1 : 0;
    return config;
}

}  // namespace

}  // namespace tressel

CMp3Export::CMp3Export(tressel::Mp3SettingsSource& settings)
    : m_settings(settings), m_moduleName(tressel::kEncoderModuleName) {}

CMp3Export::CMp3Export(tressel::Mp3SettingsSource& settings, tressel::EncoderLibrary& library,
                       std::string moduleName)
    : m_settings(settings), m_library(&library), m_moduleName(std::move(moduleName)) {}

tressel::Result CMp3Export::Export(const std::string& path, CWave& wave) {
    using namespace tressel;
    SystemEncoderLibrary systemLibrary;
    EncoderLibrary& library = m_library ? *m_library : systemLibrary;
    if (!library.Load(m_moduleName)) {
        return Result::Failure("Error loading BLADEENC.DLL");
    }
    bladeenc::Functions encoder;
    if (!library.Resolve(encoder)) {
        return Result::Failure("Unable to get BladeEnc interface");
    }
    bladeenc::VersionRecord version{};
    encoder.version(&version);

    if (!m_settings.RunSettingsDialog()) {
        return Result::Declined();
    }
    Result result;
    const int bitrate = m_settings.GetBitrate(result);

    Mp3OutputFile file(path, m_leavePartialFile);
    if (!file.Open()) {
        return result.Append(Result::Failure("Could not open File"));
    }
    if (Result rate = CheckMp3SampleRate(wave); !rate) {
        file.Abandon();
        return result.Append(rate);
    }
    EncodingRun run(encoder, file, wave.GetFeedback());
    return result.Append(run.Run(wave, ConfigFor(wave, m_settings, bitrate)));
}
