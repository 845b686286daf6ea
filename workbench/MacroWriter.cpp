#include "workbench/MacroWriter.h"

#include <charconv>
#include <filesystem>

#include "audio/AtomicFileWriter.h"
#include "audio/Feedback.h"
#include "workbench/CommandSyntax.h"
#include "workbench/Overloaded.h"

namespace tressel {

namespace {

// The shortest text that reads back as exactly this value (a level is a float, a gain a double).
template <typename Number>
std::string ExactNumber(Number value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string FilterName(const CFilterCoefficients& filter, const std::string& macroPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path taps = fs::absolute(filter.GetFileName(), error).lexically_normal();
    const fs::path folder = fs::absolute(fs::path(macroPath).parent_path(), error).lexically_normal();
    const fs::path relative = taps.lexically_relative(folder);
    const bool inside = !relative.empty() && *relative.begin() != "..";
    return (inside ? relative : taps).string();
}

std::string Line(const SampleStep& step, const std::string& macroPath) {
    return std::visit(
        Overloaded{
            [&](const FirStep& fir) {
                return "fir " + QuotedWord(FilterName(*fir.filter, macroPath)) + " --original " +
                       ExactNumber(fir.levels.original) + " --filtered " + ExactNumber(fir.levels.filtered) +
                       " --channels " + ChannelChoiceText(fir.channels);
            },
            [](const MedianStep& median) {
                return "median " + std::to_string(median.length) + " --channels " + ChannelChoiceText(median.channels);
            },
            [](const AmplifyStep& gains) {
                return "amplify " + ExactNumber(gains.gain1) + " " + ExactNumber(gains.gain2);
            },
            [](const NormalizeStep&) { return std::string("normalize"); }},
        step);
}

}  // namespace

std::string QuotedWord(const std::string& word) {
    const bool plain = !word.empty() && word.front() != '#' &&
                       word.find_first_of(" \t\r\f\v\"'\\") == std::string::npos;
    if (plain) {
        return word;
    }
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string MacroText(const std::vector<SampleStep>& steps, const std::string& macroPath,
                      const std::string& audioName) {
    std::string name = audioName;
    for (char& c : name) {
        c = static_cast<unsigned char>(c) < 0x20 ? '?' : c;  // the comment must stay on its line
    }
    std::string text = "# Tressel macro: the commands applied to " + name + "\n";
    for (const SampleStep& step : steps) {
        text += Line(step, macroPath) + "\n";
    }
    return text;
}

Result SaveMacro(const std::string& path, const std::vector<SampleStep>& steps, const std::string& audioName) {
    const std::string text = MacroText(steps, path, audioName);
    AtomicFileWriter writer(path);
    if (!writer.Open()) {
        return Result::Failure("Could not open File");
    }
    if (!writer.Write(text.data(), text.size()) || !writer.Commit()) {
        return FileError(writer.LastError(), path);
    }
    return {};
}

}  // namespace tressel
