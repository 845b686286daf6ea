#include "mp3dec/diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace mp3dec {

void print_diagnostic(const Diagnostic& diagnostic) {
    std::FILE* stream = diagnostic.stream == DiagnosticStream::standard_error ? stderr : stdout;
    std::fputs(diagnostic.text.c_str(), stream);
}

Diagnostic format_diagnostic(DiagnosticStream stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    Diagnostic diagnostic{stream, std::string(length > 0 ? static_cast<std::size_t>(length) : 0u, '\0')};
    if (length > 0) std::vsnprintf(diagnostic.text.data(), diagnostic.text.size() + 1, format, arguments);
    va_end(arguments);
    return diagnostic;
}

}  // namespace mp3dec
