#include "workbench/ListeningReference.h"

#include "workbench/Workbench.h"

namespace tressel {

namespace {

std::span<const std::uint8_t> ImageOf(const WorkState* state) {
    return state ? std::span<const std::uint8_t>(state->image) : std::span<const std::uint8_t>();
}

std::span<const std::uint8_t> CurrentImage(const Workbench& workbench) {
    const CWave& wave = workbench.Wave();
    return wave.IsLoaded() ? std::span<const std::uint8_t>(wave.GetImage(), wave.GetImageLength())
                           : std::span<const std::uint8_t>();
}

}  // namespace

std::span<const std::uint8_t> ReferenceImage(const Workbench& workbench, ListeningReference which) {
    // No command since the load (or all of them undone): the wave is as loaded, and nothing came before.
    if (workbench.AppliedSteps().empty()) {
        return CurrentImage(workbench);
    }
    const History* history = workbench.GetHistory();
    if (!history) {
        return {};
    }
    if (which == ListeningReference::BeforeLastCommand) {
        return ImageOf(history->NewestUndo());
    }
    const WorkState* oldest = history->OldestUndo();
    return oldest && oldest->applied.empty() ? ImageOf(oldest) : std::span<const std::uint8_t>();
}

}  // namespace tressel
