// Macros: the parser's verdict on good and bad text, the text the window writes read back as the very
// same commands, output names, and how a batch run splits a collection and its cores.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/WaveBuilder.h"
#include "workbench/BatchRun.h"
#include "workbench/Macro.h"
#include "workbench/MacroRunner.h"
#include "workbench/MacroWriter.h"
#include "workbench/OutputNames.h"
#include "workbench/Overloaded.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

std::string Describe(const ChannelChoice& channels) {
    return ChannelChoiceText(channels);
}

// One line per command with every parameter, so a table can say what a macro means.
std::string Describe(const Macro& macro) {
    std::string text;
    for (const MacroLine& line : macro.lines) {
        text += std::to_string(line.number) + " ";
        text += std::visit(
            Overloaded{
                [](const MacroFir& fir) {
                    return "fir " + fir.arguments.tapsFile + " " + std::to_string(fir.arguments.levels.original) +
                           " " + std::to_string(fir.arguments.levels.filtered) + " " +
                           Describe(fir.arguments.channels);
                },
                [](const MedianStep& median) {
                    return "median " + std::to_string(median.length) + " " + Describe(median.channels);
                },
                [](const AmplifyStep& gains) {
                    return "amplify " + std::to_string(gains.gain1) + " " + std::to_string(gains.gain2);
                },
                [](const NormalizeStep&) { return std::string("normalize"); },
                [](const MacroSave& save) { return "save " + save.nameTemplate; },
                [](const MacroEncode& encode) {
                    const Mp3Flags& f = encode.encode.flags;
                    return "encode " + encode.nameTemplate + " " + encode.encode.bitrateText + " " +
                           std::to_string(f.crc) + std::to_string(f.copyright) + std::to_string(f.privateFlag) +
                           std::to_string(f.original);
                }},
            line.command);
        text += "\n";
    }
    return text;
}

struct ParseCase {
    std::string name;
    std::string text;
    std::string expected;  // Describe() of the macro, or the whole error message
};

}  // namespace

