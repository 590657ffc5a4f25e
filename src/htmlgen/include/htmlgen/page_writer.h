#pragma once

#include "htmlgen/run_context.h"

#include <functional>

namespace veldrin {

// The page texts every list page shares: head with title, pop-up script, BODY line, table start.
void ComposePageTexts(RunContext& run);

// Frame mode: the frame-set file (BaseName + ".html") and the blank page; the list then goes to
// BaseName + "_list.html".
void WriteFrameSetFiles(RunContext& run);

// Creates the list file and writes its opening lines; corrections run between the BODY line and
// the table start.
void BeginListFile(RunContext& run, const std::function<void()>& corrections);

// The closing lines of the open part, the index and the list, and closing them.
void EndListFiles(RunContext& run);

// Opening and closing lines of a part file, shared with the entry writer.
void writeTableEnd(RunContext& run, OutputFile& file);
void closeGuarded(RunContext& run, OutputFile& file);

} // namespace veldrin
