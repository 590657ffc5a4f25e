#pragma once

#include "startup/settings.h"

#include <QString>

namespace veldrin {

// One key's text from the settings file: the stored value cut to 254 bytes at a character
// boundary, or defaultValue when the file, the section or the key is missing or cannot be read.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file);

// Every key of the table read with its default.
Settings readSettingsFile(const QString& file, const QString& programFolder);

// Writes the 34 keys in one pass and replaces the file atomically. Nothing is written while
// startedWithCommandLine is true. A failed write never damages the old file; the result says
// whether it happened, and reason, when given, receives why not.
bool SaveSettingsFile(const Settings& settings, const QString& file, bool startedWithCommandLine,
                      QString* reason = nullptr);

} // namespace veldrin
