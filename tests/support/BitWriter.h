#pragma once
// Writes bit fields most significant bit first, the order of MPEG audio streams.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tressel::testing {

class BitWriter {
public:
    void Put(std::uint32_t value, int width) {
        for (int bit = width - 1; bit >= 0; --bit) {
            if (m_bits % 8 == 0) bytes.push_back(0);
            if ((value >> bit) & 1u) bytes.back() |= static_cast<std::uint8_t>(0x80u >> (m_bits % 8));
            ++m_bits;
        }
    }
    std::size_t Bits() const { return m_bits; }
    std::vector<std::uint8_t> bytes;

private:
    std::size_t m_bits = 0;
};

}  // namespace tressel::testing
