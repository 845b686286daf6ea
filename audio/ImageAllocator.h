#pragma once
// The allocator of the wave image, which one read fills straight after it is sized. Resizing leaves the
// new bytes as they are: zero-filling first would fault every page in from user space before the read
// copies the same bytes over it. The bytes start on a cache-line boundary: the system copies file pages
// into such a buffer markedly faster than into the 16-byte offset of a plain large allocation.

#include <cstddef>
#include <new>
#include <cstdint>
#include <utility>
#include <vector>

namespace tressel {

template <typename T>
class ImageAllocator {
public:
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};

    ImageAllocator() noexcept = default;
    template <typename U>
    ImageAllocator(const ImageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return static_cast<T*>(::operator new(count * sizeof(T), kAlignment)); }
    void deallocate(T* first, std::size_t) noexcept { ::operator delete(first, kAlignment); }

    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }

    template <typename U>
    bool operator==(const ImageAllocator<U>&) const noexcept {
        return true;
    }
};

// The bytes of a WAV file as the wave holds them.
using WaveImage = std::vector<std::uint8_t, ImageAllocator<std::uint8_t>>;

}  // namespace tressel
