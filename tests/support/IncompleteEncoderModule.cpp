// An encoder module for the tests that exports four of the five entry points ("beVersion" is missing),
// so the export's check for the whole interface runs against the platform's real loader.

#include "mp3enc/BladeEncInterface.h"

using namespace tressel::bladeenc;

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

STUB_EXPORT Status beInitStream(const std::uint8_t*, std::uint32_t*, std::uint32_t*, StreamHandle*) {
    return 1;
}
STUB_EXPORT Status beEncodeChunk(StreamHandle, std::uint32_t, std::int16_t*, std::uint8_t*, std::uint32_t*) {
    return 1;
}
STUB_EXPORT Status beDeinitStream(StreamHandle, std::uint8_t*, std::uint32_t*) {
    return 1;
}
STUB_EXPORT Status beCloseStream(StreamHandle) {
    return 1;
}
