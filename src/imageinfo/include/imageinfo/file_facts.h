#pragma once

#include "imageinfo/image_info.h"

#include <QString>

#include <cstdint>

namespace veldrin {

// What one open of a listed file tells, kept for every later use in its entry: its status and, for a
// picture, what its header says.
struct FileFacts {
    bool statusKnown = false; // size and time below are the file's
    int statusError = 0;      // errno when the status could not be read
    std::int64_t size = 0;
    std::int64_t modified = 0; // last write, seconds since the epoch
    ImageInfo info;            // as GetImageInfo(path, 0) gives it; zeros when not read
    QString infoError;         // the description of the error GetImageInfo would raise, if any
    int orientation = 1;       // a JPEG's EXIF orientation, as jpegOrientation gives it
};

// Reads the facts of folder + fileName, through folderFd when it is the folder open (else -1). With
// header, one open, one status and one read of the head serve the status, the header and a JPEG's
// orientation; without, one status alone. Never throws.
FileFacts readFileFacts(int folderFd, const QString& folder, const QString& fileName, bool header);

} // namespace veldrin
