// Bitrates and sampling frequencies of ISO/IEC 11172-3 and 13818-3 (and of the MPEG 2.5 extension), and the
// joint-stereo bounds.
#include "mp3dec/tables.h"

namespace mp3dec {

const int kBitrates[2][3][15] = {
    {
        // MPEG-2 low sampling frequencies
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    },
    {
        // MPEG-1
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    },
};

const double kSamplingFrequencies[3][4] = {
    {22.05, 24.0, 16.0, 0.0},
    {44.1, 48.0, 32.0, 0.0},
    {11.025, 12.0, 8.0, 0.0},
};

const int kJointStereoBounds[3][4] = {
    {4, 8, 12, 16},
    {4, 8, 12, 16},
    {0, 4, 8, 16},
};

}  // namespace mp3dec
