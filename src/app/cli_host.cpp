#include "cli_host.h"

#include "htmlgen/desktop.h"
#include "startup/native_name.h"

#include <QFile>

namespace veldrin {

std::atomic<bool> CliHost::stopFlag{false};

namespace {

QString plain(const QString& text) {
    QString t = text;
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString answerName(MessageAnswer a) {
    switch (a) {
    case MessageAnswer::Ok:
        return QStringLiteral("OK");
    case MessageAnswer::Yes:
        return QStringLiteral("はい");
    case MessageAnswer::No:
        return QStringLiteral("いいえ");
    case MessageAnswer::Abort:
        return QStringLiteral("中止");
    case MessageAnswer::Retry:
        return QStringLiteral("再試行");
    case MessageAnswer::Ignore:
        return QStringLiteral("無視");
    }
    return {};
}

} // namespace

CliHost::CliHost(const CliOptions& options, std::FILE* in, std::FILE* out, bool interactive, bool terminal)
    : m_options(options), m_in(in), m_out(out), m_interactive(interactive), m_terminal(terminal) {}

void CliHost::printLine(const QString& text) {
    finishLine();
    std::fputs(text.toUtf8().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void CliHost::finishLine() {
    if (m_lineOpen) {
        std::fputs("\r\033[K", m_out);
        std::fflush(m_out);
        m_lineOpen = false;
    }
}

void CliHost::showProgress(const QString& text) {
    if (!m_terminal || m_options.quiet)
        return;
    // Keep to one screen line so that the carriage return can redraw it.
    constexpr qsizetype width = 100;
    const QString shown =
        text.size() > width ? text.left(40) + QStringLiteral("…") + text.right(width - 41) : text;
    std::fputs(("\r\033[K" + shown.toUtf8()).constData(), m_out);
    std::fflush(m_out);
    m_lineOpen = true;
}

void CliHost::setInfo(const QString& text) {
    if (text.startsWith(QStringLiteral("処理中... ")))
        return; // the entry loop's progress comes through progress()
    if (text.startsWith(QStringLiteral("画像"))) {
        printLine(text); // picture errors are worth keeping on screen, quiet or not
        return;
    }
    if (!text.isEmpty())
        showProgress(text);
}

void CliHost::progress(int processed, int total, const QString& path) {
    if (!m_terminal || m_options.quiet)
        return;
    const int percent = total > 0 ? static_cast<int>(100.0 * processed / total) : 0;
    showProgress(QStringLiteral("%1/%2 (%3%) %4").arg(processed).arg(total).arg(percent).arg(path));
}

std::optional<MessageAnswer> CliHost::answerFromOptions(const MessageBoxRequest& box) const {
    using A = MessageAnswer;
    using T = CliOptions::ThumbnailAnswer;
    switch (box.question) {
    case Question::OverwriteList:
        return m_options.overwrite ? std::optional(A::Yes) : std::nullopt;
    case Question::ConvertTga:
        return m_options.convertTga ? std::optional(A::Yes) : std::nullopt;
    case Question::OpenResult:
        return m_options.open ? std::optional(A::Yes) : std::nullopt;
    case Question::OverwriteThumbnail:
        if (m_options.thumbnails == T::NotGiven)
            return std::nullopt;
        return m_options.thumbnails == T::Overwrite ? A::Yes : A::No;
    case Question::OverwriteAllThumbnails:
    case Question::KeepAllThumbnails:
        return m_options.thumbnails == T::NotGiven ? std::nullopt : std::optional(A::Yes);
    case Question::None:
        break;
    }
    if (box.buttons == MessageButtons::AbortRetryIgnore && m_options.ignoreErrors)
        return A::Ignore;
    return std::nullopt;
}

MessageAnswer CliHost::prompt(const MessageBoxRequest& box) {
    const bool yesNo = box.buttons == MessageButtons::YesNo;
    printLine(plain(box.text));
    for (;;) {
        std::fputs(yesNo ? "[y/n] " : "[a]bort, [r]etry, [i]gnore? ", m_out);
        std::fflush(m_out);
        char line[64];
        if (!std::fgets(line, sizeof line, m_in))
            return yesNo ? MessageAnswer::No : MessageAnswer::Abort; // end of input: the safe answer
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (yesNo && (c == 'y' || c == 'n'))
            return c == 'y' ? MessageAnswer::Yes : MessageAnswer::No;
        if (!yesNo && (c == 'a' || c == 'r' || c == 'i'))
            return c == 'a' ? MessageAnswer::Abort : c == 'r' ? MessageAnswer::Retry : MessageAnswer::Ignore;
    }
}

MessageAnswer CliHost::showMessage(const MessageBoxRequest& box) {
    if (box.buttons == MessageButtons::Ok) {
        printLine(plain(box.text));
        return MessageAnswer::Ok;
    }
    // Every question is shown with the answer it got, quiet or not: the output tells what was decided.
    if (std::optional<MessageAnswer> answer = answerFromOptions(box)) {
        printLine(plain(box.text) + QStringLiteral(" → ") + answerName(*answer));
        return *answer;
    }
    if (m_interactive)
        return prompt(box);
    // No option and nobody to ask: keep what exists, abort on errors, open nothing.
    const MessageAnswer safe = box.buttons == MessageButtons::AbortRetryIgnore ? MessageAnswer::Abort
                               : box.question == Question::KeepAllThumbnails   ? MessageAnswer::Yes
                                                                               : MessageAnswer::No;
    printLine(plain(box.text) + QStringLiteral(" → ") + answerName(safe));
    return safe;
}

void CliHost::thumbnailNotWritten(const QString& path, const QString& reason) {
    if (m_thumbnailsNotWritten++ == 0)
        m_firstThumbnailProblem = displayName(path) + QStringLiteral(": ") + reason;
}

void CliHost::reportThumbnails() {
    if (m_thumbnailsNotWritten == 0)
        return;
    printLine(
        QStringLiteral("veldrin-cli: warning: %1 thumbnail(s) could not be written, the entries show the "
                       "pictures instead; the first: %2")
            .arg(m_thumbnailsNotWritten)
            .arg(m_firstThumbnailProblem));
}

void CliHost::openFile(const QString& fileName, const QString& folder) {
    if (!openWithAssociatedProgram(folder + fileName))
        printLine(QStringLiteral("No program could open ") + folder + fileName);
}

QString CliHost::associatedProgram(const QString& fileName, const QString& folder) {
    return FindAssociatedProgram(fileName, folder);
}

} // namespace veldrin
