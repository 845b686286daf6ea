#include "cli/CliCommand.h"
#include "cli/FileMessages.h"
#include "workbench/CommandSyntax.h"

namespace tressel::cli {
namespace {

int RunEncode(const std::vector<std::string>& arguments, ConsoleFeedback& feedback) {
    EncodeArguments encode;
    std::vector<std::string> files;
    RequireValid(ParseEncodeArguments(arguments, {"an input", "an output file"}, encode, files));
    Workbench workbench(&feedback);
    FixedMp3Settings settings(encode.bitrateText, encode.flags);
    Result result = LoadInput(workbench, files[0], feedback);
    result.AndThen([&] { return AboutFile(files[1], workbench.SaveMp3(files[1], settings)); });
    return Finish(result, feedback);
}

const CliCommandRegistration registration({
    "encode",
    "encode IN OUT.mp3 [--bitrate TEXT] [--crc] [--copyright] [--private] [--original]",
    "  Saves IN as an MP3 file the way \"Save Audio\" does, with the \"MP3 Encoder\" dialog's choices given as\n"
    "  options: --bitrate takes the text of the bitrate box (default 128) and, like the box, accepts only\n"
    "  32 40 48 56 64 80 96 112 128 160 192 224 256 320 exactly as written; any other text is reported and\n"
    "  encodes at 128 (the file is still written and the status is 0). The flags set the CRC, copyright,\n"
    "  private and original bits of every frame. The encoder module libbladeenc.so is loaded from\n"
    "  lib/tressel/ of the installation (from beside the tool in a build tree). A failed export reports\n"
    "  and exits 1; a file of that name that existed before is kept, otherwise what was encoded up to the\n"
    "  failure is left.",
    RunEncode,
});

}  // namespace
}  // namespace tressel::cli
