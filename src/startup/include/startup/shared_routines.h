#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace veldrin {

// Item index (counted from 1) of a comma list; empty past the last item, for an empty item, or for
// an index below 1. Items are not trimmed.
QString GetListItem(const QString& list, int index);

// Whether path names an existing normal file: not a folder, and not hidden (a name starting with
// "."). A missing file or folder on the way gives false; a path that cannot be examined for any
// other reason (no permission, a name too long) raises the matching error.
bool FileExists(const QString& path);

// Like FileExists but hidden files count too: the test that protects a file from being replaced
// without a question.
bool AnyFileExists(const QString& path);

// Copies the access and modification times of source onto the existing file destination, which
// must be writable; false on any failure (Linux has no creation time to copy).
bool CopyFileTimes(const QString& source, const QString& destination);

// The modification time of a file, or nothing when it cannot be read.
std::optional<QDateTime> modificationTime(const QString& path);

} // namespace veldrin
