// Converts a list of files, several at a time, reporting each as it finishes.
#pragma once

#include "cli/options.h"

#include <iosfwd>

namespace brindlemoor::cli {

// Returns the number of files that failed. Results go to `out`, errors and
// warnings to `err`; `showProgress` keeps a progress line on `err`.
int convertAll(const Options& options, std::ostream& out, std::ostream& err, bool showProgress);

}  // namespace brindlemoor::cli
