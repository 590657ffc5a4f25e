#pragma once

#include "htmlgen/run_context.h"

#include <QString>

namespace veldrin {

// How a run ended.
struct RunResult {
    enum class End {
        Written,    // the list was written (also after a stop)
        NoFileName, // the output name was empty
        OverwriteRefused,
        NothingFound,
        Aborted, // the user chose Abort after an error, or a path was not found
    };
    End end = End::Aborted;
    bool listFileCreated = false; // false when Ignore went past a list file that could not be made
    int processed = 0;            // entries begun
    int written = 0;              // entries that reached the page
    int found = 0;
    QString listFilePath;
};

// An empty folder becomes applicationFolder; a relative one is taken from the current folder; the
// result ends in "/".
QString NormalizeFolderPath(const QString& Path, const QString& applicationFolder);

// One generation run over the current settings.
RunResult GenerateListPages(RunEnv& env);

// Opens the finished list (the frame set in frame mode) with its associated program; when it does
// not exist yet, performs a whole run first that opens it at its end.
void OpenResultInBrowser(RunEnv& env);

} // namespace veldrin
