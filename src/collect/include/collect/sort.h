#pragma once

#include "collect/found_file.h"
#include "startup/settings_access.h"

namespace veldrin {

// Sorts list[first..last] in place by lower-cased SubFolder, a blank and lower-cased FileName,
// compared by UTF-16 code unit; descending when SORTORDER is on. A quicksort around the middle
// element, not stable: equal keys end up exactly where the classic algorithm puts them.
void QuickSortFiles(FoundFileList& list, int first, int last, const SettingsAccess& settings);

} // namespace veldrin
