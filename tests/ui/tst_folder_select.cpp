#include "startup/errors.h"
#include "thumbs/picture_loader.h"
#include "ui/folder_select_dialog.h"
#include "ui/message_box.h"
#include "ui/network_mount.h"
#include "ui/preview_frame.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace veldrin::ui;

namespace {

// Left half blue, right half yellow: a turned or mirrored preview shows it.
void writePicture(const QString& path, QSize size, const char* format, qint64 padTo = 0) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), Qt::blue);
    QVERIFY(image.save(path, format));
    if (padTo > 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.size() <= padTo);
        file.write(QByteArray(padTo - file.size(), '\0'));
    }
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// JPEG moves colours a little.
bool near(QRgb a, QColor b) {
    const QColor c(a);
    return qAbs(c.red() - b.red()) < 8 && qAbs(c.green() - b.green()) < 8 && qAbs(c.blue() - b.blue()) < 8;
}

template <class T> T* child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

QTreeWidgetItem* folderItem(QTreeWidget* list, const QString& path) {
    for (QTreeWidgetItemIterator it(list); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == path)
            return *it;
    }
    return nullptr;
}

QStringList files(QWidget* dialog) {
    QStringList names;
    auto* list = child<QListWidget>(dialog, "filFile");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

struct FakeMount : NetworkMount {
    MountResult answer;
    QStringList asked;
    MountResult mount(const QString& location, QWidget*) override {
        asked << location;
        return answer;
    }
};

} // namespace

