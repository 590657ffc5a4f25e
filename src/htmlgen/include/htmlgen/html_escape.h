#pragma once

// Text from the file system (file and folder names, titles of HTML files) placed into a page.
// Ordinary names (letters, digits, Japanese, blanks and . _ - ( ) ~ , + = ! @) come out unchanged;
// everything else is escaped for its context so that no name can inject markup or script or break
// a link. Characters that Shift_JIS cannot hold become numeric character references in text and
// percent-encoded UTF-8 in URLs.

#include <QString>
#include <QStringView>

namespace veldrin {

// Text between tags: & < > escaped.
QString htmlText(QStringView text);

// A quoted attribute value (either quote): & < > ' " escaped.
QString htmlAttr(QStringView text);

// The path part of a URL: % # ? ' " \ < > ` and control characters percent-encoded, so the URL can
// neither end early nor change meaning, inside a quoted attribute or a script string alike.
QString urlPath(QStringView text);

// A URL path inside a quoted attribute value; blanks at its ends percent-encoded, since browsers
// drop them.
QString urlAttr(QStringView text);

// A URL path as an unquoted attribute value: blanks and "=" percent-encoded too.
QString unquotedUrlAttr(QStringView text);

// The text of an HTML comment: nothing in it may close the comment.
QString commentText(QStringView text);

// A title taken from another page's source: entities stay as they were written, but no tag can
// be formed.
QString titleText(QStringView text);

// Characters that Shift_JIS cannot hold as numeric character references; the last resort of the
// page writer, so that nothing turns into "?".
QString withCharacterReferences(QStringView text);

} // namespace veldrin
