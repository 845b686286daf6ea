// Layer II bit-allocation tables: ISO/IEC 11172-3 Tables 3-B.2a to 3-B.2d and the MPEG-2 low-sampling-
// frequency table of ISO/IEC 13818-3. Entries of `classes` are quantisation classes (see tables.h) for
// allocation indices 1, 2, ...
#include "mp3dec/tables.h"

namespace mp3dec {

namespace {
// Subband ranges shared by several tables.
constexpr AllocSubbandRange kHighRateLow = {3, 4, {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
constexpr AllocSubbandRange kHighRateMid = {8, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}};
constexpr AllocSubbandRange kHighRateHigh = {12, 3, {0, 1, 2, 3, 4, 5, 16}};
constexpr AllocSubbandRange kLowRateLow = {2, 4, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
}  // namespace

const AllocTableDescription kAllocTables[kAllocTableCount] = {
    // Table 3-B.2a: 27 subbands
    {4, {kHighRateLow, kHighRateMid, kHighRateHigh, {4, 2, {0, 1, 16}}}},
    // Table 3-B.2b: 30 subbands
    {4, {kHighRateLow, kHighRateMid, kHighRateHigh, {7, 2, {0, 1, 16}}}},
    // Table 3-B.2c: 8 subbands
    {2, {kLowRateLow, {6, 3, {0, 1, 3, 4, 5, 6, 7}}}},
    // Table 3-B.2d: 12 subbands
    {2, {kLowRateLow, {10, 3, {0, 1, 3, 4, 5, 6, 7}}}},
    // MPEG-2 low sampling frequencies: 30 subbands
    {3,
     {{4, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {7, 3, {0, 1, 3, 4, 5, 6, 7}},
      {19, 2, {0, 1, 3}}}},
};

}  // namespace mp3dec
