#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <filesystem>

namespace tressel::fuzz {

ScratchFile::ScratchFile(const std::string& suffix) {
    m_path = (std::filesystem::temp_directory_path() /
              ("tressel-fuzz-" + std::to_string(getpid()) + "-" + suffix))
                 .string();
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
    std::filesystem::remove_all(Folder(), ignored);
}

void ScratchFile::Write(const std::uint8_t* data, std::size_t size) const {
    WriteWholeFile(m_path, data, size);
}

std::vector<std::uint8_t> AsHexText(const std::uint8_t* data, std::size_t size, bool crlf) {
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> text;
    text.reserve(size * 2 + size / 16 * 2 + 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(static_cast<std::uint8_t>(digits[data[i] >> 4]));
        text.push_back(static_cast<std::uint8_t>(digits[data[i] & 15]));
        if (i % 32 == 31) {
            if (crlf) text.push_back('\r');
            text.push_back('\n');
        }
    }
    return text;
}

void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return bytes;
    }
    std::uint8_t buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return bytes;
}

void SilenceStandardOutput() {
    FUZZ_CHECK(std::freopen("/dev/null", "w", stdout) != nullptr);
}

}  // namespace tressel::fuzz
