#pragma once

#include <QFrame>
#include <QStringList>

class QFontMetrics;

namespace veldrin::ui {

// The preview area of the folder dialog. Besides holding the scaled picture it prints the loader's
// message when a file cannot be shown: centred when it fits the inner width, otherwise from the top
// left in lines broken between characters.
class PreviewFrame : public QFrame {
public:
    explicit PreviewFrame(QWidget* parent = nullptr);

    const QString& message() const { return m_message; }
    void setMessage(const QString& message);

    // text cut into lines no wider than width, breaking between any two characters.
    static QStringList breakBetweenCharacters(const QString& text, const QFontMetrics& metrics, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_message;
};

} // namespace veldrin::ui
