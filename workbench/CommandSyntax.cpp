#include "workbench/CommandSyntax.h"

#include "workbench/Arguments.h"

namespace tressel {

namespace {

// "a filter file, an input and an output"
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " and " : ", ";
        }
        text += names[i];
    }
    return text.empty() ? "no arguments" : text;
}

// Splits the words into options and positionals and checks that there are exactly the operands and
// files expected.
Result SplitWords(const std::string& command, const std::vector<std::string>& words, const OptionTable& table,
                  const std::vector<std::string>& operandNames, const std::vector<std::string>& fileNames,
                  ParsedArguments& parsed, std::vector<std::string>& files) {
    if (Result split = ParseArguments(words, table, parsed); !split) {
        return split;
    }
    if (parsed.positionals.size() != operandNames.size() + fileNames.size()) {
        std::vector<std::string> all = operandNames;
        all.insert(all.end(), fileNames.begin(), fileNames.end());
        return Result::Failure(command + " takes " + Listed(all));
    }
    files.assign(parsed.positionals.begin() + static_cast<std::ptrdiff_t>(operandNames.size()),
                 parsed.positionals.end());
    return {};
}

}  // namespace

Result ParseChannelChoice(const std::string& text, ChannelChoice& channels) {
    if (text == "1") {
        channels = {true, false};
    } else if (text == "2") {
        channels = {false, true};
    } else if (text == "1,2" || text == "2,1") {
        channels = {true, true};
    } else {
        return Result::Failure("--channels must be 1, 2 or 1,2: " + text);
    }
    return {};
}

std::string ChannelChoiceText(ChannelChoice channels) {
    if (channels.channel1 != channels.channel2) {
        return channels.channel1 ? "1" : "2";
    }
    return "1,2";
}

Result ParseFirArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                         FirArguments& arguments, std::vector<std::string>& files) {
    ParsedArguments parsed;
    Result result = SplitWords("fir", words, {{"--original", "--filtered", "--channels"}, {}}, {"a filter file"},
                               fileNames, parsed, files);
    if (!result) {
        return result;
    }
    arguments.tapsFile = parsed.positionals[0];
    result.Append(ParseLevel(parsed.Value("--original", "0"), "--original", arguments.levels.original));
    if (result) {
        result.Append(ParseLevel(parsed.Value("--filtered", "1"), "--filtered", arguments.levels.filtered));
    }
    if (result) {
        result.Append(ParseChannelChoice(parsed.Value("--channels", "1,2"), arguments.channels));
    }
    return result;
}

Result ParseMedianArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                            MedianStep& arguments, std::vector<std::string>& files) {
    ParsedArguments parsed;
    Result result = SplitWords("median", words, {{"--channels"}, {}}, {"a length"}, fileNames, parsed, files);
    if (result) {
        result.Append(ParseWholeNumber(parsed.positionals[0], "LENGTH", arguments.length));
    }
    if (result) {
        result.Append(ParseChannelChoice(parsed.Value("--channels", "1,2"), arguments.channels));
    }
    return result;
}

Result ParseAmplifyArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                             AmplifyStep& arguments, std::vector<std::string>& files) {
    ParsedArguments parsed;
    Result result = SplitWords("amplify", words, {}, {"a gain for channel 1", "a gain for channel 2"}, fileNames,
                               parsed, files);
    if (result) {
        result.Append(ParseNumber(parsed.positionals[0], "GAIN1", arguments.gain1));
    }
    if (result) {
        result.Append(ParseNumber(parsed.positionals[1], "GAIN2", arguments.gain2));
    }
    return result;
}

Result ParseEncodeArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                            EncodeArguments& arguments, std::vector<std::string>& files) {
    ParsedArguments parsed;
    Result result = SplitWords("encode", words, {{"--bitrate"}, {"--crc", "--copyright", "--private", "--original"}},
                               {}, fileNames, parsed, files);
    if (!result) {
        return result;
    }
    arguments.bitrateText = parsed.Value("--bitrate", std::string(kDefaultMp3BitrateText));
    arguments.flags.crc = parsed.Has("--crc");
    arguments.flags.copyright = parsed.Has("--copyright");
    arguments.flags.privateFlag = parsed.Has("--private");
    arguments.flags.original = parsed.Has("--original");
    return result;
}

Result ParseFilesOnly(const std::string& command, const std::vector<std::string>& words,
                      const std::vector<std::string>& fileNames, std::vector<std::string>& files) {
    ParsedArguments parsed;
    return SplitWords(command, words, {}, {}, fileNames, parsed, files);
}

}  // namespace tressel
