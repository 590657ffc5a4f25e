#pragma once

#include "startup/settings.h"

namespace veldrin {

// The record as the main window holds it after loading it into its controls and storing them
// back: flags and choices become "0"/"1" or an option index, colours decimal numbers, SUMSIZE
// its two lenient numbers, FILESTATUS_ATTR seven "0"/"1" characters ("0000000" when the text is
// not seven characters long). A flag, number or choice that cannot be converted falls back to the
// key's default. The same settings file thus gives the same pages from both programs.
Settings asMainWindowKeepsIt(const Settings& loaded);

} // namespace veldrin
