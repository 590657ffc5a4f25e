#include "picture_bytes.h"

#include "imageinfo/display_size.h"
#include "imageinfo/tga_loader.h"

#include "scripted_host.h"
#include "startup/settings.h"

#include <QTemporaryDir>
#include <QTest>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

const QString ErrorPrefix = QStringLiteral("画像情報取得エラー（");

QByteArray greyTga(int width, int height) {
    QByteArray b(18, '\0');
    b[2] = 3;
    b[12] = char(width & 255), b[13] = char(width >> 8);
    b[14] = char(height & 255), b[15] = char(height >> 8);
    b[16] = 8;
    return b + QByteArray(width * height, '\x55');
}

QByteArray exifJpeg(int width, int height, bool littleEndian, int orientation) {
    return jpegFile({jpegSegment(0xE0, QByteArray("JFIF\0", 5)),
                     jpegSegment(0xE1, exifPayload(littleEndian, orientation)),
                     jpegFrame(0xC0, width, height)});
}

} // namespace

class TestDisplaySize : public QObject {
    Q_OBJECT
private slots:
    void displaySize_data();
    void displaySize();
    void tgaAlreadyLoadedByConversion();
    void easySizeType_data();
    void easySizeType();
    void sizeAttr_data();
    void sizeAttr();
    void popupSize_data();
    void popupSize();

private:
    QTemporaryDir m_dir;
};

void TestDisplaySize::displaySize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("magnify");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QSize>("display");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("info"); // the error text on the information line, if any

    auto row = [](const char* tag, const char* name, const QByteArray& bytes, const char* box, bool magnify,
                  bool known, QSize display, QSize picture, const QString& info = QString()) {
        QTest::newRow(tag) << QString::fromUtf8(name) << bytes << QString::fromUtf8(box) << magnify << known
                           << display << picture << info;
    };
    // {F}: the file's path. Every error names the file and a reason.
    const auto error = [](const char* reason) {
        return ErrorPrefix + QStringLiteral("{F}: ") + QString::fromUtf8(reason) + u'）';
    };
    row("landscape", "a.gif", gifHeader(640, 480, 0), "100,100", false, true, {100, 75}, {640, 480});
    row("portrait", "a.png", pngHeader(480, 640, 8, 2), "100,100", false, true, {75, 100}, {480, 640});
    row("small kept", "a.bmp", bmpHeader(50, 40, 24), "100,100", false, true, {50, 40}, {50, 40});
    row("small magnified", "a.bmp", bmpHeader(50, 40, 24), "100,100", true, true, {100, 80}, {50, 40});
    row("wide", "a.gif", gifHeader(333, 100, 0), "100,100", false, true, {100, 30}, {333, 100});
    row("rounded", "a.gif", gifHeader(150, 100, 0), "100,100", false, true, {100, 67}, {150, 100});
    row("box size", "a.gif", gifHeader(100, 100, 0), "100,100", false, true, {100, 100}, {100, 100});
    row("box size magnified", "a.gif", gifHeader(100, 100, 0), "100,100", true, true, {100, 100}, {100, 100});
    row("same proportions", "a.gif", gifHeader(200, 100, 0), "120,60", false, true, {120, 60}, {200, 100});
    // The factor comes from the box as typed; only the results are rounded, halves to even.
    row("fractional box", "a.gif", gifHeader(100, 300, 0), "50.5,1000", true, true, {50, 152}, {100, 300});
    row("box 0 wide", "a.gif", gifHeader(640, 480, 0), "0,100", false, true, {0, 100}, {640, 480});
    row("largest bmp", "a.bmp", bmpHeader(102400, 76400, 24), "100,100", false, true, {100, 75},
        {102400, 76400});
    row("bmp too wide", "a.bmp", bmpHeader(102401, 10, 24), "100,100", false, false, {100, 100}, {0, 0},
        error("画像の大きさ（102401 x 10）が範囲外です。"));
    row("bmp too high", "a.bmp", bmpHeader(10, 76401, 24), "100,100", false, false, {100, 100}, {0, 0},
        error("画像の大きさ（10 x 76401）が範囲外です。"));
    row("gif 0x0", "a.gif", gifHeader(0, 0, 0), "90,80", false, false, {90, 80}, {0, 0},
        error("画像の大きさ（0 x 0）が範囲外です。"));
    row("not a picture", "a.jpg", "text file", "90,80", false, false, {90, 80}, {0, 0},
        error("画像の形式を判別できません。"));
    row("overflow", "a.bmp", bmpHeader(0x80000000u, 1, 24), "100,100", false, false, {100, 100}, {0, 0},
        error("オーバーフローしました。"));
    row("cut-off frame", "a.jpg", QByteArray("\xFF\xD8\xFF\xC0\x00\x11\x08\x01", 8), "100,100", false, false,
        {100, 100}, {0, 0}, error("インデックスが有効範囲にありません。"));
    row("tga", "a.TGA", greyTga(200, 100), "100,100", false, true, {100, 50}, {200, 100});
    row("failed tga", "a.tga", "not a tga file", "100,100", false, false, {100, 100}, {0, 0},
        error("TGA ファイルを読み込めません。"));
    row("jpeg turned, little-endian", "a.jpg", exifJpeg(640, 480, true, 6), "100,100", false, true, {75, 100},
        {480, 640});
    row("jpeg turned, big-endian", "a.jpg", exifJpeg(640, 480, false, 8), "100,100", false, true, {75, 100},
        {480, 640});
    row("jpeg upside down", "a.jpg", exifJpeg(640, 480, false, 3), "100,100", false, true, {100, 75},
        {640, 480});
    row("jpeg transposed", "a.jpg", exifJpeg(300, 30, true, 5), "100,100", false, true, {10, 100}, {30, 300});
}

