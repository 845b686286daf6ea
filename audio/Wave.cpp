#include "audio/Wave.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

bool CWave::Load(const std::string& path) {
    Release();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const long size = std::ftell(file.get());
    // A RIFF image cannot be longer than 32 bits can count; refusing is better than truncating.
    if (size < 0 || static_cast<unsigned long>(size) > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    std::rewind(file.get());
    try {
        m_image.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        m_image = {};
        tressel::AbortOutOfMemory(*m_feedback);
    }
    const std::size_t got = m_image.empty() ? 0 : std::fread(m_image.data(), 1, m_image.size(), file.get());
    if (got != m_image.size()) {
        const int error = std::ferror(file.get()) ? errno : 0;
        m_image = {};
        if (error != 0) {
            tressel::AbortWithFileError(*m_feedback, error, path);
        }
        return false;
    }
    m_loaded = true;
    m_imageLength = static_cast<std::uint32_t>(size);
    m_fileName = path;
    return true;
}

bool CWave::Save(const std::string& path) {
    if (!m_loaded) {
        return false;
    }
    tressel::AtomicFileWriter writer(path);
    if (!writer.Open()) {
        return false;
    }
    if (!writer.Write(m_image.data(), m_imageLength) || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        tressel::AbortWithFileError(*m_feedback, error, path);
    }
    return true;
}

void CWave::Reload() {
    if (!m_loaded) {
        m_feedback->ShowMessage("Nothing loaded yet");
        return;
    }
    const std::string name = m_fileName;
    Load(name);
}

bool CWave::Release() {
    Stop();
    m_image = {};
    m_imageLength = 0;
    m_fileName.clear();
    m_loaded = false;
    return true;
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

std::uint16_t CWave::ReadU16(std::uint32_t offset) const {
    if (!m_loaded || m_imageLength < 2 || offset > m_imageLength - 2) {
        return 0;
    }
    return static_cast<std::uint16_t>(m_image[offset] | (m_image[offset + 1] << 8));
}

std::uint32_t CWave::ReadU32(std::uint32_t offset) const {
    if (!m_loaded || m_imageLength < 4 || offset > m_imageLength - 4) {
        return 0;
    }
    return static_cast<std::uint32_t>(m_image[offset]) | (static_cast<std::uint32_t>(m_image[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(m_image[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(m_image[offset + 3]) << 24);
}

bool CWave::BytesEqual(std::uint32_t offset, const char* text, std::uint32_t count) const {
    if (!m_loaded || m_imageLength < count || offset > m_imageLength - count) {
        return false;
    }
    return std::memcmp(m_image.data() + offset, text, count) == 0;
}

bool CWave::IsRiffWave() const {
    return BytesEqual(0, "RIFF", 4) && BytesEqual(8, "WAVEfmt ", 8);
}

bool CWave::IsPcm() const {
    return m_loaded && m_imageLength >= 22 && m_image[20] == 1 && m_image[21] == 0;
}

std::uint16_t CWave::GetChannels() const {
    return ReadU16(22);
}

std::uint32_t CWave::GetSamplesPerSecond() const {
    return ReadU32(24);
}

std::uint16_t CWave::GetBitsPerSample() const {
    return ReadU16(34);
}

std::int32_t CWave::GetDataOffset() const {
    if (!m_loaded) {
        return 0;
    }
    // The first "data" anywhere in the image counts, even inside another chunk: chunk sizes are not walked.
    if (m_imageLength >= 4) {
        const std::uint8_t* found = static_cast<const std::uint8_t*>(memmem(m_image.data(), m_imageLength, "data", 4));
        if (found) {
            return static_cast<std::int32_t>(found - m_image.data()) + 8;
        }
    }
    return static_cast<std::int32_t>(m_imageLength) + 8;
}

std::uint32_t CWave::GetDataLength() const {
    if (!m_loaded) {
        return 0;
    }
    const auto offset = static_cast<std::uint32_t>(GetDataOffset());
    if (offset > m_imageLength) {
        return 0;
    }
    // A declared size running past the image answers what is really there, so no operation can reach
    // outside the image; the header bytes themselves stay as they are.
    const std::uint32_t declared = ReadU32(offset - 4);
    const std::uint32_t present = m_imageLength - offset;
    return declared < present ? declared : present;
}

void CWave::AdvanceReadPosition(std::int32_t byteCount) {
    m_readPosition =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(m_readPosition) + static_cast<std::uint32_t>(byteCount));
    if (m_readPosition > static_cast<std::int32_t>(GetDataLength())) {
        m_feedback->ShowMessage("Read behind allocated memory block");
    }
    if (m_readPosition < 0) {
        m_feedback->ShowMessage("Read before allocated memory block");
    }
}

std::uint8_t* CWave::GetReadPointer() {
    if (!m_loaded) {
        return nullptr;
    }
    return m_image.data() + GetDataOffset() + m_readPosition;
}
