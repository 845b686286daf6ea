#pragma once
// Undo and redo over the sample commands: whole copies of the wave's image, so a step goes back to the
// exact bytes it came from. Undo and redo trade the kept copy with the wave's bytes in place, so moving
// through the history needs no memory beyond the copies already kept.
//
// The copies are bounded: at most `maxSteps` undo steps and `maxBytes` of kept images in all, the oldest
// dropped first. A step whose copy cannot be had (too large for the bound, or no memory) still runs; the
// history then forgets what came before it and says so through CutShort(), so no undo leads astray.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "workbench/SampleSteps.h"

namespace tressel {

// One state of the work: the wave's image with what the workbench knows about it.
struct WorkState {
    std::vector<std::uint8_t> image;
    std::uint64_t revision = 0;
    std::vector<SampleStep> applied;
};

struct HistoryLimits {
    std::size_t maxSteps = 16;
    std::size_t maxBytes = std::size_t{1} << 30;
};

class History {
public:
    explicit History(HistoryLimits limits = {}) : m_limits(limits) {}

    // A command is about to change the state: a copy of it is taken now, false when it cannot be had.
    // Nothing is recorded until Commit.
    bool Prepare(const std::uint8_t* image, std::size_t length, std::uint64_t revision,
                 const std::vector<SampleStep>& applied);
    // The command changed the state: the prepared copy becomes the newest undo step and the redo steps go.
    // Without a copy (Prepare failed) every older step goes too, as they no longer lead to this state.
    void Commit();
    // The command changed nothing after all: the prepared copy is dropped.
    void Discard();
    // The prepared copy, for a command that has to put back the state it started from.
    const WorkState* Prepared() const { return m_prepared ? &*m_prepared : nullptr; }

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    std::size_t UndoSteps() const { return m_undo.size(); }
    std::size_t RedoSteps() const { return m_redo.size(); }
    // A step could not be kept for want of memory since the history was last cleared, so nothing before
    // it can be gone back to. (The oldest steps dropped for the bounds are the normal course.)
    bool CutShort() const { return m_cutShort; }
    std::size_t KeptBytes() const { return m_keptBytes; }
    // The states undo would go back to: the one just before the last command, and the furthest back that
    // is still kept. Null when there is none.
    const WorkState* NewestUndo() const { return m_undo.empty() ? nullptr : &m_undo.back(); }
    const WorkState* OldestUndo() const { return m_undo.empty() ? nullptr : &m_undo.front(); }

    // Trades `current` (the state now; its image of the length the copy was taken at) with the newest
    // undo (redo) step, which then becomes the newest redo (undo) step. False when there is none or the
    // image no longer has the step's length, and then nothing changes.
    bool Undo(std::uint8_t* image, std::size_t length, std::uint64_t& revision, std::vector<SampleStep>& applied);
    bool Redo(std::uint8_t* image, std::size_t length, std::uint64_t& revision, std::vector<SampleStep>& applied);

    // A new piece of work (load, reload): nothing before it can be gone back to.
    void Clear();

private:
    static bool Trade(std::deque<WorkState>& from, std::deque<WorkState>& to, std::uint8_t* image,
                      std::size_t length, std::uint64_t& revision, std::vector<SampleStep>& applied);
    void DropOldestUntilWithinBounds();
    void DropOldest();

    HistoryLimits m_limits;
    std::deque<WorkState> m_undo;  // oldest first
    std::deque<WorkState> m_redo;  // newest undone last
    std::optional<WorkState> m_prepared;
    bool m_prepareFailed = false;
    bool m_cutShort = false;
    std::size_t m_keptBytes = 0;
};

}  // namespace tressel
