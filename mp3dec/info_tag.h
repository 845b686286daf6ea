#pragma once
// The tag an encoder writes into the first frame of a stream in place of audio: "Xing" or "Info" (with
// LAME's extension, which holds the encoder delay and the padding added at the end) or Fraunhofer's
// "VBRI". Such a frame carries no samples. Only bytes of the frame itself are read.

#include <cstdint>
#include <optional>
#include <span>

#include "mp3dec/frame_header.h"

namespace mp3dec {

struct InfoTag {
    std::uint32_t frames = 0;  // audio frames after the tag frame; 0 when the tag does not say
    bool gapless = false;      // LAME's extension gave the two figures below
    int encoder_delay = 0;     // samples per channel the encoder put in front of the audio
    int padding = 0;           // samples per channel it added at the end
};

// The tag of a Layer III frame. `frame` holds exactly the frame (header included) and `bytes_after` counts
// the stream's bytes after it. Nothing when the frame holds no tag, or a corrupt one, or one that promises
// more frames or bytes than follow it.
std::optional<InfoTag> parse_info_tag(std::span<const std::uint8_t> frame, const FrameHeader& header,
                                      std::uint64_t bytes_after);

// The delay of the synthesis filterbank: output sample n holds what went in at n - 529.
constexpr int kSynthesisDelay = 529;

// Which samples of the decoded stream (per channel, counted from its first) make the original audio.
struct GaplessWindow {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};
// The window the tag gives for a stream of `samples_per_frame` per frame; nothing without LAME's figures
// or a frame count, or when they leave no audio.
std::optional<GaplessWindow> gapless_window(const InfoTag& tag, int samples_per_frame);

}  // namespace mp3dec
