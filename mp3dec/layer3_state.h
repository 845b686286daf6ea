#pragma once
// Layer III state that lives for one decode (reservoir, frame start, overlap memory, side information,
// scale factors and granule work arrays). Owned and filled in by the Layer III code; the driver only
// embeds one instance in DecodeState so that every decode starts fresh.

namespace mp3dec {

struct Layer3State {
    // Filled in by the Layer III implementation.
};

}  // namespace mp3dec
