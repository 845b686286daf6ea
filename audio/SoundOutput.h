#pragma once
// Plays a RIFF/WAVE image from memory in the background. The GUI implements it over the desktop's sound
// server; the image must stay alive and unchanged in size until Stop has returned.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tressel {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts playing the image (optionally looping) and returns at once; false when it cannot be played.
    virtual bool Play(const std::uint8_t* image, std::size_t length, bool loop) = 0;
    // Plays the image once from `startSeconds` into its samples (A/B listening switches images at the
    // place it has reached). An output that cannot start part way plays only from the start.
    virtual bool PlayFrom(const std::uint8_t* image, std::size_t length, double startSeconds) {
        return startSeconds <= 0.0 && Play(image, length, false);
    }
    // Ends any sound this process plays.
    virtual bool Stop() = 0;
    // Whether sound started by Play is still coming out.
    virtual bool IsPlaying() const { return false; }
    // How far into the samples the sound now heard lies, in seconds; nothing while nothing plays.
    virtual std::optional<double> PlayedSeconds() const { return std::nullopt; }
};

}  // namespace tressel
