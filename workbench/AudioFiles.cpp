#include "workbench/AudioFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>
#include <string>

namespace tressel {

Result LoadWaveFile(CWave& wave, const std::string& path) {
    Result loaded = wave.Load(path);
    if (!loaded) {
        // A file that cannot be opened or read to its end gets the command's own word for it.
        return loaded.Messages().empty() ? Result::Failure("Could not open file") : loaded;
    }
    const char* refusal = nullptr;
    if (!wave.IsRiffWave()) {
        refusal = "Not a valid Wave format";
    } else if (!wave.IsPcm()) {
        refusal = "Only PCM Wave format supported";
    }
    if (refusal) {
        wave.Release();
        return Result::Failure(refusal);
    }
    return {};
}

namespace {

bool StartsWith(const std::uint8_t* bytes, std::size_t size, std::size_t offset, const char* text) {
    const std::size_t length = std::char_traits<char>::length(text);
    return size >= offset + length && std::equal(text, text + length, bytes + offset);
}

// Sync word, then no reserved layer, bitrate or sampling-frequency field.
bool IsMpegFrameHeader(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int layerBits = (bytes[1] >> 1) & 3;
    const int bitrateIndex = bytes[2] >> 4;
    const int samplingIndex = (bytes[2] >> 2) & 3;
    return layerBits != 0 && bitrateIndex != 15 && samplingIndex != 3;
}

}  // namespace

AudioFileKind DetectAudioFileKind(const std::uint8_t* bytes, std::size_t size) {
    if (StartsWith(bytes, size, 0, "RIFF") && StartsWith(bytes, size, 8, "WAVE")) {
        return AudioFileKind::Wave;
    }
    if (StartsWith(bytes, size, 0, "ID3") || IsMpegFrameHeader(bytes, size)) {
        return AudioFileKind::Mp3;
    }
    return AudioFileKind::Other;
}

AudioFileKind DetectAudioFileKind(const std::string& path) {
    std::uint8_t head[12] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return AudioFileKind::Other;
    }
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return DetectAudioFileKind(head, got);
}

std::optional<WaveFileStart> ReadWaveFileStart(const std::string& path, std::size_t headBytes) {
    if (KindByName(path) != AudioFileKind::Wave) {
        return std::nullopt;  // loaded as MPEG audio whatever it holds
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || static_cast<unsigned long>(size) > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    std::rewind(file.get());
    std::vector<std::uint8_t> head(std::min(static_cast<std::size_t>(size), headBytes));
    if (std::fread(head.data(), 1, head.size(), file.get()) != head.size()) {
        return std::nullopt;
    }
    const auto format = ParseWaveFormatFromStart(head.data(), static_cast<std::uint32_t>(head.size()),
                                                 static_cast<std::uint32_t>(size));
    if (!format || !format->riffWave || !format->pcm) {
        return std::nullopt;
    }
    return WaveFileStart{*format, static_cast<std::uint32_t>(size)};
}

std::string LowerCaseExtension(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

AudioFileKind KindByName(const std::string& path) {
    return LowerCaseExtension(path) == "wav" ? AudioFileKind::Wave : AudioFileKind::Mp3;
}

}  // namespace tressel
