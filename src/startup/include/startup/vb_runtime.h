#pragma once

// The number and text rules of the runtime the program was first written for, kept exactly, since
// settings files and generated pages depend on them.

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace veldrin {

// The leading decimal number of a text, else 0: blanks, tabs and line feeds are skipped anywhere,
// a sign, digits, a fraction and an exponent (E or D) are taken, "&H" and "&O" read hexadecimal and
// octal. "120px" gives 120, " 1 2" gives 12, "abc" gives 0. An exponent beyond the double range
// raises an overflow error.
double Val(QStringView text);

// To the nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value);

// Whole-number conversions with rounding half to even; a value outside the type's range (or not a
// number) raises an overflow error.
std::int16_t CInt(double value);
std::int32_t CLng(double value);
std::uint8_t CByte(double value);

// Remainder of two numbers first rounded to 32-bit whole numbers; the sign follows the dividend.
// A divisor that rounds to 0 raises a division-by-zero error.
std::int32_t vbMod(double dividend, double divisor);

// Formats a number by a digit pattern made of "0" (a digit that is always shown), "#" (a digit
// shown only when significant) and "," (thousands separators, always ","). The number is rounded
// to a whole number, halves away from zero. Examples: 7 by "000" is "007", 1465 by "#,##0" is
// "1,465", 0 by "###,##0" is "0", 0 by "####" is "".
QString formatNumber(double value, QStringView pattern);

// Dates and times as "yyyy/mm/dd" and "hh:nn:ss" (24-hour clock).
QString formatDate(const QDateTime& when);
QString formatTime(const QDateTime& when);

// A number as plain decimal text: whole numbers without a fraction ("100"), others with the
// shortest exact form ("100.5").
QString plainNumber(double value);

} // namespace veldrin
