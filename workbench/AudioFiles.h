#pragma once
// Loading a WAV file the way "Load Audio" does, with its messages.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "audio/Wave.h"

namespace tressel {

// Loads a WAV file and accepts it only as a RIFF/WAVE PCM image. On failure the wave is empty and the
// result says why: "Could not open file", "Not a valid Wave format", "Only PCM Wave format supported", or
// the platform's text for a read that broke off.
Result LoadWaveFile(CWave& wave, const std::string& path);

// The format of a file that loads as a WAV file, from its first bytes alone when they settle it: the
// name ends in ".wav", the header is RIFF/WAVE PCM, the first "data" and its size lie within the first
// `headBytes`. Nothing when only a whole load can tell, and then the load also gives the messages. The
// wave's own reading of the format, at a fraction of a load's cost for a large file.
struct WaveFileStart {
    WaveFormat format;
    std::uint32_t fileSize = 0;
};
std::optional<WaveFileStart> ReadWaveFileStart(const std::string& path, std::size_t headBytes = std::size_t{1} << 16);

// What a file holds by its first bytes, whatever its name says: a RIFF/WAVE image, MPEG audio (an ID3v2
// tag or a frame header with no reserved field), or something else (a file that cannot be read included).
enum class AudioFileKind { Wave, Mp3, Other };
AudioFileKind DetectAudioFileKind(const std::string& path);
// The same for the first bytes of a file already read.
AudioFileKind DetectAudioFileKind(const std::uint8_t* bytes, std::size_t size);

// The extension after the last dot of a file name, in lower case; empty when there is none.
std::string LowerCaseExtension(const std::string& path);

// The kind "Load Audio" reads a file as when nothing else is said: WAV for a ".wav" name, MP3 otherwise.
AudioFileKind KindByName(const std::string& path);

}  // namespace tressel
