#include "htmlgen/error_handler.h"

#include "startup/errors.h"
#include "startup/startup.h"

#include <new>

namespace veldrin {

bool ErrorHandler::step(const std::function<void()>& work) {
    for (;;) {
        QString description;
        ErrorKind kind = ErrorKind::Other;
        try {
            work();
            return true;
        } catch (const VeldrinError& e) {
            kind = e.kind();
            description = e.description();
        } catch (const std::bad_alloc&) {
            description = QStringLiteral("メモリが不足しています。");
        }
        m_host.beep();
        const QString caption = AppTitle() + QStringLiteral(" エラー");
        if (kind == ErrorKind::PathNotFound) {
            m_host.showMessage({QStringLiteral("ファイル名又は､パス名が不正です｡"), caption,
                                MessageButtons::Ok, MessageIcon::Critical});
            m_ended = true;
            throw RunEnded{};
        }
        if (kind == ErrorKind::Overflow)
            return false;
        const MessageAnswer answer = m_host.showMessage(
            {description, caption, MessageButtons::AbortRetryIgnore, MessageIcon::Critical});
        if (answer == MessageAnswer::Retry)
            continue;
        if (answer == MessageAnswer::Ignore)
            return false;
        m_ended = true;
        throw RunEnded{};
    }
}

} // namespace veldrin
