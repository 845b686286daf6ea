#pragma once
// Builds RIFF/WAVE images in memory and writes them to scratch files, so fixtures come from code.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tressel::testing {

struct WaveLayout {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSecond = 44100;
    std::uint16_t bitsPerSample = 16;
    std::vector<std::uint8_t> extraChunks;  // whole chunks placed between "fmt " and "data"
    std::vector<std::uint8_t> trailing;     // bytes after the data chunk
};

// A canonical image: 44-byte header (plus extra chunks) followed by the sample bytes.
std::vector<std::uint8_t> BuildWave(const WaveLayout& layout, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> BuildWave16(const WaveLayout& layout, const std::vector<std::int16_t>& samples);

// A chunk: four-character id, little-endian size, payload (padded to even length).
std::vector<std::uint8_t> BuildChunk(const std::string& id, const std::vector<std::uint8_t>& payload);

void PutLE16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh, empty folder under the system's temporary folder, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace tressel::testing
