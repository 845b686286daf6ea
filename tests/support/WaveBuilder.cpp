#include "tests/support/WaveBuilder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tressel::testing {

void PutLE16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::vector<std::uint8_t> BuildChunk(const std::string& id, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> chunk(id.begin(), id.end());
    chunk.resize(8);
    PutLE32(chunk, 4, static_cast<std::uint32_t>(payload.size()));
    chunk.insert(chunk.end(), payload.begin(), payload.end());
    if (payload.size() % 2 != 0) {
        chunk.push_back(0);
    }
    return chunk;
}

std::vector<std::uint8_t> BuildWave(const WaveLayout& layout, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> image(36);
    const std::string head = "RIFF----WAVEfmt ";
    std::copy(head.begin(), head.end(), image.begin());
    PutLE32(image, 16, 16);
    PutLE16(image, 20, layout.formatTag);
    PutLE16(image, 22, layout.channels);
    PutLE32(image, 24, layout.samplesPerSecond);
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(layout.channels * ((layout.bitsPerSample + 7) / 8));
    PutLE32(image, 28, layout.samplesPerSecond * blockAlign);
    PutLE16(image, 32, blockAlign);
    PutLE16(image, 34, layout.bitsPerSample);
    image.insert(image.end(), layout.extraChunks.begin(), layout.extraChunks.end());
    const auto dataChunk = BuildChunk("data", data);
    image.insert(image.end(), dataChunk.begin(), dataChunk.end());
    image.insert(image.end(), layout.trailing.begin(), layout.trailing.end());
    PutLE32(image, 4, static_cast<std::uint32_t>(image.size() - 8));
    return image;
}

std::vector<std::uint8_t> BuildWave16(const WaveLayout& layout, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> data(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        PutLE16(data, 2 * i, static_cast<std::uint16_t>(samples[i]));
    }
    return BuildWave(layout, data);
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tressel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace tressel::testing
