#include "audio/ThreadBudget.h"

#include <algorithm>

namespace tressel {

namespace {

thread_local int t_budget = 0;

}  // namespace

int ThreadBudget() {
    return t_budget;
}

ThreadBudgetScope::ThreadBudgetScope(int threads) : m_saved(t_budget) {
    t_budget = std::max(threads, 1);
}

ThreadBudgetScope::~ThreadBudgetScope() {
    t_budget = m_saved;
}

int WithinThreadBudget(int wanted) {
    const int allowed = t_budget > 0 ? std::min(wanted, t_budget) : wanted;
    return std::max(allowed, 1);
}

}  // namespace tressel
