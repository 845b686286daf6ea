#pragma once
// Reaching the encoder module at run time: load it by name through the platform's search path and
// resolve its five entry points (and the optional sixth) into one table. The module stays loaded for the
// rest of the process.

#include <string>

#include "mp3enc/BladeEncInterface.h"

namespace tressel {

// The module's file name: the platform searches for it, beside the executable first (run path "$ORIGIN").
#if defined(_WIN32)
inline constexpr const char* kEncoderModuleName = "BLADEENC.DLL";
#else
inline constexpr const char* kEncoderModuleName = "libbladeenc.so";
#endif

class EncoderLibrary {
public:
    virtual ~EncoderLibrary() = default;
    // Loads the module (or raises its reference count); false when it cannot be found or loaded.
    virtual bool Load(const std::string& moduleName) = 0;
    // Fills all five entry points of the module loaded last, and the optional sixth when the module has it;
    // false when any of the five is missing.
    virtual bool Resolve(bladeenc::Functions& functions) = 0;
};

// The platform's loader (dlopen/dlsym; LoadLibraryA/GetProcAddress on Windows).
class SystemEncoderLibrary final : public EncoderLibrary {
public:
    bool Load(const std::string& moduleName) override;
    bool Resolve(bladeenc::Functions& functions) override;

private:
    void* m_module = nullptr;
};

}  // namespace tressel
