#include "startup/vb_runtime.h"

#include "startup/errors.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>

namespace veldrin {
namespace {

bool isSkippedBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Reads "&H..." or "&O..." after the prefix; values of up to 16 bits are 16-bit whole numbers
// (so "&HFFFF" is -1), longer ones 32-bit.
double radixValue(QStringView text, qsizetype pos, int radix) {
    std::uint64_t value = 0;
    bool any = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (isSkippedBlank(c))
            continue;
        const int digit = c.isDigit() ? c.digitValue()
                          : (radix == 16 && c.toUpper() >= u'A' && c.toUpper() <= u'F')
                              ? c.toUpper().unicode() - u'A' + 10
                              : -1;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
        if (value > 0xFFFFFFFFull)
            throwOverflow();
        any = true;
    }
    if (!any)
        return 0;
    if (value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

double Val(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && isSkippedBlank(text[pos]))
        ++pos;
    if (pos + 1 < text.size() && text[pos] == u'&') {
        const QChar r = text[pos + 1].toUpper();
        if (r == u'H')
            return radixValue(text, pos + 2, 16);
        if (r == u'O')
            return radixValue(text, pos + 2, 8);
    }

    // Collect the number's characters without blanks, then let strtod read them.
    std::string number;
    bool digits = false;
    bool point = false;
    bool exponent = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (isSkippedBlank(c))
            continue;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            number += static_cast<char>(u);
            digits = true;
        } else if ((u == u'+' || u == u'-') && number.empty()) {
            number += static_cast<char>(u);
        } else if (u == u'.' && !point && !exponent) {
            number += '.';
            point = true;
        } else if ((u == u'e' || u == u'E' || u == u'd' || u == u'D') && digits && !exponent) {
            // An exponent counts only when digits follow it.
            qsizetype look = pos + 1;
            while (look < text.size() && isSkippedBlank(text[look]))
                ++look;
            std::string sign;
            if (look < text.size() && (text[look] == u'+' || text[look] == u'-')) {
                sign = static_cast<char>(text[look].unicode());
                ++look;
                while (look < text.size() && isSkippedBlank(text[look]))
                    ++look;
            }
            if (look >= text.size() || !text[look].isDigit() || text[look].unicode() > u'9')
                break;
            number += 'e';
            number += sign;
            exponent = true;
            pos = look - 1;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    const double value = std::strtod(number.c_str(), nullptr);
    if (std::isinf(value))
        throwOverflow();
    return value;
}

double roundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is to-nearest-even unless changed.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    if (mode != FE_TONEAREST)
        std::fesetround(mode);
    return r;
}

namespace {
template <typename T> T wholeNumber(double value) {
    const double r = roundHalfEven(value);
    if (std::isnan(r) || r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        throwOverflow();
    return static_cast<T>(r);
}
} // namespace

std::int16_t CInt(double value) {
    return wholeNumber<std::int16_t>(value);
}

std::int32_t CLng(double value) {
    return wholeNumber<std::int32_t>(value);
}

std::uint8_t CByte(double value) {
    return wholeNumber<std::uint8_t>(value);
}

std::int32_t vbMod(double dividend, double divisor) {
    const std::int64_t a = CLng(dividend);
    const std::int64_t b = CLng(divisor);
    if (b == 0)
        throwDivisionByZero();
    return static_cast<std::int32_t>(a % b);
}

QString formatNumber(double value, QStringView pattern) {
    int zeros = 0;
    bool grouping = false;
    for (QChar c : pattern) {
        if (c == u'0')
            ++zeros;
        else if (c == u',')
            grouping = true;
    }
    const double rounded = std::round(value); // halves away from zero, as the formatter did
    const bool negative = rounded < 0;
    QString digits = QString::number(std::fabs(rounded), 'f', 0);
    if (digits == u"0")
        digits.clear();
    while (digits.size() < zeros)
        digits.prepend(u'0');
    if (grouping) {
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, u',');
    }
    if (negative && !digits.isEmpty())
        digits.prepend(u'-');
    return digits;
}

QString formatDate(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy/MM/dd"));
}

QString formatTime(const QDateTime& when) {
    return when.toString(QStringLiteral("HH:mm:ss"));
}

QString plainNumber(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15).toUpper();
}

} // namespace veldrin
