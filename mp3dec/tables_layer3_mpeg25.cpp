// Scale-factor bands of the MPEG 2.5 extension (8, 11.025 and 12 kHz). The two higher rates share the
// layout of 16 kHz; at 8 kHz the bands are twice as wide in lines, up to where the long bands run out of
// room and the last five hold two lines each.
#include "mp3dec/tables_layer3.h"

namespace mp3dec {

const ScaleFactorBands kMpeg25ScaleFactorBands[kMpeg25BandTableCount] = {
    // 11.025 kHz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // 12 kHz
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // 8 kHz
    {{0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
     {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192}},
};

}  // namespace mp3dec
