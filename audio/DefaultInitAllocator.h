#pragma once
// An allocator under which resizing a vector leaves the new elements default-initialised, that is
// uninitialised for plain bytes. For buffers that are filled straight afterwards: zero-filling a large
// buffer first makes every page fault in from user space before the read copies the same bytes over it.

#include <memory>
#include <new>
#include <utility>

namespace tressel {

template <typename T>
class DefaultInitAllocator : public std::allocator<T> {
public:
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };

    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};

}  // namespace tressel
