#pragma once

// Our own reader and writer of INI-style profile files, with the semantics of the classic profile
// functions: section and key names match without regard to case, the first match wins, other
// sections and keys stay as they are, a key missing from its section is added at the section's
// end, and a missing section is added at the file's end. Values are Shift_JIS bytes.

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace veldrin {

// The longest value a read returns, in bytes; longer values are cut at a character boundary.
inline constexpr int kMaxProfileValueBytes = 254;

// The raw bytes of a key's value in the given file contents, or nothing when the section or the key
// is missing. Blanks around the value are dropped, and one pair of matching quotes around it.
std::optional<QByteArray> findProfileValue(const QByteArray& contents, const QString& section,
                                           const QString& key);

// Cuts Shift_JIS bytes to at most maxBytes without splitting a double-byte character.
QByteArray cutAtCharacterBoundary(const QByteArray& bytes, int maxBytes);

// The file contents with every (key, value) set in the section, values given as Shift_JIS bytes.
QByteArray withProfileValues(const QByteArray& contents, const QString& section,
                             const std::vector<std::pair<QString, QByteArray>>& values);

// The bytes a value is stored as: line breaks removed (a profile line cannot hold one), and quotes
// added when the reader would otherwise drop blanks or quotes at its ends.
QByteArray storedValueBytes(const QByteArray& value);

} // namespace veldrin
