#pragma once
// The decoder's listed diagnostic texts. The file driver prints them to standard output or standard error
// as it always has; a caller that decodes for a purpose of its own (the command-line tool, a batch run
// with several decodes at once) takes them on its thread through a sink instead.

#include <functional>
#include <string>

namespace mp3dec {

enum class DiagnosticStream { output, error };

using DiagnosticSink = std::function<void(DiagnosticStream stream, const std::string& text)>;

// One diagnostic, formatted like printf (the text carries its own line end).
void diagnostic(DiagnosticStream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// While it lives, the calling thread's diagnostics go to `sink` instead of the standard streams.
class DiagnosticSinkScope {
public:
    explicit DiagnosticSinkScope(DiagnosticSink sink);
    ~DiagnosticSinkScope();
    DiagnosticSinkScope(const DiagnosticSinkScope&) = delete;
    DiagnosticSinkScope& operator=(const DiagnosticSinkScope&) = delete;

private:
    DiagnosticSink m_sink;
    const DiagnosticSink* m_saved;
};

}  // namespace mp3dec
