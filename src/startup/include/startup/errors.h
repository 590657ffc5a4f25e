#pragma once

#include <QString>

#include <stdexcept>

namespace veldrin {

// The classes of failure that a generation run's error handler tells apart.
enum class ErrorKind {
    Overflow,       // a number does not fit the whole-number type it is converted to
    DivisionByZero, // a remainder or quotient by a divisor that is zero after rounding
    SubscriptOutOfRange,
    PathNotFound, // a folder on the way to a file does not exist
    FileNotFound,
    PermissionDenied,
    DiskFull,
    DeviceError,
    BadFileName,
    Other,
};

// A failure inside the core that a caller classifies by kind and shows by its description.
class VeldrinError : public std::runtime_error {
public:
    VeldrinError(ErrorKind kind, QString description);

    ErrorKind kind() const { return m_kind; }
    const QString& description() const { return m_description; }

private:
    ErrorKind m_kind;
    QString m_description;
};

[[noreturn]] void throwOverflow();
[[noreturn]] void throwDivisionByZero();
[[noreturn]] void throwSubscriptOutOfRange();

// Turns an errno value met while working on path into the matching error. A missing entry is a
// missing folder on the way when the file was being created, and a missing file otherwise.
VeldrinError fileError(int errnoValue, const QString& path, bool creating = true);

} // namespace veldrin
