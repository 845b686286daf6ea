#pragma once
// A macro: a plain-text chain of commands to replay on audio, one per line.
//
//   # tape transfer: hum, clicks, level
//   fir hum-50hz.txt --original 0 --filtered 1 --channels 1,2
//   median 5 --channels 1,2
//   normalize               # each channel by its proposed gain
//   amplify 0.9 0.9
//   save {name}-clean.wav
//   encode {name}.mp3 --bitrate 192 --crc --original
//
// Words are separated by blanks; a word may be quoted ("..." with \" and \\ inside, or '...' taken as it
// stands). A "#" that starts a word starts a comment; blank lines are ignored. Each command takes the
// operands and options of the tressel-cli subcommand of the same name, without its input and output;
// save and encode take the name of the file they write, in which {name} (the input's name without its
// extension), {ext} and {dir} stand for parts of the input's name. Filter files named by a relative path
// lie beside the macro.

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "audio/Result.h"
#include "workbench/CommandSyntax.h"
#include "workbench/SampleSteps.h"

namespace tressel {

struct MacroFir {
    FirArguments arguments;                             // the taps file as written in the macro
    std::shared_ptr<const CFilterCoefficients> filter;  // read by LoadMacro
};

// save and encode: where the file goes, as a template over the input's name.
struct MacroSave {
    std::string nameTemplate;
};

struct MacroEncode {
    std::string nameTemplate;
    EncodeArguments encode;
};

using MacroCommand = std::variant<MacroFir, MedianStep, AmplifyStep, NormalizeStep, MacroSave, MacroEncode>;

struct MacroLine {
    int number = 0;  // 1-based line of the macro file
    MacroCommand command;
};

struct Macro {
    std::string path;  // as given; where relative filter files are looked for, and the name in messages
    std::vector<MacroLine> lines;
};

// Longest line and largest file a macro may have; anything longer is not a macro.
inline constexpr std::size_t kMaxMacroLineBytes = 4096;
inline constexpr std::size_t kMaxMacroFileBytes = 1 << 20;

// Parses the text of a macro named `path`, without touching any file. Every problem is reported as
// "PATH:LINE: what is wrong" (or "PATH: what is wrong" for the file as a whole).
Result ParseMacro(std::string_view text, const std::string& path, Macro& macro);

// Reads and parses the macro file and reads every filter file it names, so that a macro that cannot run
// fails before any audio is touched.
Result LoadMacro(const std::string& path, Macro& macro);

// The words of one macro line, quotes removed, comment dropped; fails with what is wrong on the line.
Result SplitMacroWords(std::string_view line, std::vector<std::string>& words);

}  // namespace tressel