TEST(MacroTest, ParsesGoodTextAndNamesFileAndLineOfEveryProblem) {
    const std::vector<std::uint8_t> wave = BuildWave({}, {1, 2, 3, 4});
    const std::string wavImage(wave.begin(), wave.end());
    const std::vector<ParseCase> cases = {
        {"the example of the manual",
         "# tape transfer: hum, clicks, level\n"
         "fir hum-50hz.txt --original 0 --filtered 1 --channels 1,2\n"
         "median 5 --channels 1,2\n"
         "normalize               # each channel by its proposed gain\n"
         "amplify 0.9 0.9\n"
         "save {name}-clean.wav\n"
         "encode {name}.mp3 --bitrate 192 --crc --original\n",
         "2 fir hum-50hz.txt 0.000000 1.000000 1,2\n3 median 5 1,2\n4 normalize\n5 amplify 0.900000 0.900000\n"
         "6 save {name}-clean.wav\n7 encode {name}.mp3 192 1001\n"},
        {"defaults, quotes, CR LF, a # inside a word, options before operands",
         "\r\nfir \"my \\\"best\\\" taps.txt\"\r\n  median --channels 2 3\t# tab before the comment\r\n"
         "save 'a b#c.wav'\r\nsave x#y.WAV\nencode {dir}/{name}.{ext}.mp3 --private --copyright\n",
         "2 fir my \"best\" taps.txt 0.000000 1.000000 1,2\n3 median 3 2\n4 save a b#c.wav\n5 save x#y.WAV\n"
         "6 encode {dir}/{name}.{ext}.mp3 128 0110\n"},
        {"unknown command", "normalize\n\nplay loud\n", "m.txt:3: unknown command play"},
        {"missing operand", "fir\n", "m.txt:1: fir takes a filter file"},
        {"extra operand", "median 5 7\n", "m.txt:1: median takes a length"},
        {"missing gain", "amplify 1\n", "m.txt:1: amplify takes a gain for channel 1 and a gain for channel 2"},
        {"operand to normalize", "normalize 2\n", "m.txt:1: normalize takes no arguments"},
        {"bad whole number", "median five\n", "m.txt:1: LENGTH must be a whole number: five"},
        {"median length out of range", "median 35\n", "m.txt:1: Median length must be between 1 and 33"},
        {"bad gain", "amplify 1 x\n", "m.txt:1: GAIN2 must be a number: x"},
        {"gain that is no finite number", "amplify inf 1\n", "m.txt:1: GAIN1 must be a number: inf"},
        {"bad level", "fir t.txt --filtered 1e99\n", "m.txt:1: --filtered must be a number: 1e99"},
        {"unknown option", "fir t.txt --gain 2\n", "m.txt:1: unknown option --gain"},
        {"option without its value", "fir t.txt --original\n", "m.txt:1: --original needs a value"},
        {"bad channels", "median 3 --channels 3\n", "m.txt:1: --channels must be 1, 2 or 1,2: 3"},
        {"save to an MP3 name", "save out.mp3\n", "m.txt:1: save writes .wav files: out.mp3"},
        {"encode to a WAV name", "encode out.wav\n", "m.txt:1: encode writes .mp3 files: out.wav"},
        {"bitrate outside the list", "encode o.mp3 --bitrate 100\n",
         "m.txt:1: --bitrate must be one of 32 40 48 56 64 80 96 112 128 160 192 224 256 320: 100"},
        {"unknown placeholder", "save {nam}.wav\n", "m.txt:1: unknown placeholder {nam}; use {name}, {ext} or {dir}"},
        {"lone brace", "save {name.wav\n", "m.txt:1: a brace without its partner in {name.wav"},
        {"open quote", "save \"x.wav\n", "m.txt:1: a quote \" is not closed"},
        {"comments only", "# nothing\n\n   \n", "m.txt: holds no commands"},
        {"NUL byte", std::string("normalize\nfir a\0b\n", 17), "m.txt:2: byte 0x00 does not belong in a text file"},
        {"a 1 MB line", "normalize\n" + std::string(1000000, 'x') + "\n",
         "m.txt:2: line too long (1000000 bytes; at most 4096)"},
        {"a WAV file given as macro", wavImage, "m.txt:1: byte 0x00 does not belong in a text file"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        Macro macro;
        const Result parsed = ParseMacro(c.text, "m.txt", macro);
        EXPECT_EQ(parsed ? Describe(macro) : parsed.FailureText(), c.expected);
    }
}

TEST(MacroTest, LoadingReadsTheFiltersBesideTheMacroAndRefusesWhatCannotBeRead) {
    ScratchDir scratch;
    std::filesystem::create_directory(scratch.Path() / "macros");
    const std::string macroPath = scratch.File("macros/m.txt");
    WriteFileBytes(scratch.File("macros/taps.txt"), {'1', '.', '0', '\n', '2', '.', '0', '\n', '3', '.', '0', '\n'});
    const std::string text = "fir taps.txt\nfir " + scratch.File("macros/taps.txt") + "\n";
    WriteFileBytes(macroPath, std::vector<std::uint8_t>(text.begin(), text.end()));
    Macro macro;
    ASSERT_TRUE(LoadMacro(macroPath, macro));
    for (const MacroLine& line : macro.lines) {
        const auto& fir = std::get<MacroFir>(line.command);
        ASSERT_TRUE(fir.filter);
        EXPECT_EQ(fir.filter->GetCount(), 3);
    }

    const std::string missing = "normalize\nfir gone.txt\n";
    WriteFileBytes(macroPath, std::vector<std::uint8_t>(missing.begin(), missing.end()));
    EXPECT_EQ(LoadMacro(macroPath, macro).FailureText(),
              macroPath + ":2: Could not open file " + scratch.File("macros/gone.txt"));
    EXPECT_EQ(LoadMacro(scratch.File("none.txt"), macro).FailureText(), scratch.File("none.txt") + ": cannot be read");
}

// What "Save Commands as Macro..." writes reads back as the very commands that ran: every float level
// and double gain exactly, the boxes as they were, filter names however they are spelt.
TEST(MacroTest, WrittenCommandsReadBackExactly) {
    ScratchDir scratch;
    std::filesystem::create_directories(scratch.Path() / "work" / "filters");
    const std::string macroPath = scratch.File("work/m.txt");
    std::vector<std::string> tapFiles = {scratch.File("work/filters/a \"b\" #c.txt"), scratch.File("other.txt")};
    std::vector<SampleStep> steps;
    for (const std::string& file : tapFiles) {
        WriteFileBytes(file, {'0', '.', '5', '\n', '1', '.', '0', '\n', '0', '.', '5', '\n'});
        auto filter = std::make_shared<CFilterCoefficients>();
        ASSERT_TRUE(filter->Read(file));
        steps.push_back(FirStep{filter, {static_cast<float>(-13 * 0.05), static_cast<float>(7 * 0.05)}, {true, false}});
    }
    steps.push_back(MedianStep{33, {false, true}});
    steps.push_back(AmplifyStep{32767.0 / 16384.0, 1.0 / 3.0});
    steps.push_back(NormalizeStep{});
    steps.push_back(AmplifyStep{-0.0, 1e-300});
    WriteFileBytes(macroPath, {});
    ASSERT_TRUE(SaveMacro(macroPath, steps, "take\none.wav"));

    Macro macro;
    ASSERT_TRUE(LoadMacro(macroPath, macro));
    ASSERT_EQ(macro.lines.size(), steps.size());
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& fir = std::get<MacroFir>(macro.lines[i].command);
        EXPECT_EQ(std::filesystem::weakly_canonical(fir.filter->GetFileName()), tapFiles[i]);
        EXPECT_EQ(fir.arguments.levels.filtered, static_cast<float>(-13 * 0.05));
        EXPECT_EQ(fir.arguments.levels.original, static_cast<float>(7 * 0.05));
        EXPECT_EQ(fir.arguments.channels, (ChannelChoice{true, false}));
    }
    // Inside the macro's folder the name is relative, so both can move together; outside it is absolute.
    EXPECT_EQ(std::get<MacroFir>(macro.lines[0].command).arguments.tapsFile, "filters/a \"b\" #c.txt");
    EXPECT_EQ(std::get<MacroFir>(macro.lines[1].command).arguments.tapsFile, tapFiles[1]);
    EXPECT_EQ(std::get<MedianStep>(macro.lines[2].command).length, 33);
    EXPECT_EQ(std::get<MedianStep>(macro.lines[2].command).channels, (ChannelChoice{false, true}));
    EXPECT_EQ(std::get<AmplifyStep>(macro.lines[3].command).gain1, 32767.0 / 16384.0);
    EXPECT_EQ(std::get<AmplifyStep>(macro.lines[3].command).gain2, 1.0 / 3.0);
    EXPECT_TRUE(std::holds_alternative<NormalizeStep>(macro.lines[4].command));
    EXPECT_TRUE(std::signbit(std::get<AmplifyStep>(macro.lines[5].command).gain1));
    EXPECT_EQ(std::get<AmplifyStep>(macro.lines[5].command).gain2, 1e-300);
}

