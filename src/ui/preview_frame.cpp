#include "ui/preview_frame.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextBoundaryFinder>

namespace veldrin::ui {

PreviewFrame::PreviewFrame(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(1);
}

void PreviewFrame::setMessage(const QString& message) {
    if (message == m_message)
        return;
    m_message = message;
    update();
}

QStringList PreviewFrame::breakBetweenCharacters(const QString& text, const QFontMetrics& metrics,
                                                 int width) {
    QStringList lines;
    QString line;
    // Whole characters only: a surrogate pair or a combining mark is never split.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end < 0)
            end = text.size();
        const QString character = text.mid(start, end - start);
        start = end;
        if (!line.isEmpty() && metrics.horizontalAdvance(line + character) > width) {
            lines << line;
            line.clear();
        }
        line += character;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

void PreviewFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_message.isEmpty())
        return;
    QPainter painter(this);
    const QRect inner = contentsRect();
    const QFontMetrics metrics = painter.fontMetrics();
    if (metrics.horizontalAdvance(m_message) < inner.width()) {
        painter.drawText(inner, Qt::AlignCenter, m_message);
        return;
    }
    int y = inner.top() + metrics.ascent();
    for (const QString& line : breakBetweenCharacters(m_message, metrics, inner.width())) {
        painter.drawText(inner.left(), y, line);
        y += metrics.lineSpacing();
    }
}

} // namespace veldrin::ui
