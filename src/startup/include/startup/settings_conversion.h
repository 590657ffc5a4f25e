#pragma once

#include "startup/settings.h"

namespace veldrin {

// The record as the main window holds it after loading it into its controls and storing them
// back: flags and choices become "0"/"1" or an option index, colours decimal numbers, SUMSIZE
// its two lenient numbers, FILESTATUS_ATTR seven "0"/"1" characters ("0000000" when the text is
// not seven characters long). A flag, number or choice that cannot be converted falls back to the
// key's default. The same settings file thus gives the same pages from both programs.
Settings asMainWindowKeepsIt(const Settings& loaded);

// The two halves of that round trip, for the window itself. windowLoadForm is the state a control
// takes when it receives text, written as text ("0"/"1", an option index, a colour number; SUMSIZE
// its two items as typed); windowSaveForm turns that state back into the stored text (SUMSIZE: the
// lenient number of each item; every other key as it is).
QString windowLoadForm(const SettingsKey& key, const QString& text);
QString windowSaveForm(const SettingsKey& key, const QString& state);

} // namespace veldrin
