#include "startup/errors.h"

#include "startup/native_name.h"

#include <cerrno>
#include <cstring>

namespace veldrin {

VeldrinError::VeldrinError(ErrorKind kind, QString description)
    : std::runtime_error(description.toStdString()), m_kind(kind), m_description(std::move(description)) {}

void throwOverflow() {
    throw VeldrinError(ErrorKind::Overflow, QStringLiteral("オーバーフローしました。"));
}

void throwDivisionByZero() {
    throw VeldrinError(ErrorKind::DivisionByZero, QStringLiteral("0 で除算しました。"));
}

void throwSubscriptOutOfRange() {
    throw VeldrinError(ErrorKind::SubscriptOutOfRange,
                       QStringLiteral("インデックスが有効範囲にありません。"));
}

VeldrinError fileError(int errnoValue, const QString& path, bool creating) {
    ErrorKind kind = ErrorKind::Other;
    QString text;
    switch (errnoValue) {
    case ENOENT:
        if (!creating) {
            kind = ErrorKind::FileNotFound;
            text = QStringLiteral("ファイルが見つかりません。");
            break;
        }
        [[fallthrough]];
    case ENOTDIR:
        kind = ErrorKind::PathNotFound;
        text = QStringLiteral("パスが見つかりません。");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = ErrorKind::PermissionDenied;
        text =
            creating ? QStringLiteral("書き込みできません。") : QStringLiteral("アクセスが拒否されました。");
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        kind = ErrorKind::DiskFull;
        text = QStringLiteral("ディスクの空き容量が不足しています。");
        break;
    case EIO:
        kind = ErrorKind::DeviceError;
        text = QStringLiteral("デバイス I/O エラーです。");
        break;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        kind = ErrorKind::BadFileName;
        text = QStringLiteral("ファイル名が不正です。");
        break;
    default:
        text = QStringLiteral("ファイルにアクセスできません。");
        break;
    }
    return VeldrinError(kind, text + QStringLiteral("（") + displayName(path) + QStringLiteral(": ") +
                                  QString::fromLocal8Bit(std::strerror(errnoValue)) + QStringLiteral("）"));
}

} // namespace veldrin
