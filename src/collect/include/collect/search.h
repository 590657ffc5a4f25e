#pragma once

#include "collect/found_file.h"
#include "startup/run_host.h"
#include "startup/settings_access.h"

#include <QString>

namespace veldrin {

// Whether a file name passes the extension list (OBJTYPE) and is not one of the program's own
// thumbnails (CREATESPIC, SPICNAME, SPICNAME_DIST).
bool IsTargetFile(const QString& fileName, const SettingsAccess& settings);

// Lists root + subFolder, appends the accepted files to list from startIndex on, and, when
// includeSubfolders is set, searches every subfolder below it the same way. Returns the number of
// elements now in the list, or -1 when the user chose Abort after an error. A folder that does
// not exist gives nothing; hidden entries (names starting with ".") are never found; a folder
// reached again through a symbolic link is not searched twice.
int SearchFile(const QString& root, const QString& subFolder, bool includeSubfolders, FoundFileList& list,
               int startIndex, const SettingsAccess& settings, RunHost& host);

} // namespace veldrin
