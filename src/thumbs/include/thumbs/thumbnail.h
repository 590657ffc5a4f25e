#pragma once

#include "startup/run_host.h"
#include "startup/settings_access.h"
#include "thumbs/run_values.h"
#include "thumbs/thumbnail_pool.h"

#include <QString>

#include <functional>
#include <optional>

namespace veldrin {

// What thumbnail creation and TGA conversion work with: the current settings, the window, and the
// run-wide values.
struct ThumbnailEnv {
    SettingsAccess& settings;
    RunHost& host;
    RunValues& values;
    // When set, gives the pixels of the source picture made ahead by a worker, in place of loading
    // and scaling it here; called only when the thumbnail is to be written.
    std::function<ThumbnailPixels()> preparedPixels = {};
};

// The STRETCHBLT_INIT mode number; nothing when the setting cannot be read as a number.
std::optional<int> stretchMode(const SettingsAccess& settings);

// Writes the thumbnail of Folder + SourceName as a Width x Height JPEG next to it. Name holds the
// source's name without extension on entry and the thumbnail's file name on return (also when the
// result is false). Clashing names are numbered within a run; a thumbnail from an earlier run is
// overwritten or kept as the user answers. True when the thumbnail was written and may be used.
// An empty SourceName, or a TGA, uses the picture already in Picture_Load.
bool CreateThumbnail(const QString& Folder, QString& Name, int Width, int Height, const QString& SourceName,
                     ThumbnailEnv& env);

// For a ".tga" file of the list, asks once per run whether to convert TGA files, and when the answer
// is yes writes Folder + name "_tga.jpg" at full size with the TGA's file times. Returns the JPEG's
// name when it was written. Errors raised here are the run's to handle.
std::optional<QString> ConvertTgaToJpeg(const QString& Folder, const QString& FileName, ThumbnailEnv& env);

// Looks for "SaveJPG.DLL" in the program folder, then in the system folder, and loads it. Without
// it, thumbnail creation is switched off in the settings (and, while the window loads, the user is
// told why). The module is kept in values.jpegLibrary.
void CheckJpegLibrary(SettingsAccess& settings, RunHost& host, RunValues& values,
                      const QString& programFolder, const QString& systemFolder);

// The installation's library folder, where an installed "SaveJPG.DLL" lives: <bin>/../lib/veldrin/
// beside the running program. Ends in "/".
QString systemLibraryFolder();

} // namespace veldrin
