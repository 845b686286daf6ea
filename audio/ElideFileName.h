#pragma once
#include <string>

namespace tressel {

// The text the read-outs show for a file name: long paths become "..." and at most their last 60
// characters, cut at a directory separator ('/' or '\') when that still leaves at least 20 characters.
std::string ElideFileName(const std::string& text);

}  // namespace tressel
