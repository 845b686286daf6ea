#include "workbench/Macro.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "dsp/Median.h"
#include "workbench/AudioFiles.h"
#include "workbench/OutputNames.h"

namespace tressel {

namespace {

using Words = std::vector<std::string>;
using CommandParser = std::function<Result(const Words& words, MacroCommand& command)>;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// A byte no text file holds: NUL and the control characters other than the blanks.
bool IsForeignByte(unsigned char c) {
    return (c < 0x20 && !IsBlank(static_cast<char>(c))) || c == 0x7F;
}

std::string Hex(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

Result CheckExtension(const std::string& command, const std::string& name, const std::string& extension) {
    if (LowerCaseExtension(name) != extension) {
        return Result::Failure(command + " writes ." + extension + " files: " + name);
    }
    return {};
}

Result CheckBitrate(const std::string& text) {
    for (const std::string_view entry : kMp3BitrateTexts) {
        if (text == entry) {
            return {};
        }
    }
    std::string list;
    for (const std::string_view entry : kMp3BitrateTexts) {
        list += (list.empty() ? "" : " ") + std::string(entry);
    }
    return Result::Failure("--bitrate must be one of " + list + ": " + text);
}

Result ParseFir(const Words& words, MacroCommand& command) {
    MacroFir fir;
    Words files;
    Result parsed = ParseFirArguments(words, {}, fir.arguments, files);
    command = fir;
    return parsed;
}

// A command whose operands and options fill its step directly, as `parse` reads them.
template <typename Step, typename Parse>
Result ParseStep(const Words& words, MacroCommand& command, Parse parse) {
    Step step;
    Words files;
    Result parsed = parse(words, Words{}, step, files);
    command = step;
    return parsed;
}

Result ParseMedian(const Words& words, MacroCommand& command) {
    Result parsed = ParseStep<MedianStep>(words, command, ParseMedianArguments);
    // A length the median refuses would fail every file the macro meets.
    const int length = std::get<MedianStep>(command).length;
    if (parsed && (length < 1 || length > kMaxMedianLength)) {
        parsed = Result::Failure("Median length must be between 1 and 33");
    }
    return parsed;
}

Result ParseAmplify(const Words& words, MacroCommand& command) {
    return ParseStep<AmplifyStep>(words, command, ParseAmplifyArguments);
}

Result ParseNormalize(const Words& words, MacroCommand& command) {
    Words files;
    command = NormalizeStep{};
    return ParseFilesOnly("normalize", words, {}, files);
}

Result ParseSave(const Words& words, MacroCommand& command) {
    Words files;
    Result parsed = ParseFilesOnly("save", words, {"a file name"}, files);
    parsed.AndThen([&] { return CheckNameTemplate(files[0]); });
    parsed.AndThen([&] { return CheckExtension("save", files[0], "wav"); });
    command = MacroSave{parsed ? files[0] : std::string()};
    return parsed;
}

Result ParseEncode(const Words& words, MacroCommand& command) {
    MacroEncode encode;
    Words files;
    Result parsed = ParseEncodeArguments(words, {"a file name"}, encode.encode, files);
    parsed.AndThen([&] { return CheckNameTemplate(files[0]); });
    parsed.AndThen([&] { return CheckExtension("encode", files[0], "mp3"); });
    // Every file would be told the same; better said once, before anything runs.
    parsed.AndThen([&] { return CheckBitrate(encode.encode.bitrateText); });
    if (parsed) {
        encode.nameTemplate = files[0];
    }
    command = encode;
    return parsed;
}

const std::map<std::string, CommandParser, std::less<>>& Parsers() {
    static const std::map<std::string, CommandParser, std::less<>> parsers = {
        {"fir", ParseFir},           {"median", ParseMedian}, {"amplify", ParseAmplify},
        {"normalize", ParseNormalize}, {"save", ParseSave},     {"encode", ParseEncode},
    };
    return parsers;
}

// Checks the bytes of one line before its words are looked at.
Result CheckLineBytes(std::string_view line) {
    if (line.size() > kMaxMacroLineBytes) {
        return Result::Failure("line too long (" + std::to_string(line.size()) + " bytes; at most " +
                               std::to_string(kMaxMacroLineBytes) + ")");
    }
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsForeignByte(byte)) {
            return Result::Failure("byte " + Hex(byte) + " does not belong in a text file");
        }
    }
    return {};
}

Result ParseLine(std::string_view line, std::vector<MacroLine>& lines, int number) {
    Words words;
    Result parsed = CheckLineBytes(line);
    parsed.AndThen([&] { return SplitMacroWords(line, words); });
    if (!parsed || words.empty()) {
        return parsed;
    }
    const auto parser = Parsers().find(words[0]);
    if (parser == Parsers().end()) {
        return Result::Failure("unknown command " + words[0]);
    }
    MacroLine macroLine;
    macroLine.number = number;
    parsed = parser->second(Words(words.begin() + 1, words.end()), macroLine.command);
    if (parsed) {
        lines.push_back(std::move(macroLine));
    }
    return parsed;
}

Result AtLine(const std::string& path, int number, const Result& problem) {
    return Result::Failure(path + ":" + std::to_string(number) + ": " + problem.FailureText());
}

// A quoted word from `at` (on its opening quote) to past its closing quote.
Result ReadQuoted(std::string_view line, std::size_t& at, std::string& word) {
    const char quote = line[at++];
    while (at < line.size() && line[at] != quote) {
        if (quote == '"' && line[at] == '\\' && at + 1 < line.size() &&
            (line[at + 1] == '"' || line[at + 1] == '\\')) {
            ++at;
        }
        word += line[at++];
    }
    if (at >= line.size()) {
        return Result::Failure(std::string("a quote ") + quote + " is not closed");
    }
    ++at;
    return {};
}

}  // namespace

