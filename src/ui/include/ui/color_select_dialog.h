#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmColorSelect;
}

namespace veldrin::ui {

class ColorSwatch;

// frmColorSelect, "色の設定": edits the colour of one swatch of the main window. The user takes one of
// 48 fixed colours or mixes one with the red, green and blue bars; OK writes it into the swatch,
// Cancel leaves the swatch as it was. Without a target the colour starts white and OK changes nothing.
class ColorSelectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ColorSelectDialog(ColorSwatch* target, QWidget* parent = nullptr);
    ~ColorSelectDialog() override;

    // The colour being edited, as a Windows colour value.
    int selectedColor() const;

private:
    void ColorToScrollBars();
    void swatchClicked(const ColorSwatch* swatch);
    void scrollBarMoved();
    void cb_Ok_Click();

    std::unique_ptr<Ui::frmColorSelect> m_ui;
    ColorSwatch* m_target;
};

} // namespace veldrin::ui
