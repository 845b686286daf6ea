#pragma once
// The text of a macro that repeats the sample commands applied to the audio, with the parameters they
// ran with: what "Save Commands as Macro..." writes, so that what was tuned by ear in the window can be
// run on a whole folder.

#include <string>
#include <vector>

#include "audio/Result.h"
#include "workbench/SampleSteps.h"

namespace tressel {

// `macroPath` is where the text will be saved: filter files inside its folder are named relative to it
// (the macro and its filters can move together), all others by their absolute path. `audioName` goes into
// the opening comment. Numbers are written so that reading them back gives the very same values.
std::string MacroText(const std::vector<SampleStep>& steps, const std::string& macroPath,
                      const std::string& audioName);

// Writes that text to `path`, replacing an older file only once the new one is complete.
Result SaveMacro(const std::string& path, const std::vector<SampleStep>& steps, const std::string& audioName);

// A word as a macro line reads it back unchanged: quoted when it holds blanks, quotes, a backslash, a
// leading "#" or nothing at all.
std::string QuotedWord(const std::string& word);

}  // namespace tressel
