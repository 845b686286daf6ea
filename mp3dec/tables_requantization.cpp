// Layer II requantisation classes and their constants C and D (ISO/IEC 11172-3 Table 3-B.4).
#include "mp3dec/tables.h"

namespace mp3dec {

const double kRequantC[kQuantClasses] = {
    1.33333333333, 1.60000000000, 1.14285714286, 1.77777777777, 1.06666666666, 1.03225806452,
    1.01587301587, 1.00787401575, 1.00392156863, 1.00195694716, 1.00097751711, 1.00048851979,
    1.00024420024, 1.00012208522, 1.00006103888, 1.00003051851, 1.00001525902,
};

const double kRequantD[kQuantClasses] = {
    0.50000000000, 0.50000000000, 0.25000000000, 0.50000000000, 0.12500000000, 0.06250000000,
    0.03125000000, 0.01562500000, 0.00781250000, 0.00390625000, 0.00195312500, 0.00097656250,
    0.00048828125, 0.00024414063, 0.00012207031, 0.00006103516, 0.00003051758,
};

const QuantClass kQuantClassInfo[kQuantClasses] = {
    {3, 5, true},      {5, 7, true},      {7, 3, false},     {9, 10, true},     {15, 4, false},
    {31, 5, false},    {63, 6, false},    {127, 7, false},   {255, 8, false},   {511, 9, false},
    {1023, 10, false}, {2047, 11, false}, {4095, 12, false}, {8191, 13, false}, {16383, 14, false},
    {32767, 15, false}, {65535, 16, false},
};

}  // namespace mp3dec
