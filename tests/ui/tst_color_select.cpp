#include "ui/color_select_dialog.h"
#include "ui/color_swatch.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using veldrin::ui::ColorSelectDialog;
using veldrin::ui::ColorSwatch;

namespace {

int rgb(int r, int g, int b) {
    return r + g * 256 + b * 65536;
}

template <class T> T* child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

QString bars(QWidget* d) {
    return QStringLiteral("%1,%2,%3 %4,%5,%6")
        .arg(child<QScrollBar>(d, "HScrollR")->value())
        .arg(child<QScrollBar>(d, "HScrollG")->value())
        .arg(child<QScrollBar>(d, "HScrollB")->value())
        .arg(child<QLabel>(d, "lb_R")->text(), child<QLabel>(d, "lb_G")->text(),
             child<QLabel>(d, "lb_B")->text());
}

} // namespace

class TestColorSelect : public QObject {
    Q_OBJECT
private slots:
    void opening_data() {
        QTest::addColumn<int>("colour");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12,34,56") << rgb(12, 34, 56) << "12,34,56 12,34,56";
        QTest::newRow("black") << 0 << "0,0,0 0,0,0";
        QTest::newRow("blue only") << rgb(0, 0, 200) << "0,0,200 0,0,200";
    }
    void opening() {
        QFETCH(int, colour);
        ColorSwatch target;
        target.setColorValue(colour);
        ColorSelectDialog dialog(&target);
        QCOMPARE(dialog.selectedColor(), colour);
        QFETCH(QString, shown);
        QCOMPARE(bars(&dialog), shown);
    }

    void noTargetStartsWhite() {
        ColorSelectDialog dialog(nullptr);
        QCOMPARE(dialog.selectedColor(), 0xFFFFFF);
        QCOMPARE(bars(&dialog), QStringLiteral("255,255,255 255,255,255"));
        QTest::mouseClick(child<QPushButton>(&dialog, "cb_Ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void swatchClick_data() {
        QTest::addColumn<bool>("creating");
        QTest::addColumn<int>("expected");
        QTest::newRow("takes the swatch") << false << rgb(0xFF, 0x80, 0x00);
        QTest::newRow("色の作成 keeps the colour") << true << rgb(12, 34, 56);
    }
    void swatchClick() {
        QFETCH(bool, creating);
        QFETCH(int, expected);
        ColorSwatch target;
        target.setColorValue(rgb(12, 34, 56));
        ColorSelectDialog dialog(&target);
        child<QCheckBox>(&dialog, "chk_ColorSelect")->setChecked(creating);
        // Picture19 is orange, FF8000 written red first.
        QTest::mouseClick(child<ColorSwatch>(&dialog, "Picture19"), Qt::LeftButton);
        QCOMPARE(dialog.selectedColor(), expected);
        const int r = expected & 0xFF, g = (expected >> 8) & 0xFF, b = expected >> 16;
        QCOMPARE(bars(&dialog), QStringLiteral("%1,%2,%3 %1,%2,%3").arg(r).arg(g).arg(b));
    }

    void dragUpdatesLive() {
        ColorSwatch target;
        target.setColorValue(rgb(12, 34, 56));
        ColorSelectDialog dialog(&target);
        auto* bar = child<QScrollBar>(&dialog, "HScrollG");
        bar->setSliderDown(true);
        bar->setSliderPosition(200);
        QCOMPARE(dialog.selectedColor(), rgb(12, 200, 56));
        QCOMPARE(child<QLabel>(&dialog, "lb_G")->text(), QStringLiteral("200"));
        bar->setSliderDown(false);
    }

    void closing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("expected");
        QTest::newRow("OK writes back") << "cb_Ok" << rgb(12, 34, 99);
        QTest::newRow("Cancel after changes") << "cb_Cansel" << rgb(12, 34, 56);
    }
    void closing() {
        QFETCH(QString, button);
        QFETCH(int, expected);
        ColorSwatch target;
        target.setColorValue(rgb(12, 34, 56));
        ColorSelectDialog dialog(&target);
        child<QScrollBar>(&dialog, "HScrollB")->setValue(99);
        QTest::mouseClick(child<QPushButton>(&dialog, button.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(target.colorValue(), expected);
    }

    // Through the modal entry point: the target is found by name without regard to case.
    void targetByName_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("expected");
        QTest::newRow("other case") << "pic_backcolor1" << rgb(0xFF, 0, 0);
        QTest::newRow("unknown name") << "pic_BackColor9" << rgb(1, 2, 3);
    }
    void targetByName() {
        QFETCH(QString, target);
        QFETCH(int, expected);
        QWidget caller;
        auto* swatch = new ColorSwatch(&caller);
        swatch->setObjectName(QStringLiteral("Pic_BackColor1"));
        swatch->setColorValue(rgb(1, 2, 3));
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ColorSelectDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QTest::mouseClick(dialog->findChild<ColorSwatch*>(QStringLiteral("Picture18")), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cb_Ok")), Qt::LeftButton);
        });
        veldrin::ui::showColorSelect(&caller, target);
        QVERIFY(seen);
        QCOMPARE(swatch->colorValue(), expected);
    }
};

QTEST_MAIN(TestColorSelect)
#include "tst_color_select.moc"