TEST(MacroTest, OutputNamesFollowTheInputAndTheChosenFolder) {
    struct NameCase {
        std::string nameTemplate, input, outFolder, expected;
    };
    const std::vector<NameCase> cases = {
        {"{name}-clean.wav", "in/take.wav", "", "in/take-clean.wav"},
        {"{name}-clean.wav", "take.MP3", "", "take-clean.wav"},
        {"{name}.mp3", "in/take.wav", "out", "out/take.mp3"},
        {"{ext}/{name}.wav", "in/take.mp3", "out", "out/mp3/take.wav"},
        {"{dir}/done/{name}.wav", "in/take.tar.wav", "out", "out/in/done/take.tar.wav"},
        {"/abs/{name}.wav", "in/take.wav", "out", "/abs/take.wav"},
        {"{name}{name}.wav", "/x/y/a.b", "", "/x/y/aa.wav"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(ExpandOutputName(c.nameTemplate, c.input, c.outFolder), c.expected) << c.nameTemplate;
    }
}

TEST(MacroTest, PlansRefuseOutputsThatOverwriteAnInputOrEachOther) {
    Macro macro;
    ASSERT_TRUE(ParseMacro("save {name}-clean.wav\nencode {name}-clean.mp3\n", "m.txt", macro));
    std::vector<BatchItem> plan;
    BatchOptions options;
    ASSERT_TRUE(PlanBatch(macro, {"a.wav", "b.mp3"}, options, plan));
    EXPECT_EQ(plan[1].outputs, (std::vector<std::string>{"b-clean.wav", "b-clean.mp3"}));
    EXPECT_EQ(PlanBatch(macro, {"a.wav", "a-clean.mp3"}, options, plan).FailureText(),
              "a-clean.mp3 would overwrite the input a-clean.mp3");
    EXPECT_EQ(PlanBatch(macro, {"x/a.wav", "y/a.wav"}, {"out"}, plan).FailureText(),
              "out/a-clean.wav would be written twice, for x/a.wav and for y/a.wav");
    EXPECT_EQ(PlanBatch(macro, {"a.wav", "./a.wav"}, options, plan).FailureText(),
              "a-clean.wav would be written twice, for a.wav and for ./a.wav");
    ASSERT_TRUE(ParseMacro("save {name}.wav\nsave {name}.wav\n", "m.txt", macro));
    EXPECT_EQ(PlanBatch(macro, {"in/a.mp3"}, options, plan).FailureText(),
              "in/a.wav would be written twice, for in/a.mp3 and for in/a.mp3");
}

// However a collection is cut, the shards together hold every input exactly once, in its order.
TEST(MacroTest, ShardsCoverEveryInputExactlyOnce) {
    Macro macro;
    ASSERT_TRUE(ParseMacro("save {name}-x.wav\n", "m.txt", macro));
    for (int inputs = 0; inputs <= 9; ++inputs) {
        std::vector<std::string> names;
        for (int i = 0; i < inputs; ++i) {
            names.push_back("f" + std::to_string(i) + ".wav");
        }
        for (int count = 1; count <= 5; ++count) {
            std::multiset<std::string> seen;
            for (int index = 1; index <= count; ++index) {
                BatchOptions options;
                ASSERT_TRUE(ParseShard(std::to_string(index) + "/" + std::to_string(count), options.shardIndex,
                                       options.shardCount));
                std::vector<BatchItem> plan;
                ASSERT_TRUE(PlanBatch(macro, names, options, plan));
                for (std::size_t k = 0; k < plan.size(); ++k) {
                    EXPECT_EQ(plan[k].input, names[static_cast<std::size_t>(index - 1) + k * count]);
                    seen.insert(plan[k].input);
                }
            }
            EXPECT_EQ(seen, std::multiset<std::string>(names.begin(), names.end()));
        }
    }
    int index = 0;
    int count = 0;
    for (const char* bad : {"0/3", "4/3", "1/0", "2", "a/b", "1/2/3", "-1/2"}) {
        EXPECT_FALSE(ParseShard(bad, index, count)) << bad;
    }
}

// Jobs and the threads inside them never ask for more than the cores, and always for at least one.
TEST(MacroTest, BatchJobsShareTheCoresWithTheOperationsInsideThem) {
    for (int cores = 1; cores <= 16; ++cores) {
        for (int requested = 0; requested <= 20; ++requested) {
            for (std::size_t inputs : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{100}}) {
                const BatchThreads threads = ShareCores(requested, inputs, cores);
                EXPECT_GE(threads.jobs, 1);
                EXPECT_GE(threads.threadsPerJob, 1);
                EXPECT_LE(threads.jobs, std::max<std::size_t>(inputs, 1));
                if (requested == 0 || requested <= cores) {
                    EXPECT_LE(threads.jobs * threads.threadsPerJob, cores);
                }
                if (requested > 0) {
                    EXPECT_LE(threads.jobs, requested);
                }
            }
        }
    }
    EXPECT_EQ(ShareCores(1, 20, 2).threadsPerJob, 2);
    EXPECT_EQ(ShareCores(2, 20, 2).threadsPerJob, 1);
}
