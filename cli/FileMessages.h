#pragma once
// A command-line tool names the file each of its messages is about ("tressel-cli: lowpass.txt: Could not
// open file"): several files take part in one command, and a script's log must say which one failed.

#include <string>

#include "audio/Result.h"
#include "workbench/AudioFiles.h"

namespace tressel::cli {

// The same result with "PATH: " before the text of every message that does not name PATH already (the
// platform's file errors do: "Access to PATH was denied.").
Result AboutFile(const std::string& path, const Result& result);

// What a command does before it reads PATH as `expected`: a file whose first bytes show the other audio
// format fails with `failureText` and a note saying what was found, so a WAV image never goes through the
// MP3 decoder and the reverse. Contents of neither kind are left to the reader to refuse.
Result CheckAudioKind(const std::string& path, AudioFileKind expected, const std::string& failureText);

}  // namespace tressel::cli
