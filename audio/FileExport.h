#pragma once
// Writes an exported file (a picture, a table) whole, through the atomic writer: an older file of that
// name is replaced only by a complete new one.

#include <string>
#include <string_view>

#include "audio/Result.h"

namespace tressel {

// Fails with "Could not open File" when the folder does not let us create the file, and with the
// platform-style file error when a write fails on the way (a full disk), as saving a wave does.
Result ExportFile(const std::string& path, std::string_view bytes);

}  // namespace tressel