Result SplitMacroWords(std::string_view line, std::vector<std::string>& words) {
    words.clear();
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && IsBlank(line[at])) {
            ++at;
        }
        if (at >= line.size() || line[at] == '#') {
            return {};
        }
        std::string word;
        while (at < line.size() && !IsBlank(line[at])) {
            if (line[at] == '"' || line[at] == '\'') {
                if (Result quoted = ReadQuoted(line, at, word); !quoted) {
                    return quoted;
                }
            } else {
                word += line[at++];
            }
        }
        words.push_back(std::move(word));
    }
}

Result ParseMacro(std::string_view text, const std::string& path, Macro& macro) {
    macro = Macro{path, {}};
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        ++number;
        if (Result parsed = ParseLine(line, macro.lines, number); !parsed) {
            return AtLine(path, number, parsed);
        }
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
    if (macro.lines.empty()) {
        return Result::Failure(path + ": holds no commands");
    }
    return {};
}

Result LoadMacro(const std::string& path, Macro& macro) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return Result::Failure(path + ": cannot be read");
    }
    if (size > kMaxMacroFileBytes) {
        return Result::Failure(path + ": too large for a macro (more than " + std::to_string(kMaxMacroFileBytes) +
                               " bytes)");
    }
    std::string text(size, '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const bool read = file && std::fread(text.data(), 1, text.size(), file) == text.size();
    if (file) {
        std::fclose(file);
    }
    if (!read) {
        return Result::Failure(path + ": cannot be read");
    }
    if (Result parsed = ParseMacro(text, path, macro); !parsed) {
        return parsed;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (MacroLine& line : macro.lines) {
        if (auto* fir = std::get_if<MacroFir>(&line.command)) {
            const std::string taps = (folder / fir->arguments.tapsFile).string();
            auto filter = std::make_shared<CFilterCoefficients>();
            if (!filter->Read(taps)) {
                return AtLine(path, line.number, Result::Failure("Could not open file " + taps));
            }
            fir->filter = std::move(filter);
        }
    }
    return {};
}

}  // namespace tressel
