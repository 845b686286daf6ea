#pragma once
// Zero-filled allocation for the decoder's working storage. A failure prints "Unable to allocate <name>"
// to standard output and stops the decoder.

#include <cstddef>

namespace mp3dec {

void* checked_alloc(std::size_t size, const char* name);
// Frees the block and sets the pointer to null.
void checked_free(void*& block);

template <typename T>
T* checked_alloc_as(const char* name) {
    return static_cast<T*>(checked_alloc(sizeof(T), name));
}

template <typename T>
void checked_free_as(T*& block) {
    void* raw = block;
    checked_free(raw);
    block = nullptr;
}

}  // namespace mp3dec
