#include "mp3dec/checked_alloc.h"

#include <cstdio>
#include <cstdlib>

#include "mp3dec/decoder_stop.h"
#include "mp3dec/diagnostics.h"

namespace mp3dec {

void* checked_alloc(std::size_t size, const char* name) {
    void* block = std::calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr) {
        diagnostic(DiagnosticStream::output, "Unable to allocate %s\n", name);
        stop_decoder();
    }
    return block;
}

void checked_free(void*& block) {
    std::free(block);
    block = nullptr;
}

}  // namespace mp3dec
