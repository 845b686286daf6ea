#include "mp3dec/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace mp3dec {

namespace {

thread_local const DiagnosticSink* t_sink = nullptr;

std::string format_text(const char* format, std::va_list arguments) {
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0) return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

}  // namespace

void diagnostic(DiagnosticStream stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    if (t_sink != nullptr) {
        const std::string text = format_text(format, arguments);
        va_end(arguments);
        (*t_sink)(stream, text);
        return;
    }
    std::vfprintf(stream == DiagnosticStream::output ? stdout : stderr, format, arguments);
    va_end(arguments);
}

DiagnosticSinkScope::DiagnosticSinkScope(DiagnosticSink sink) : m_sink(std::move(sink)), m_saved(t_sink) {
    t_sink = &m_sink;
}

DiagnosticSinkScope::~DiagnosticSinkScope() {
    t_sink = m_saved;
}

}  // namespace mp3dec
