#pragma once
// What A/B listening compares the current samples with: the audio as it was loaded, or as it was before
// the last command. Both come from the history's kept copies, or from the wave itself when no command
// stands between it and that state.

#include <cstdint>
#include <span>

namespace tressel {

class Workbench;

enum class ListeningReference { AsLoaded, BeforeLastCommand };

// The whole RIFF/WAVE image of that state; empty when the history no longer keeps it (dropped for its
// bounds or cut short) or nothing is loaded. The span is valid until the next command, undo or redo.
std::span<const std::uint8_t> ReferenceImage(const Workbench& workbench, ListeningReference which);

}  // namespace tressel
