// Arbitrary bytes as a macro. A parse either fails with one "m.txt:LINE: ..." (or "m.txt: ...") message
// naming a line that exists, or gives commands that can all run: lengths, bitrates and output names the
// commands accept, finite numbers, line numbers in order. Every word reads back unchanged once quoted,
// and the sample commands written out as "Save Commands as Macro..." writes them parse back to the very
// same values.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/Median.h"
#include "fuzz/FuzzSupport.h"
#include "workbench/AudioFiles.h"
#include "workbench/Macro.h"
#include "workbench/MacroWriter.h"
#include "workbench/OutputNames.h"

using namespace tressel;
using namespace tressel::fuzz;

namespace {

std::size_t LineCount(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

void CheckFailure(const Result& parsed, std::string_view text) {
    const std::string message = parsed.FailureText();
    FUZZ_CHECK(message.rfind("m.txt:", 0) == 0);
    FUZZ_CHECK(message.find('\n') == std::string::npos);
    if (message == "m.txt: holds no commands") {
        return;
    }
    const std::size_t colon = message.find(':', 6);
    FUZZ_CHECK(colon != std::string::npos);
    const unsigned long line = std::stoul(message.substr(6, colon - 6));
    FUZZ_CHECK(line >= 1 && line <= LineCount(text));
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every command of a good macro is one that can run.
void CheckRunnable(const Macro& macro, std::string_view text) {
    FUZZ_CHECK(!macro.lines.empty());
    int previous = 0;
    for (const MacroLine& line : macro.lines) {
        FUZZ_CHECK(line.number > previous && static_cast<std::size_t>(line.number) <= LineCount(text));
        previous = line.number;
        if (const auto* fir = std::get_if<MacroFir>(&line.command)) {
            FUZZ_CHECK(std::isfinite(fir->arguments.levels.filtered) && std::isfinite(fir->arguments.levels.original));
        } else if (const auto* median = std::get_if<MedianStep>(&line.command)) {
            FUZZ_CHECK(median->length >= 1 && median->length <= kMaxMedianLength);
        } else if (const auto* gains = std::get_if<AmplifyStep>(&line.command)) {
            FUZZ_CHECK(std::isfinite(gains->gain1) && std::isfinite(gains->gain2));
        } else if (const auto* save = std::get_if<MacroSave>(&line.command)) {
            FUZZ_CHECK(CheckNameTemplate(save->nameTemplate) && LowerCaseExtension(save->nameTemplate) == "wav");
        } else if (const auto* encode = std::get_if<MacroEncode>(&line.command)) {
            FUZZ_CHECK(CheckNameTemplate(encode->nameTemplate) && LowerCaseExtension(encode->nameTemplate) == "mp3");
            FUZZ_CHECK(std::find(kMp3BitrateTexts.begin(), kMp3BitrateTexts.end(), encode->encode.bitrateText) !=
                       kMp3BitrateTexts.end());
        }
    }
}

// The sample commands as the window records them, written out and read back.
void CheckWrittenStepsReadBack(const Macro& macro, const std::shared_ptr<const CFilterCoefficients>& filter) {
    std::vector<SampleStep> steps;
    for (const MacroLine& line : macro.lines) {
        if (const auto* fir = std::get_if<MacroFir>(&line.command)) {
            steps.push_back(FirStep{filter, fir->arguments.levels, fir->arguments.channels});
        } else if (const auto* median = std::get_if<MedianStep>(&line.command)) {
            steps.push_back(*median);
        } else if (const auto* gains = std::get_if<AmplifyStep>(&line.command)) {
            steps.push_back(*gains);
        } else if (std::holds_alternative<NormalizeStep>(line.command)) {
            steps.push_back(NormalizeStep{});
        }
    }
    if (steps.empty()) {
        return;
    }
    Macro written;
    FUZZ_CHECK(ParseMacro(MacroText(steps, "m.txt", "audio\nname.wav"), "m.txt", written));
    FUZZ_CHECK(written.lines.size() == steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const MacroCommand& back = written.lines[i].command;
        if (const auto* fir = std::get_if<FirStep>(&steps[i])) {
            const auto& read = std::get<MacroFir>(back).arguments;
            FUZZ_CHECK(SameBits(read.levels.filtered, fir->levels.filtered));
            FUZZ_CHECK(SameBits(read.levels.original, fir->levels.original));
            FUZZ_CHECK(read.channels == fir->channels);
        } else if (const auto* median = std::get_if<MedianStep>(&steps[i])) {
            FUZZ_CHECK(std::get<MedianStep>(back).length == median->length);
            FUZZ_CHECK(std::get<MedianStep>(back).channels == median->channels);
        } else if (const auto* gains = std::get_if<AmplifyStep>(&steps[i])) {
            FUZZ_CHECK(SameBits(std::get<AmplifyStep>(back).gain1, gains->gain1));
            FUZZ_CHECK(SameBits(std::get<AmplifyStep>(back).gain2, gains->gain2));
        } else {
            FUZZ_CHECK(std::holds_alternative<NormalizeStep>(back));
        }
    }
}

// Every word of every line, quoted as the writer quotes it, reads back as that one word.
void CheckWordsReadBackQuoted(std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::vector<std::string> words;
        if (SplitMacroWords(text.substr(start, end - start), words)) {
            for (const std::string& word : words) {
                std::vector<std::string> again;
                FUZZ_CHECK(SplitMacroWords(QuotedWord(word), again));
                FUZZ_CHECK(again.size() == 1 && again[0] == word);
            }
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile tapsFile("taps.txt");
    static const std::shared_ptr<const CFilterCoefficients> filter = [] {
        const std::uint8_t taps[] = "0.25\n0.5\n0.25\n";
        tapsFile.Write(taps, sizeof taps - 1);
        auto set = std::make_shared<CFilterCoefficients>();
        FUZZ_CHECK(set->Read(tapsFile.Path()));
        return set;
    }();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Macro macro;
    const Result parsed = ParseMacro(text, "m.txt", macro);
    if (!parsed) {
        CheckFailure(parsed, text);
    } else {
        CheckRunnable(macro, text);
        CheckWrittenStepsReadBack(macro, filter);
    }
    CheckWordsReadBackQuoted(text);
    return 0;
}
