#pragma once

#include "htmlgen/run_context.h"

namespace veldrin {

// The per-file loop: progress, stop test, TGA conversion, part files in split mode, and one entry
// per found file as a picture, a thumbnail with its link, or a text link.
void WriteListEntries(RunContext& run);

} // namespace veldrin
