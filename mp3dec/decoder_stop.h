#pragma once
// A condition that makes the rest of the file undecodable (a false sync word in junk, a corrupt table,
// an exhausted reservoir) abandons the current decode. The condition's text has already been printed;
// the driver catches this, closes what it opened and reports the decode as failed.

namespace mp3dec {

struct DecoderStopped {};

[[noreturn]] inline void stop_decoder() {
    throw DecoderStopped{};
}

}  // namespace mp3dec