void TestDisplaySize::displaySize() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, box);
    QFETCH(bool, magnify);
    QFETCH(bool, known);
    QFETCH(QSize, display);
    QFETCH(QSize, picture);
    QFETCH(QString, info);

    Settings record = defaultSettings(m_dir.path() + u'/');
    record.SUMSIZE = box;
    record.SPICMAGNIF = magnify ? QStringLiteral("1") : QStringLiteral("0");
    RecordSettingsAccess settings(record);
    ScriptedHost host;
    int eventRounds = 0;
    host.onProcessEvents([&] { ++eventRounds; });
    // A picture left from an earlier file must not stand in for a TGA that fails to load.
    Bitmap pictureLoad{300, 200, std::vector<std::uint32_t>(300 * 200)};

    const QString path = writeFile(m_dir.filePath(name), bytes);
    const DisplaySize size = GetDisplaySize(path, settings, host, 0, pictureLoad);
    QCOMPARE(size.SizeKnown, known);
    QCOMPARE(QSize(size.DisplayWidth, size.DisplayHeight), display);
    QCOMPARE(QSize(size.PictureWidth, size.PictureHeight), picture);
    QCOMPARE(host.infoTexts(), info.isEmpty()
                                   ? QStringList()
                                   : QStringList{QString(info).replace(QStringLiteral("{F}"), path)});
    QCOMPARE(eventRounds, info.isEmpty() ? 0 : 1);
    if (name.endsWith(u".tga", Qt::CaseInsensitive))
        QCOMPARE(QSize(pictureLoad.width, pictureLoad.height), picture);
}

void TestDisplaySize::tgaAlreadyLoadedByConversion() {
    Settings record = defaultSettings(m_dir.path() + u'/');
    record.SUMSIZE = QStringLiteral("100,100");
    RecordSettingsAccess settings(record);
    ScriptedHost host;
    Bitmap pictureLoad{300, 150, std::vector<std::uint32_t>(300 * 150)};
    const DisplaySize size =
        GetDisplaySize(m_dir.filePath(QStringLiteral("gone.tga")), settings, host, 1, pictureLoad);
    QVERIFY(size.SizeKnown);
    QCOMPARE(QSize(size.DisplayWidth, size.DisplayHeight), QSize(100, 50));
    QCOMPARE(pictureLoad.width, 300);
}

void TestDisplaySize::easySizeType_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("type");
    QTest::newRow("fixed") << "0" << 0;
    QTest::newRow("width first") << "1" << 1;
    QTest::newRow("height first") << "2" << 2;
    QTest::newRow("none") << "" << -1;
    QTest::newRow("out of range") << "3" << -1;
}

void TestDisplaySize::easySizeType() {
    QFETCH(QString, value);
    QFETCH(int, type);
    Settings record = defaultSettings(QStringLiteral("/"));
    record.EASYSIZE = value;
    RecordSettingsAccess settings(record);
    QCOMPARE(GetEasySizeType(settings), type);
}

void TestDisplaySize::sizeAttr_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("attr");
    // A 1920 x 1080 screen at 96 dpi is 28800 x 16200 twips; five times that is the limit.
    QTest::newRow("both") << 120 << 90 << 0 << "WIDTH=120 HEIGHT=90";
    QTest::newRow("width only") << 120 << 90 << 1 << "WIDTH=120";
    QTest::newRow("height only") << 120 << 90 << 2 << "HEIGHT=90";
    QTest::newRow("no type") << 120 << 90 << -1 << "";
    QTest::newRow("unknown type") << 120 << 90 << 3 << "";
    QTest::newRow("zero width") << 0 << 90 << 0 << "";
    QTest::newRow("negative height") << 120 << -1 << 1 << "";
    QTest::newRow("widest") << 144000 << 1 << 0 << "WIDTH=144000 HEIGHT=1";
    QTest::newRow("too wide") << 144001 << 1 << 0 << "";
    QTest::newRow("highest") << 1 << 81000 << 2 << "HEIGHT=81000";
    QTest::newRow("too high") << 1 << 81001 << 2 << "";
}

void TestDisplaySize::sizeAttr() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, type);
    QFETCH(QString, attr);
    QCOMPARE(MakeSizeAttr(width, height, type, ScreenSize{1920, 1080, 96, 96}), attr);
}

void TestDisplaySize::popupSize_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::newRow("fits") << QSize(640, 480) << QSize(1920, 1080) << QSize(680, 520);
    QTest::newRow("just fits") << QSize(640, 480) << QSize(730, 590) << QSize(680, 520);
    QTest::newRow("too large") << QSize(1024, 768) << QSize(800, 600) << QSize(750, 530);
    QTest::newRow("largest int") << QSize(INT_MAX, INT_MAX) << QSize(800, 600) << QSize(750, 530);
}

void TestDisplaySize::popupSize() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    int width = picture.width();
    int height = picture.height();
    FitPopupSize(width, height, ScreenSize{screen.width(), screen.height(), 96, 96});
    QCOMPARE(QSize(width, height), window);
}

QTEST_GUILESS_MAIN(TestDisplaySize)
#include "tst_display_size.moc"