class TestFolderSelect : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString root() const { return m_dir.path(); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(root()).mkpath(QStringLiteral("a/b")));
        QVERIFY(QDir(root()).mkpath(QStringLiteral(".secret")));
    }

    void preview_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QRect>("shown"); // inside a frame of 240 x 240 inner pixels, border 1
        QTest::newRow("wide, scaled to fit")
            << QSize(960, 480) << QByteArray("PNG") << QRect(4, 62, 234, 117);
        QTest::newRow("tall, scaled to fit")
            << QSize(300, 600) << QByteArray("BMP") << QRect(62, 4, 117, 234);
        QTest::newRow("small, own size, centred")
            << QSize(100, 50) << QByteArray("PNG") << QRect(71, 96, 100, 50);
        QTest::newRow("frame size keeps the margin")
            << QSize(240, 240) << QByteArray("PNG") << QRect(4, 4, 234, 234);
        QTest::newRow("large JPEG, reduced decode")
            << QSize(4000, 3000) << QByteArray("JPEG") << QRect(4, 33, 234, 176);
    }
    void preview() {
        QFETCH(QSize, picture);
        QFETCH(QByteArray, format);
        QFETCH(QRect, shown);
        const QString path = root() + QStringLiteral("/picture.") + QString::fromLatin1(format).toLower();
        writePicture(path, picture, format.constData());
        FolderSelectDialog dialog(nullptr);
        auto* frame = child<PreviewFrame>(&dialog, "Picture_frame");
        QCOMPARE(frame->contentsRect(), QRect(1, 1, 240, 240));

        QVERIFY(dialog.ShowPreview(path));
        auto* view = child<QLabel>(&dialog, "Picture_view");
        QCOMPARE(view->geometry(), shown);
        QVERIFY(!view->isHidden());
        const QImage image = view->pixmap().toImage();
        QCOMPARE(image.size(), shown.size());
        QVERIFY(near(image.pixel(shown.width() / 4, shown.height() / 2), Qt::blue));
        QVERIFY(near(image.pixel(shown.width() * 3 / 4, shown.height() / 2), Qt::yellow));
        const QString size = QStringLiteral("%1x%2 ").arg(picture.width()).arg(picture.height());
        QVERIFY(child<QLabel>(&dialog, "Label_FileStatus")->text().startsWith(size));
        QCOMPARE(view->toolTip(), child<QLabel>(&dialog, "Label_FileStatus")->text());
        QVERIFY(frame->message().isEmpty());
    }

    void sizeLine() {
        const QString path = root() + QStringLiteral("/exact.png");
        writePicture(path, QSize(640, 480), "PNG", 100 * 1024);
        FolderSelectDialog dialog(nullptr);
        QVERIFY(dialog.ShowPreview(path));
        QCOMPARE(child<QLabel>(&dialog, "Label_FileStatus")->text(), QStringLiteral("640x480 100KB "));
    }

    void brokenFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("JPEG cut after its marker") << QByteArray("\xFF\xD8\xFF\xE0\x00", 5);
        QTest::newRow("text with a picture name") << QByteArray("not a picture at all\n");
        QTest::newRow("empty") << QByteArray();
    }
    void brokenFile() {
        QFETCH(QByteArray, bytes);
        const QString good = root() + QStringLiteral("/good.png");
        writePicture(good, QSize(20, 20), "PNG");
        const QString path = root() + QStringLiteral("/broken.gif");
        writeBytes(path, bytes);
        QString expected;
        try {
            veldrin::loadPicture(path);
        } catch (const veldrin::VeldrinError& e) {
            expected = e.description().trimmed();
        }
        QVERIFY(!expected.isEmpty());

        FolderSelectDialog dialog(nullptr);
        QVERIFY(dialog.ShowPreview(good)); // the failure must clear what was shown before
        QVERIFY(!dialog.ShowPreview(path));
        QCOMPARE(child<PreviewFrame>(&dialog, "Picture_frame")->message(), expected);
        QCOMPARE(child<QLabel>(&dialog, "Label_FileStatus")->text(), QString());
        QVERIFY(child<QLabel>(&dialog, "Picture_view")->isHidden());
    }

    void messageLines() {
        const QFontMetrics metrics(QApplication::font());
        const QString text =
            QStringLiteral("画像を読み込めません: /very/long/path/with/名前/that/cannot/fit.jpg");
        const QStringList lines = PreviewFrame::breakBetweenCharacters(text, metrics, 80);
        QVERIFY(lines.size() > 2);
        QCOMPARE(lines.join(QString()), text);
        for (const QString& line : lines)
            QVERIFY(metrics.horizontalAdvance(line) <= 80 || line.size() == 1);
    }

    void opening_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::newRow("no trailing separator: the parent") << "%1/a/b"
                                                           << "%1/a";
        QTest::newRow("trailing separator") << "%1/a/b/"
                                            << "%1/a/b";
        QTest::newRow("no separator: current folder") << "pictures" << QDir::currentPath();
        QTest::newRow("missing folder: current folder") << "%1/gone/x" << QDir::currentPath();
    }
    void opening() {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QLineEdit box(text.contains(u'%') ? text.arg(root()) : text);
        FolderSelectDialog dialog(&box);
        const QString expected = start.contains(u'%') ? start.arg(root()) : start;
        QCOMPARE(dialog.currentFolder(), expected);
        QCOMPARE(child<QLabel>(&dialog, "lblPath")->text(), expected);
        const QString volume = QStorageInfo(expected).rootPath();
        QCOMPARE(child<QComboBox>(&dialog, "drvDrive")->currentData().toString(), volume);
    }

    void okOnHighlightedFolder() {
        QLineEdit box(root() + u'/');
        FolderSelectDialog dialog(&box);
        auto* list = child<QTreeWidget>(&dialog, "dirDir");
        QVERIFY(!folderItem(list, root() + QStringLiteral("/.secret"))); // hidden folders stay out
        list->setCurrentItem(folderItem(list, root() + QStringLiteral("/a")));
        auto* ok = child<QPushButton>(&dialog, "cmdOk");
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.currentFolder(), root() + QStringLiteral("/a"));
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(box.text(), root() + u'/');
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(box.text(), root() + QStringLiteral("/a/"));
    }

    void cancelChangesNothing() {
        QLineEdit box(root() + QStringLiteral("/a/"));
        FolderSelectDialog dialog(&box);
        auto* list = child<QTreeWidget>(&dialog, "dirDir");
        emit list->itemDoubleClicked(folderItem(list, root() + QStringLiteral("/a/b")), 0);
        QCOMPARE(dialog.currentFolder(), root() + QStringLiteral("/a/b"));
        QTest::mouseClick(child<QPushButton>(&dialog, "cmdCancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(box.text(), root() + QStringLiteral("/a/"));
    }

    void fileFilter_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("pictures, any case")
            << 0 << QStringList{"a.JPG", "b.jpeg", "c.Gif", "d.jpg2", "e.bmp"};
        QTest::newRow("all files") << 1 << QStringList{"a.JPG", "b.jpeg", "c.Gif", "d.jpg2",
                                                       "e.bmp", "f.png",  "noext"};
    }
    void fileFilter() {
        QFETCH(int, filter);
        QFETCH(QStringList, shown);
        QTemporaryDir dir;
        for (const char* name :
             {"a.JPG", "b.jpeg", "c.Gif", "d.jpg2", "e.bmp", "f.png", "noext", ".hidden.jpg"})
            writeBytes(dir.filePath(QString::fromLatin1(name)), "x");
        QLineEdit box(dir.path() + u'/');
        FolderSelectDialog dialog(&box);
        child<QComboBox>(&dialog, "FilesSelect")->setCurrentIndex(filter);
        QCOMPARE(files(&dialog), shown);
    }

    void driveNotReady() {
        MessageBoxScript boxes;
        QLineEdit box(root() + QStringLiteral("/a/"));
        FolderSelectDialog dialog(&box);
        auto* drives = child<QComboBox>(&dialog, "drvDrive");
        const QString volume = drives->currentData().toString();
        drives->addItem(QStringLiteral("gone"), root() + QStringLiteral("/unplugged"));
        drives->setCurrentIndex(drives->count() - 1);
        QCOMPARE(int(boxes.boxes().size()), 1);
        QCOMPARE(boxes.boxes()[0].request.caption, QStringLiteral("ドライブ名変更エラー"));
        QVERIFY(!boxes.boxes()[0].request.text.isEmpty());
        QCOMPARE(drives->currentData().toString(), volume);
        QCOMPARE(dialog.currentFolder(), root() + QStringLiteral("/a"));
    }

    void networkDrive_data() {
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<QString>("error");
        QTest::newRow("mounted") << true << QString();
        QTest::newRow("refused") << false << QStringLiteral("Connection refused");
    }
    void networkDrive() {
        QFETCH(bool, mounted);
        QFETCH(QString, error);
        MessageBoxScript boxes;
        FakeMount mount;
        const QString local = root() + QStringLiteral("/a/b");
        mount.answer = {mounted, error, mounted ? local : QString()};
        QLineEdit box(root() + u'/');
        FolderSelectDialog dialog(&box);
        dialog.setNetworkMount(&mount);
        dialog.setLocationPrompt([](QWidget*) { return QStringLiteral("smb://nas/photos"); });
        QTest::mouseClick(child<QPushButton>(&dialog, "cmdNet"), Qt::LeftButton);
        QCOMPARE(mount.asked, QStringList{QStringLiteral("smb://nas/photos")});
        auto* drives = child<QComboBox>(&dialog, "drvDrive");
        if (mounted) {
            QVERIFY(boxes.boxes().empty());
            QCOMPARE(dialog.currentFolder(), local);
            QCOMPARE(drives->currentData().toString(), local);
        } else {
            QCOMPARE(int(boxes.boxes().size()), 1);
            QCOMPARE(boxes.boxes()[0].request.text, error);
            QCOMPARE(dialog.currentFolder(), root());
        }
    }
};

QTEST_MAIN(TestFolderSelect)
#include "tst_folder_select.moc"
