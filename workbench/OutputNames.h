#pragma once
// Where a macro's save and encode lines write: a name template over the input's name, placed in a chosen
// folder or beside the input.

#include <string>
#include <string_view>

#include "audio/Result.h"

namespace tressel {

// {name} is the input's file name without its extension, {ext} its extension without the dot, {dir} the
// folder it lies in. Fails for any other placeholder and for a brace without its partner.
Result CheckNameTemplate(std::string_view nameTemplate);

// The file a template names for one input. A relative result lies in `outFolder` when one is given,
// otherwise in the input's folder; an absolute one stays where it is.
std::string ExpandOutputName(std::string_view nameTemplate, const std::string& inputPath,
                             const std::string& outFolder);

}  // namespace tressel
