#pragma once
// Writes an exported file (a picture, a table) whole, through the atomic writer: an older file of that
// name is replaced only by a complete new one.

#include <string>
#include <string_view>

#include "audio/Feedback.h"

namespace tressel {

// False after "Could not open File" when the folder does not let us create the file. A write that fails
// on the way (a full disk) is reported with the platform-style file error and ends the command
// (CommandAborted), like saving a wave.
bool ExportFile(const std::string& path, std::string_view bytes, Feedback& feedback);

}  // namespace tressel
