#pragma once

#include "imageinfo/bitmap.h"
#include "thumbs/jpeg_library.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <optional>

namespace veldrin {

// The values a generation run shares with the window it runs in; they outlive a single run.
struct RunValues {
    QDateTime RunStartTime;                 // whole seconds, when the current run started
    QSet<QString> thumbnailsWritten;        // full paths of the thumbnails the current run wrote
    int TgaConversionAnswer = 0;            // 0 not asked yet, 1 convert, 2 do not convert
    int ThumbOverwriteAnswer = 0;           // 0 ask each time, 1 overwrite all, 2 keep all
    bool OpenWhenDone = false;              // open the result without asking at the end of the run
    bool WindowLoading = false;             // the missing-library message is shown only while loading
    std::optional<JpegLibrary> jpegLibrary; // present exactly when the JPEG module was found
    int thumbnailWorkers = 0;               // threads that make thumbnails; 0: as thumbnailWorkerCount says

    bool JpegLibraryAvailable() const { return jpegLibrary.has_value(); }

    // The hidden picture boxes: a loaded picture at its own size, and the scaled thumbnail.
    Bitmap Picture_Load;
    Bitmap Picture_Small;
};

} // namespace veldrin
