#include "audio/Wave.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#include "audio/AtomicFileWriter.h"

namespace {

tressel::SilentFeedback g_silentFeedback;

// Closes a C stream when the scope ends, whichever way it ends.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

CWave::CWave() : m_feedback(&g_silentFeedback) {}

CWave::~CWave() {
    Release();
}

void CWave::SetFeedback(tressel::Feedback* feedback) {
    m_feedback = feedback ? feedback : &g_silentFeedback;
}

void CWave::SetSoundOutput(tressel::SoundOutput* output) {
    if (m_soundOutput) {
        m_soundOutput->Stop();
    }
    m_soundOutput = output;
}

tressel::Result CWave::Load(const std::string& path) {
    Release();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return tressel::Result::Declined();
    }
    const long size = std::ftell(file.get());
    // A RIFF image cannot be longer than 32 bits can count; refusing is better than truncating.
    if (size < 0 || static_cast<unsigned long>(size) > std::numeric_limits<std::uint32_t>::max()) {
        return tressel::Result::Declined();
    }
    std::rewind(file.get());
    tressel::WaveImage image;
    try {
        image.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return tressel::OutOfMemory();
    }
    const std::size_t got = image.empty() ? 0 : std::fread(image.data(), 1, image.size(), file.get());
    if (got != image.size()) {
        const int error = std::ferror(file.get()) ? errno : 0;
        return error != 0 ? tressel::FileError(error, path) : tressel::Result::Declined();
    }
    Adopt(std::move(image), path);
    return {};
}

void CWave::Adopt(tressel::WaveImage image, const std::string& fileName) {
    Release();
    m_imageLength = static_cast<std::uint32_t>(image.size());
    m_image = std::move(image);
    m_fileName = fileName;
    m_loaded = true;
}

tressel::Result CWave::Save(const std::string& path) {
    if (!m_loaded) {
        return tressel::Result::Failure("Could not open File");
    }
    tressel::AtomicFileWriter writer(path);
    if (!writer.Open()) {
        return tressel::Result::Failure("Could not open File");
    }
    if (!writer.Write(m_image.data(), m_imageLength) || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        return tressel::FileError(error, path);
    }
    return {};
}

tressel::Result CWave::Reload() {
    if (!m_loaded) {
        return tressel::Result::Failure("Nothing loaded yet");
    }
    const std::string name = m_fileName;
    tressel::Result loaded = Load(name);
    // A file that has gone leaves the wave empty without a word; a read that breaks off says why.
    return loaded.Messages().empty() ? tressel::Result() : loaded;
}

bool CWave::Release() {
    Stop();
    m_image = {};
    m_imageLength = 0;
    m_fileName.clear();
    m_loaded = false;
    return true;
}

void CWave::TakeImageFrom(CWave& other) {
    Release();
    other.Stop();
    m_image = std::move(other.m_image);
    m_imageLength = other.m_imageLength;
    m_fileName = std::move(other.m_fileName);
    m_loaded = other.m_loaded;
    m_readPosition = 0;
    other.Release();
}

bool CWave::Play(bool loop) {
    if (!m_loaded || !m_soundOutput) {
        return false;
    }
    Stop();
    return m_soundOutput->Play(m_image.data(), m_imageLength, loop);
}

bool CWave::Stop() {
    return m_soundOutput ? m_soundOutput->Stop() : true;
}

bool CWave::IsPlaying() const {
    return m_soundOutput && m_soundOutput->IsPlaying();
}

std::optional<double> CWave::PlayedSeconds() const {
    return m_soundOutput ? m_soundOutput->PlayedSeconds() : std::nullopt;
}

tressel::WaveFormat CWave::Format() const {
    return tressel::ParseWaveFormat(m_image.data(), m_imageLength, m_loaded);
}

tressel::Result CWave::AdvanceReadPosition(std::int32_t byteCount) {
    m_readPosition = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_readPosition) +
                                               static_cast<std::uint32_t>(byteCount));
    tressel::Result warnings;
    if (m_readPosition > static_cast<std::int32_t>(GetDataLength())) {
        warnings.AddNote("Read behind allocated memory block");
    }
    if (m_readPosition < 0) {
        warnings.AddNote("Read before allocated memory block");
    }
    return warnings;
}

std::uint8_t* CWave::GetReadPointer() {
    if (!m_loaded) {
        return nullptr;
    }
    return m_image.data() + GetDataOffset() + m_readPosition;
}
