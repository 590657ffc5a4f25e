#pragma once

#include <QString>

namespace veldrin {

// The desktop's file associations, asked through GIO. Both work without a window.

// An identifier of the default application for folder + FileName's content type (the desktop file
// id, such as "firefox-esr.desktop"), guessed from the name; "" when nothing is associated.
QString FindAssociatedProgram(const QString& FileName, const QString& Folder);

// Opens path with its default application; false when that cannot be done.
bool openWithAssociatedProgram(const QString& path);

} // namespace veldrin
