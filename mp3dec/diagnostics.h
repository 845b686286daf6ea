#pragma once
// The decoder's messages. Each names the standard stream the file driver prints it on, so that a caller
// decoding into memory can keep them, show them, or print them exactly as the file driver does.

#include <functional>
#include <string>

namespace mp3dec {

enum class DiagnosticStream { standard_output, standard_error };

struct Diagnostic {
    DiagnosticStream stream = DiagnosticStream::standard_output;
    std::string text;  // complete, with its line end

    bool operator==(const Diagnostic&) const = default;
};

using DiagnosticFn = std::function<void(const Diagnostic&)>;

// Writes the message to the stream it names (what the file driver does with every message).
void print_diagnostic(const Diagnostic& diagnostic);

// printf-style formatting into a message.
Diagnostic format_diagnostic(DiagnosticStream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace mp3dec
