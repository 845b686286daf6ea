#pragma once
// A condition that makes the rest of the stream undecodable (a false sync word in junk, a corrupt table,
// an exhausted reservoir) abandons the current decode. The exception carries the condition's message; the
// driver catches it, reports the message and ends the decode as failed.

#include <utility>

#include "mp3dec/diagnostics.h"

namespace mp3dec {

struct DecoderStopped {
    Diagnostic reason;
};

[[noreturn]] inline void stop_decoder(Diagnostic reason) {
    throw DecoderStopped{std::move(reason)};
}

}  // namespace mp3dec
