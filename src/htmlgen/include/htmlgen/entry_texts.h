#pragma once

#include "imageinfo/file_facts.h"
#include "startup/settings_access.h"

#include <QIODevice>
#include <QString>

#include <cstdint>

namespace veldrin {

// The title of an HTML file (a name containing ".htm", any case), "" when it has none or cannot
// be read. Reads until the title closes, a "<body" appears, or 10240 characters gather; a title
// over 100 characters is cut to 100 followed by "...". Files that are valid UTF-8 are read as
// UTF-8, others as Shift_JIS.
QString GetHtmlTitle(const QString& FilePath);

// The title reading of GetHtmlTitle over an open device.
QString readHtmlTitle(QIODevice& file);

// "1,465KB" style size of a file of n bytes for the status block and ALT text: whole kilobytes
// rounded up from 1024 bytes on, else the bytes and "バイト".
QString byteSizeText(std::int64_t bytes);
// Always whole kilobytes rounded up ("1KB" for 100 bytes, "0KB" for an empty file).
QString kbSizeText(std::int64_t bytes);

// The length of a file; a file that cannot be examined raises the file error.
std::int64_t fileLength(const QString& path);

// The status block under a thumbnail, "" when FILESTATUS_ATTR shows nothing. FolderText,
// FileName and SizeText are plain text here; they are escaped for the page.
// known, when given, is the file's status read with its entry, used in place of asking again.
QString MakeFileStatusStr(const SettingsAccess& settings, const QString& FolderText, const QString& FileName,
                          const QString& SizeText, const QString& FilePath, const FileFacts* known = nullptr);

// "ALT='" + folder + name + " " + (size + " ") + byte size + " '", escaped for the page.
QString MakeFileStatusStrAlt(const QString& FolderText, const QString& FileName, const QString& SizeText,
                             const QString& FilePath, const FileFacts* known = nullptr);

// Every non-overlapping occurrence of Find, leftmost first, replaced; replacements are not
// scanned again. An empty Find changes nothing.
QString strchange(const QString& Source, const QString& Find, const QString& Replacement);

// A colour number (red in the low byte) as six upper-case hexadecimal digits, red first. Numbers
// outside 0..16777215 keep only their low 24 bits.
QString ColorToHex(double Color);

} // namespace veldrin
