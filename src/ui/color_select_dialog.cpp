#include "ui/color_select_dialog.h"

#include "ui/color_swatch.h"
#include "ui_color_select_dialog.h"

#include <QScrollBar>

#include <array>

namespace veldrin::ui {
namespace {

// The 48 fixed colours as red, green, blue, row by row from the top left (Picture1 ... Picture48).
constexpr std::array<unsigned, 48> kSwatchRgb = {
    0xFFFFFF, 0xFFC0C0, 0xFFE0C0, 0xFFFFE0, 0xC0FFC0, 0xC0FFFF, 0xC0C0FF, 0xFFC0FF, //
    0xE0E0E0, 0xFF8080, 0xFFC080, 0xFFFF80, 0x80FF80, 0x80FFFF, 0x8080FF, 0xFF80FF, //
    0xC0C0C0, 0xFF0000, 0xFF8000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, //
    0x808080, 0xC00000, 0xC04000, 0xC0C000, 0x00C000, 0x00C0C0, 0x0000C0, 0xC000C0, //
    0x404040, 0x800000, 0x804000, 0x808000, 0x008000, 0x008080, 0x000080, 0x800080, //
    0x000000, 0x400000, 0x804040, 0x404000, 0x004000, 0x004040, 0x000040, 0x400040,
};

// Red first as written above, red in the low byte as Windows stores it.
int windowsValue(unsigned rgb) {
    return ColorSwatch::valueOf(QColor(QRgb(rgb)));
}

} // namespace

ColorSelectDialog::ColorSelectDialog(ColorSwatch* target, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmColorSelect>()), m_target(target) {
    m_ui->setupUi(this);
    setFixedSize(size());
    m_ui->pic_SelectColor->unsetCursor();
    m_ui->pic_SelectColor->setColorValue(0xFFFFFF);

    for (int i = 0; i < static_cast<int>(kSwatchRgb.size()); ++i) {
        auto* swatch = findChild<ColorSwatch*>(QStringLiteral("Picture%1").arg(i + 1));
        swatch->setColorValue(windowsValue(kSwatchRgb[static_cast<size_t>(i)]));
        connect(swatch, &ColorSwatch::clicked, this, [this, swatch] { swatchClicked(swatch); });
    }
    // valueChanged follows the thumb while it is dragged; sliderMoved covers a bar without tracking.
    for (QScrollBar* bar : {m_ui->HScrollR, m_ui->HScrollG, m_ui->HScrollB}) {
        connect(bar, &QScrollBar::valueChanged, this, &ColorSelectDialog::scrollBarMoved);
        connect(bar, &QScrollBar::sliderMoved, this, &ColorSelectDialog::scrollBarMoved);
    }
    connect(m_ui->cb_Ok, &QPushButton::clicked, this, &ColorSelectDialog::cb_Ok_Click);
    connect(m_ui->cb_Cansel, &QPushButton::clicked, this, &QDialog::reject);

    if (m_target)
        m_ui->pic_SelectColor->setColorValue(m_target->colorValue());
    ColorToScrollBars();
}

ColorSelectDialog::~ColorSelectDialog() = default;

int ColorSelectDialog::selectedColor() const {
    return m_ui->pic_SelectColor->colorValue();
}

void ColorSelectDialog::ColorToScrollBars() {
    // Read once: every bar that is set recomposes the colour from the bars set so far.
    const QColor colour = ColorSwatch::colorOf(selectedColor());
    m_ui->HScrollB->setValue(colour.blue());
    m_ui->HScrollG->setValue(colour.green());
    m_ui->HScrollR->setValue(colour.red());
    scrollBarMoved();
}

void ColorSelectDialog::swatchClicked(const ColorSwatch* swatch) {
    if (!m_ui->chk_ColorSelect->isChecked())
        m_ui->pic_SelectColor->setColorValue(swatch->colorValue());
    ColorToScrollBars();
}

void ColorSelectDialog::scrollBarMoved() {
    const int red = m_ui->HScrollR->sliderPosition();
    const int green = m_ui->HScrollG->sliderPosition();
    const int blue = m_ui->HScrollB->sliderPosition();
    m_ui->pic_SelectColor->setColorValue(ColorSwatch::valueOf(QColor(red, green, blue)));
    m_ui->lb_R->setNum(red);
    m_ui->lb_G->setNum(green);
    m_ui->lb_B->setNum(blue);
}

void ColorSelectDialog::cb_Ok_Click() {
    if (m_target)
        m_target->setColorValue(selectedColor());
    accept();
}

} // namespace veldrin::ui
