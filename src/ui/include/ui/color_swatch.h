#pragma once

#include <QColor>
#include <QFrame>

namespace veldrin::ui {

// A small framed box showing one colour, the stand-in for a picture box whose background colour is
// a setting. Colours are Windows colour values: red + green * 256 + blue * 65536.
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    int colorValue() const { return m_value; }
    void setColorValue(int value);
    QColor color() const { return colorOf(m_value); }

    static QColor colorOf(int value);
    static int valueOf(const QColor& color);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_value = 0xFFFFFF;
};

} // namespace veldrin::ui
