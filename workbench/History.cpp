#include "workbench/History.h"

#include <algorithm>
#include <new>

namespace tressel {

bool History::Prepare(const std::uint8_t* image, std::size_t length, std::uint64_t revision,
                      const std::vector<SampleStep>& applied) {
    m_prepared.reset();
    m_prepareFailed = true;
    if (length > m_limits.maxBytes || m_limits.maxSteps == 0) {
        return false;
    }
    try {
        m_prepared = WorkState{std::vector<std::uint8_t>(image, image + length), revision, applied};
    } catch (const std::bad_alloc&) {
        m_prepared.reset();
        return false;
    }
    m_prepareFailed = false;
    return true;
}

void History::Commit() {
    for (const WorkState& state : m_redo) {
        m_keptBytes -= state.image.size();
    }
    m_redo.clear();
    if (m_prepareFailed || !m_prepared) {
        while (!m_undo.empty()) {
            DropOldest();
        }
        m_cutShort = true;
    } else {
        m_keptBytes += m_prepared->image.size();
        m_undo.push_back(std::move(*m_prepared));
        DropOldestUntilWithinBounds();
    }
    m_prepared.reset();
    m_prepareFailed = false;
}

void History::Discard() {
    m_prepared.reset();
    m_prepareFailed = false;
}

void History::DropOldest() {
    m_keptBytes -= m_undo.front().image.size();
    m_undo.pop_front();
}

void History::DropOldestUntilWithinBounds() {
    while (!m_undo.empty() && (m_undo.size() > m_limits.maxSteps || m_keptBytes > m_limits.maxBytes)) {
        DropOldest();
    }
}

bool History::Trade(std::deque<WorkState>& from, std::deque<WorkState>& to, std::uint8_t* image, std::size_t length,
                    std::uint64_t& revision, std::vector<SampleStep>& applied) {
    if (from.empty() || from.back().image.size() != length) {
        return false;
    }
    // Moved across first: a move that cannot get its memory leaves both lists and the wave as they were.
    to.push_back(std::move(from.back()));
    from.pop_back();
    WorkState& state = to.back();
    std::swap_ranges(state.image.begin(), state.image.end(), image);
    std::swap(state.revision, revision);
    std::swap(state.applied, applied);
    return true;
}

bool History::Undo(std::uint8_t* image, std::size_t length, std::uint64_t& revision,
                   std::vector<SampleStep>& applied) {
    return Trade(m_undo, m_redo, image, length, revision, applied);
}

bool History::Redo(std::uint8_t* image, std::size_t length, std::uint64_t& revision,
                   std::vector<SampleStep>& applied) {
    return Trade(m_redo, m_undo, image, length, revision, applied);
}

void History::Clear() {
    m_undo.clear();
    m_redo.clear();
    m_prepared.reset();
    m_prepareFailed = false;
    m_cutShort = false;
    m_keptBytes = 0;
}

}  // namespace tressel
