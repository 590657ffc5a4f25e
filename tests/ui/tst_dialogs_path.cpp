// The dialogs as the user meets them: opened from the main window, their choices reach the page.

#include "cli_runner.h"
#include "window_fixture.h"

#include "ui/color_swatch.h"
#include "ui/folder_select_dialog.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

// Runs act on the modal dialog that clicking opener opens; false when none of type T opened.
template <class T> bool throughDialog(QPushButton* opener, const std::function<void(T*)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            seen = true;
            act(dialog);
        }
    });
    QTest::mouseClick(opener, Qt::LeftButton);
    return seen;
}

} // namespace

class TestDialogsPath : public QObject {
    Q_OBJECT
private slots:
    void folderAndColourReachThePage() {
        WindowFixture f;
        const QString samples = e2e::copySamples(f.dir.path());
        f.open(e2e::toSjis(QStringLiteral("[VELDRIN]\r\nFOLDER=") + samples + QStringLiteral("\r\n")));
        const QString trip = samples + QStringLiteral("旅行");

        const bool folderOpened = throughDialog<ui::FolderSelectDialog>(
            f.control<QPushButton>("Command_Search"), [&](ui::FolderSelectDialog* dialog) {
                auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("dirDir"));
                auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("cmdOk"));
                for (QTreeWidgetItemIterator it(list); *it; ++it) {
                    if ((*it)->data(0, Qt::UserRole).toString() == trip)
                        list->setCurrentItem(*it);
                }
                QTest::mouseClick(ok, Qt::LeftButton); // enters the folder
                QTest::mouseClick(ok, Qt::LeftButton); // takes it
            });
        QVERIFY(folderOpened);
        QCOMPARE(f.control<QLineEdit>("Text_Folder")->text(), trip + u'/');

        const bool colourOpened =
            throughDialog<QDialog>(f.control<QPushButton>("cb_BackColorSet1"), [](QDialog* d) {
                QTest::mouseClick(d->findChild<ui::ColorSwatch*>(QStringLiteral("Picture23")),
                                  Qt::LeftButton);
                QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cb_Ok")), Qt::LeftButton);
            });
        QVERIFY(colourOpened);
        QCOMPARE(f.control<ui::ColorSwatch>("Pic_BackColor1")->colorValue(), 0xFF0000);

        f.window->Command_Run_Click();
        const QStringList page = e2e::sjisLines(trip + QStringLiteral("/list.html"));
        QVERIFY2(!page.isEmpty(), "no list in the chosen folder");
        QVERIFY(page.filter(QStringLiteral("BGCOLOR=#0000FF")).size() == 1);
        QVERIFY(!page.filter(QStringLiteral("山.png")).isEmpty());
        QVERIFY(!page.filter(QStringLiteral("海.jpg")).isEmpty());
        QVERIFY(page.filter(QStringLiteral("夕焼け")).isEmpty()); // the parent's pictures stay out
    }
};

QTEST_MAIN(TestDialogsPath)
#include "tst_dialogs_path.moc"
