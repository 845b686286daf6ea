#pragma once
// Ctrl+C, a kill or a hang-up ends a command at once without leaving a partial output behind: the files
// being written are removed, an older file of the same name stays as it was, and the exit status is
// 128 plus the signal's number.

namespace tressel::cli {

// Call before any other thread starts: the signals are blocked in every thread that follows and taken by
// one thread that waits for them.
void RemovePartialFilesOnInterrupt();

// From here on, in this thread and those it starts, a reader that went away (a closed pipe) fails the
// writes to it instead of ending the program.
void LetBrokenPipesFailWrites();

}  // namespace tressel::cli
