#pragma once
// The operands and options of the commands that tressel-cli subcommands and macro lines share. One parser
// serves both: a subcommand also takes its input and output files, a macro line does not (save and encode
// take their output), and what the options mean is the same everywhere.
//
//   fir TAPS [--original X] [--filtered Y] [--channels 1|2|1,2]
//   median LENGTH [--channels 1|2|1,2]
//   amplify GAIN1 GAIN2
//   normalize
//   save OUT.wav
//   encode OUT.mp3 [--bitrate TEXT] [--crc] [--copyright] [--private] [--original]

#include <string>
#include <vector>

#include "audio/Result.h"
#include "dsp/FirEngine.h"
#include "mp3enc/Mp3Settings.h"
#include "workbench/SampleSteps.h"

namespace tressel {

struct FirArguments {
    std::string tapsFile;
    dsp::MixLevels levels;  // --original (default 0), --filtered (default 1)
    ChannelChoice channels;
};

struct EncodeArguments {
    std::string bitrateText = std::string(kDefaultMp3BitrateText);
    Mp3Flags flags;
};

// `files` receives the file names that follow the operands; `fileNames` says what they are ("an input
// and an output"), for the message when their number is wrong. Failures carry a text for a usage message.
Result ParseFirArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                         FirArguments& arguments, std::vector<std::string>& files);
Result ParseMedianArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                            MedianStep& arguments, std::vector<std::string>& files);
Result ParseAmplifyArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                             AmplifyStep& arguments, std::vector<std::string>& files);
Result ParseEncodeArguments(const std::vector<std::string>& words, const std::vector<std::string>& fileNames,
                            EncodeArguments& arguments, std::vector<std::string>& files);
// Commands without operands or options (normalize, save): only their files.
Result ParseFilesOnly(const std::string& command, const std::vector<std::string>& words,
                      const std::vector<std::string>& fileNames, std::vector<std::string>& files);

// "1", "2", "1,2" or "2,1", as the main window's two check boxes.
Result ParseChannelChoice(const std::string& text, ChannelChoice& channels);
// The text ParseChannelChoice reads back as `channels` (both boxes cleared has none: "1,2" is given).
std::string ChannelChoiceText(ChannelChoice channels);

}  // namespace tressel
