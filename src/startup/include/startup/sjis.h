#pragma once

// Shift_JIS (code page 932), the encoding of the settings file and of the generated pages.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace veldrin {

// Encodes text; a character that Shift_JIS cannot hold becomes "?" (callers that must not lose
// characters test them first with canEncodeShiftJis).
QByteArray toShiftJis(QStringView text);

QString fromShiftJis(QByteArrayView bytes);

// Whether the whole text maps to Shift_JIS.
bool canEncodeShiftJis(QStringView text);

} // namespace veldrin
