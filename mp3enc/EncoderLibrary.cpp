#include "mp3enc/EncoderLibrary.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tressel {

namespace {

void* FindSymbol(void* module, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
    return ::dlsym(module, name);
#endif
}

// The loader answers with an object pointer; the entry point is a function pointer of the same size.
template <typename Function>
bool ResolveOne(void* module, const char* name, Function& function) {
    void* symbol = FindSymbol(module, name);
    if (!symbol) {
        return false;
    }
    static_assert(sizeof(Function) == sizeof(void*));
    std::memcpy(&function, &symbol, sizeof function);
    return true;
}

}  // namespace

bool SystemEncoderLibrary::Load(const std::string& moduleName) {
#if defined(_WIN32)
    m_module = reinterpret_cast<void*>(LoadLibraryA(moduleName.c_str()));
#else
    m_module = ::dlopen(moduleName.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    return m_module != nullptr;
}

bool SystemEncoderLibrary::Resolve(bladeenc::Functions& functions) {
    if (!m_module) {
        return false;
    }
    bladeenc::Functions found;
    const bool complete = ResolveOne(m_module, bladeenc::kInitStreamName, found.initStream) &&
                          ResolveOne(m_module, bladeenc::kEncodeChunkName, found.encodeChunk) &&
                          ResolveOne(m_module, bladeenc::kDeinitStreamName, found.deinitStream) &&
                          ResolveOne(m_module, bladeenc::kCloseStreamName, found.closeStream) &&
                          ResolveOne(m_module, bladeenc::kVersionName, found.version);
    if (complete) {
        ResolveOne(m_module, bladeenc::kWriteInfoTagName, found.writeInfoTag);  // optional
        functions = found;
    }
    return complete;
}

}  // namespace tressel
