#pragma once
// How many threads an operation started on this thread may keep busy. Normally every core; a batch run
// that processes several files at once gives each file its share, so file-level jobs and the threads of
// the operations inside them never add up to more than the cores.

namespace tressel {

// The budget of the calling thread: at least 1, or 0 for "no limit set" (use every core).
int ThreadBudget();

// Sets the calling thread's budget while the object lives.
class ThreadBudgetScope {
public:
    explicit ThreadBudgetScope(int threads);
    ~ThreadBudgetScope();
    ThreadBudgetScope(const ThreadBudgetScope&) = delete;
    ThreadBudgetScope& operator=(const ThreadBudgetScope&) = delete;

private:
    int m_saved;
};

// `wanted` threads cut to the calling thread's budget (never below 1).
int WithinThreadBudget(int wanted);

}  // namespace tressel
