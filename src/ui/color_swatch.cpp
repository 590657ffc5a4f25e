#include "ui/color_swatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace veldrin::ui {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(1);
    setCursor(Qt::PointingHandCursor);
}

QColor ColorSwatch::colorOf(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int ColorSwatch::valueOf(const QColor& color) {
    return color.red() + color.green() * 256 + color.blue() * 65536;
}

void ColorSwatch::setColorValue(int value) {
    value &= 0xFFFFFF;
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), color());
    }
    QFrame::paintEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

} // namespace veldrin::ui
