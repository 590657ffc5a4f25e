#include "thumbs/picture_loader.h"

#include "startup/errors.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

using veldrin::Bitmap;
using veldrin::loadPicture;
using veldrin::VeldrinError;

namespace {

constexpr int kBlock = 8;

// Six 8x8 blocks, three across and two down; every turn and mirror of it looks different.
const char kGrid[] = "RGB/YMC";

QRgb colourOf(QChar c) {
    switch (c.unicode()) {
    case 'R':
        return qRgb(230, 20, 20);
    case 'G':
        return qRgb(20, 200, 40);
    case 'B':
        return qRgb(30, 40, 220);
    case 'Y':
        return qRgb(240, 230, 30);
    case 'M':
        return qRgb(220, 30, 210);
    default: // 'C'
        return qRgb(30, 220, 230);
    }
}

QImage gridImage(const QString& grid) {
    const QStringList rows = grid.split(QLatin1Char('/'));
    QImage image(int(rows[0].size()) * kBlock, int(rows.size()) * kBlock, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colourOf(rows[y / kBlock][x / kBlock]));
    return image;
}

QByteArray encode(const QImage& image, const char* format, int quality = 95) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        qFatal("cannot encode the test picture as %s", format);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put16(QByteArray& b, int v, bool bigEndian) {
    if (bigEndian)
        b.append(char(v >> 8)).append(char(v));
    else
        b.append(char(v)).append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v, bool bigEndian) {
    put16(b, bigEndian ? int(v >> 16) : int(v & 0xFFFF), bigEndian);
    put16(b, bigEndian ? int(v & 0xFFFF) : int(v >> 16), bigEndian);
}

// An EXIF APP1 payload whose IFD0 holds a camera make and, unless orientation is 0, the orientation.
QByteArray exifPayload(int orientation, bool bigEndian) {
    const QByteArray make("Veldrin Test Camera", 20);
    QByteArray tiff(bigEndian ? "MM" : "II");
    put16(tiff, 42, bigEndian);
    put32(tiff, 8, bigEndian);
    const int count = orientation ? 2 : 1;
    put16(tiff, count, bigEndian);
    put16(tiff, 0x010F, bigEndian); // make, ASCII, stored after the IFD
    put16(tiff, 2, bigEndian);
    put32(tiff, quint32(make.size()), bigEndian);
    put32(tiff, quint32(8 + 2 + 12 * count + 4), bigEndian);
    if (orientation) {
        put16(tiff, 0x0112, bigEndian);
        put16(tiff, 3, bigEndian);
        put32(tiff, 1, bigEndian);
        put16(tiff, orientation, bigEndian);
        put16(tiff, 0, bigEndian);
    }
    put32(tiff, 0, bigEndian);
    return QByteArray("Exif\0\0", 6) + tiff + make;
}

QByteArray segment(int marker, const QByteArray& payload) {
    QByteArray s;
    s.append(char(0xFF)).append(char(marker));
    put16(s, int(payload.size()) + 2, true);
    return s + payload;
}

// Puts a segment right after SOI, or after the JFIF APP0 that Qt's writer puts there.
QByteArray insertSegment(const QByteArray& jpeg, const QByteArray& seg, bool afterApp0) {
    qsizetype at = 2;
    if (afterApp0 && std::uint8_t(jpeg[3]) == 0xE0)
        at = 4 + (std::uint8_t(jpeg[4]) << 8 | std::uint8_t(jpeg[5]));
    return jpeg.left(at) + seg + jpeg.mid(at);
}

QString gridOf(const Bitmap& b) {
    QString out;
    for (int y = kBlock / 2; y < b.height; y += kBlock) {
        if (!out.isEmpty())
            out += QLatin1Char('/');
        for (int x = kBlock / 2; x < b.width; x += kBlock) {
            const std::uint32_t p = b.at(x, y);
            QChar best = QLatin1Char('?');
            int bestDistance = 3 * 60;
            for (QChar c : QStringLiteral("RGBYMC")) {
                const QRgb want = colourOf(c);
                const int d = std::abs(qRed(want) - int((p >> 16) & 0xFF)) +
                              std::abs(qGreen(want) - int((p >> 8) & 0xFF)) +
                              std::abs(qBlue(want) - int(p & 0xFF));
                if (d < bestDistance) {
                    bestDistance = d;
                    best = c;
                }
            }
            out += best;
        }
    }
    return out;
}

bool near(std::uint32_t pixel, QRgb want, int tolerance) {
    return std::abs(int((pixel >> 16) & 0xFF) - qRed(want)) <= tolerance &&
           std::abs(int((pixel >> 8) & 0xFF) - qGreen(want)) <= tolerance &&
           std::abs(int(pixel & 0xFF) - qBlue(want)) <= tolerance && (pixel >> 24) == 0xFF;
}

QString hex(std::uint32_t v) {
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0'));
}

// A minimal TGA: 18-byte header, then the given pixel bytes.
QByteArray tga(int type, int width, int height, int depth, int descriptor, const QByteArray& body) {
    QByteArray h(18, '\0');
    h[2] = char(type);
    h[12] = char(width);
    h[13] = char(width >> 8);
    h[14] = char(height);
    h[15] = char(height >> 8);
    h[16] = char(depth);
    h[17] = char(descriptor);
    return h + body;
}

} // namespace

class TestPictureLoader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesEachFormat_data();
    void decodesEachFormat();
    void decodesSamples_data();
    void decodesSamples();
    void decodesTga_data();
    void decodesTga();
    void laysTransparencyOverWhite();
    void choosesTheSmallestCoveringScale_data();
    void choosesTheSmallestCoveringScale();
    void turnsByExifOrientation_data();
    void turnsByExifOrientation();
    void truncatedJpegKeepsWhatArrived();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void survivesEveryTruncation_data();
    void survivesEveryTruncation();

private:
    QTemporaryDir m_dir;
    QString m_large;
    QString m_largeTurned;
};

void TestPictureLoader::initTestCase() {
    QVERIFY(m_dir.isValid());
    // A photograph-sized JPEG, plain and with orientation 6 (taken with the phone upright).
    QImage photo(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = qRgb(x * 255 / 4000, y * 255 / 3000, 128);
    }
    const QByteArray jpeg = encode(photo, "jpeg", 50);
    m_large = m_dir.filePath(QStringLiteral("large.jpg"));
    m_largeTurned = m_dir.filePath(QStringLiteral("large_turned.jpg"));
    writeFile(m_large, jpeg);
    writeFile(m_largeTurned, insertSegment(jpeg, segment(0xE1, exifPayload(6, false)), true));
}

void TestPictureLoader::decodesEachFormat_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("png") << "grid.png" << QByteArray("png") << 0;
    QTest::newRow("bmp") << "grid.bmp" << QByteArray("bmp") << 0;
    QTest::newRow("jpeg") << "grid.jpg" << QByteArray("jpeg") << 24;
    QTest::newRow("jpeg with an upper-case name") << "GRID.JPEG" << QByteArray("jpeg") << 24;
    QTest::newRow("jpeg named as png: the content decides") << "fake.png" << QByteArray("jpeg") << 24;
    QTest::newRow("png named as jpg") << "fake.jpg" << QByteArray("png") << 0;
}

void TestPictureLoader::decodesEachFormat() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);
    QFETCH(int, tolerance);
    const QImage image = gridImage(QString::fromLatin1(kGrid));
    const QString path = m_dir.filePath(fileName);
    writeFile(path, encode(image, format.constData()));

    const Bitmap b = loadPicture(path);
    QCOMPARE(b.width, 24);
    QCOMPARE(b.height, 16);
    QCOMPARE(b.pixels.size(), std::size_t(24 * 16));
    for (int y = 2; y < 16; y += 4)
        for (int x = 2; x < 24; x += 4)
            QVERIFY2(near(b.at(x, y), image.pixel(x, y), tolerance),
                     qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(hex(b.at(x, y)))));
}

void TestPictureLoader::decodesSamples_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("gif, star") << "palette.gif" << 120 << 90 << QPoint(60, 50) << qRgb(0xF7, 0xF7, 0xF7);
    QTest::newRow("gif, band") << "palette.gif" << 120 << 90 << QPoint(60, 86) << qRgb(0x0B, 0x3D, 0x2E);
    QTest::newRow("gif with a blank in its name")
        << "blue sky.gif" << 100 << 75 << QPoint(35, 30) << qRgb(0xFF, 0xFF, 0xFF);
    QTest::newRow("baseline jpeg, sun")
        << "landscape.jpg" << 320 << 240 << QPoint(240, 70) << qRgb(0xFF, 0xF3, 0xB0);
    QTest::newRow("progressive jpeg, ring")
        << "progressive.jpg" << 240 << 180 << QPoint(120, 40) << qRgb(0xFF, 0xFF, 0xFF);
    QTest::newRow("phone portrait shows upright with the red sun top left")
        << "phone_portrait.jpg" << 120 << 160 << QPoint(20, 20) << qRgb(0xFF, 0x40, 0x40);
    QTest::newRow("phone portrait, trunk below the crown")
        << "phone_portrait.jpg" << 120 << 160 << QPoint(60, 100) << qRgb(0x6B, 0x42, 0x26);
    QTest::newRow("bmp, checker") << "picture.bmp" << 96 << 72 << QPoint(10, 10) << qRgb(0, 0, 0);
    QTest::newRow("bmp, yellow") << "picture.bmp" << 96 << 72 << QPoint(26, 10) << qRgb(0xFF, 0xCC, 0x00);
    QTest::newRow("png card over white corner")
        << "shapes.png" << 160 << 120 << QPoint(1, 1) << qRgb(255, 255, 255);
    QTest::newRow("png card, square")
        << "shapes.png" << 160 << 120 << QPoint(110, 60) << qRgb(0x3B, 0x3B, 0x98);
    QTest::newRow("tga, white disc") << "gradient.tga" << 75 << 50 << QPoint(37, 25) << qRgb(255, 255, 255);
    QTest::newRow("run-length tga, white bar")
        << "badge_rle.tga" << 96 << 64 << QPoint(48, 31) << qRgb(255, 255, 255);
    QTest::newRow("run-length tga, frame")
        << "badge_rle.tga" << 96 << 64 << QPoint(2, 2) << qRgb(0x1E, 0x3C, 0x72);
    QTest::newRow("japanese folder and name")
        << "旅行/海.jpg" << 200 << 150 << QPoint(60, 40) << qRgb(255, 255, 255);
}

void TestPictureLoader::decodesSamples() {
    QFETCH(QString, fileName);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QPoint, probe);
    QFETCH(QRgb, colour);
    const Bitmap b = loadPicture(QStringLiteral(VELDRIN_SAMPLES_DIR "/") + fileName);
    QCOMPARE(b.width, width);
    QCOMPARE(b.height, height);
    QVERIFY2(near(b.at(probe.x(), probe.y()), colour, 20), qPrintable(hex(b.at(probe.x(), probe.y()))));
}

void TestPictureLoader::decodesTga_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    // Bottom-up rows: the file's first row (white, red; bytes blue, green, red) is the picture's bottom row.
    const QByteArray bottomUp = QByteArray::fromHex("ffffff"
                                                    "0000ff"
                                                    "ff0000"
                                                    "ff0000");
    QTest::newRow("uncompressed, bottom-up") << "a.tga" << tga(2, 2, 2, 24, 0, bottomUp);
    // Top-down run-length: a run of two blue, then a raw packet of white and red.
    const QByteArray packets = QByteArray::fromHex("81"
                                                   "ff0000"
                                                   "01"
                                                   "ffffff"
                                                   "0000ff");
    QTest::newRow("run-length, top-down, upper-case name") << "B.TGA" << tga(10, 2, 2, 24, 0x20, packets);
}

void TestPictureLoader::decodesTga() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(fileName);
    writeFile(path, bytes);
    const Bitmap b = loadPicture(path);
    QCOMPARE(b.width, 2);
    QCOMPARE(b.height, 2);
    const std::vector<std::uint32_t> expected = {0xFF0000FF, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000};
    QCOMPARE(b.pixels, expected);
}

void TestPictureLoader::laysTransparencyOverWhite() {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(255, 0, 0, 255));
    image.setPixel(2, 0, qRgba(0, 0, 255, 128));
    const QString path = m_dir.filePath(QStringLiteral("alpha.png"));
    writeFile(path, encode(image, "png"));
    const Bitmap b = loadPicture(path);
    // 128/255 of blue over white: red and green are 255 * 127 / 255 rounded.
    const std::vector<std::uint32_t> expected = {0xFFFFFFFF, 0xFFFF0000, 0xFF7F7FFF};
    QCOMPARE(b.pixels, expected);
}

void TestPictureLoader::choosesTheSmallestCoveringScale_data() {
    QTest::addColumn<bool>("turned");
    QTest::addColumn<int>("coverWidth");
    QTest::addColumn<int>("coverHeight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("no cover: full size") << false << 0 << 0 << 4000 << 3000;
    QTest::newRow("100x100: 1/8") << false << 100 << 100 << 500 << 375;
    QTest::newRow("500x375 exactly: 1/8") << false << 500 << 375 << 500 << 375;
    QTest::newRow("501x375: 1/4") << false << 501 << 375 << 1000 << 750;
    QTest::newRow("600x400: 1/4") << false << 600 << 400 << 1000 << 750;
    QTest::newRow("1500x10: 1/2") << false << 1500 << 10 << 2000 << 1500;
    QTest::newRow("10x1501: full") << false << 10 << 1501 << 4000 << 3000;
    QTest::newRow("larger than the picture: full") << false << 5000 << 5000 << 4000 << 3000;
    QTest::newRow("only a width") << false << 120 << 0 << 500 << 375;
    QTest::newRow("turned, no cover") << true << 0 << 0 << 3000 << 4000;
    QTest::newRow("turned, 100x100: 1/8") << true << 100 << 100 << 375 << 500;
    // As stored, 1/8 (500x375) would cover 400x100; as shown (375x500) it does not.
    QTest::newRow("turned, 400x100: sides exchanged first") << true << 400 << 100 << 750 << 1000;
    QTest::newRow("turned, 100x450: 1/8") << true << 100 << 450 << 375 << 500;
}

void TestPictureLoader::choosesTheSmallestCoveringScale() {
    QFETCH(bool, turned);
    QFETCH(int, coverWidth);
    QFETCH(int, coverHeight);
    QFETCH(int, width);
    QFETCH(int, height);
    const Bitmap b = loadPicture(turned ? m_largeTurned : m_large, coverWidth, coverHeight);
    QCOMPARE(b.width, width);
    QCOMPARE(b.height, height);
    // The colours are the photograph's, at the place a browser shows them: red grows along the
    // stored width, which a turn of orientation 6 makes the shown height.
    const std::uint32_t corner = b.at(turned ? 0 : b.width - 1, b.height - 1);
    QVERIFY2((corner >> 16 & 0xFF) > 230, qPrintable(hex(corner)));
    QCOMPARE(corner >> 24, 0xFFu);
}

void TestPictureLoader::turnsByExifOrientation_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<bool>("afterApp0");
    QTest::addColumn<QString>("shown");
    const QList<QPair<int, QString>> cases = {
        {1, QStringLiteral("RGB/YMC")},  {2, QStringLiteral("BGR/CMY")},  {3, QStringLiteral("CMY/BGR")},
        {4, QStringLiteral("YMC/RGB")},  {5, QStringLiteral("RY/GM/BC")}, {6, QStringLiteral("YR/MG/CB")},
        {7, QStringLiteral("CB/MG/YR")}, {8, QStringLiteral("BC/GM/RY")},
    };
    for (const auto& [orientation, shown] : cases) {
        QTest::addRow("%d, Intel order", orientation) << orientation << false << true << shown;
        QTest::addRow("%d, Motorola order, first segment", orientation)
            << orientation << true << false << shown;
    }
    QTest::newRow("no orientation tag") << 0 << false << true << QStringLiteral("RGB/YMC");
    QTest::newRow("orientation 9 is not one") << 9 << true << true << QStringLiteral("RGB/YMC");
}

void TestPictureLoader::turnsByExifOrientation() {
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    QFETCH(bool, afterApp0);
    QFETCH(QString, shown);
    // An XMP segment (also APP1) comes first, as some cameras write it; only the EXIF one counts.
    const QByteArray xmp = segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42));
    QByteArray jpeg = encode(gridImage(QString::fromLatin1(kGrid)), "jpeg", 100);
    jpeg = insertSegment(jpeg, segment(0xE1, exifPayload(orientation, bigEndian)), afterApp0);
    jpeg = insertSegment(jpeg, xmp, afterApp0);
    const QString path = m_dir.filePath(QStringLiteral("turned_%1.jpg").arg(QTest::currentDataTag()));
    writeFile(path, jpeg);

    const Bitmap b = loadPicture(path);
    QCOMPARE(gridOf(b), shown);
    QCOMPARE(b.width, int(shown.indexOf(QLatin1Char('/'))) * kBlock);
    QCOMPARE(b.height, int(shown.count(QLatin1Char('/')) + 1) * kBlock);
    // Shrink-on-load keeps the turn: an 8th of each block is one pixel.
    const Bitmap small = loadPicture(path, 1, 1);
    QCOMPARE(small.width, b.width / kBlock);
    QCOMPARE(small.height, b.height / kBlock);
}

void TestPictureLoader::truncatedJpegKeepsWhatArrived() {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 30));
    const QByteArray jpeg = encode(image, "jpeg", 90);
    const QString path = m_dir.filePath(QStringLiteral("cut.jpg"));
    // Keep the headers and the first part of the scan, as an interrupted download does.
    writeFile(path, jpeg.left(jpeg.indexOf(QByteArray("\xFF\xDA", 2)) + 40));
    const Bitmap b = loadPicture(path);
    QCOMPARE(b.width, 64);
    QCOMPARE(b.height, 64);
    QVERIFY2(near(b.at(1, 1), qRgb(200, 30, 30), 24), qPrintable(hex(b.at(1, 1))));
}

void TestPictureLoader::refusesBrokenFiles_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    const int other = int(veldrin::ErrorKind::Other);
    const QByteArray jpeg = encode(gridImage(QString::fromLatin1(kGrid)), "jpeg");
    const QByteArray png = encode(gridImage(QString::fromLatin1(kGrid)), "png");
    // Frame header of a picture of 60000 x 60000 pixels: 3.6 billion pixels.
    QByteArray huge = jpeg;
    const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    huge[sof + 5] = char(60000 >> 8);
    huge[sof + 6] = char(60000 & 0xFF);
    huge[sof + 7] = char(60000 >> 8);
    huge[sof + 8] = char(60000 & 0xFF);

    QTest::newRow("empty file") << "empty.jpg" << QByteArray("") << other;
    QTest::newRow("only SOI") << "soi.jpg" << QByteArray("\xFF\xD8", 2) << other;
    QTest::newRow("jpeg headers cut before the frame") << "cut.jpg" << jpeg.left(30) << other;
    QTest::newRow("garbage after SOI")
        << "garbage.jpg" << QByteArray("\xFF\xD8garbage and more garbage") << other;
    QTest::newRow("60000 x 60000 jpeg") << "huge.jpg" << huge << other;
    QTest::newRow("png cut in its header") << "cut.png" << png.left(20) << other;
    QTest::newRow("text with a picture's name") << "text.gif" << QByteArray("hello") << other;
    QTest::newRow("tga header only") << "short.tga" << QByteArray(5, '\x02') << other;
    QTest::newRow("tga of type 0") << "zero.tga" << tga(0, 2, 2, 24, 0, QByteArray(12, '\0')) << other;
    QTest::newRow("missing file") << "" << QByteArray() << int(veldrin::ErrorKind::FileNotFound);
    QTest::newRow("missing tga") << "" << QByteArray("tga") << int(veldrin::ErrorKind::FileNotFound);
    QTest::newRow("folder") << "folder.png" << QByteArray() << other;
}

void TestPictureLoader::refusesBrokenFiles() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QString path;
    if (fileName.isEmpty()) {
        path =
            m_dir.filePath(QStringLiteral("absent.") + QString::fromLatin1(bytes.isEmpty() ? "jpg" : bytes));
    } else if (bytes.isNull()) {
        path = m_dir.filePath(fileName);
        QVERIFY(QDir().mkpath(path));
    } else {
        path = m_dir.filePath(fileName);
        writeFile(path, bytes);
    }
    try {
        const Bitmap b = loadPicture(path);
        QFAIL(qPrintable(QStringLiteral("decoded as %1x%2").arg(b.width).arg(b.height)));
    } catch (const VeldrinError& e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY(!e.description().isEmpty());
    }
}

void TestPictureLoader::survivesEveryTruncation_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("baseline jpeg") << QByteArray("jpeg");
    QTest::newRow("progressive jpeg") << QByteArray("progressive");
    QTest::newRow("png") << QByteArray("png");
    QTest::newRow("bmp") << QByteArray("bmp");
}

// Any cut of a picture either decodes at the size its header gives or is refused; nothing else.
void TestPictureLoader::survivesEveryTruncation() {
    QFETCH(QByteArray, format);
    QImage image = gridImage(QStringLiteral("RGBY/MCRG/BYMC"));
    QByteArray whole;
    if (format == "progressive") {
        const QString sample = QStringLiteral(VELDRIN_SAMPLES_DIR "/progressive.jpg");
        whole = readFile(sample);
        image = QImage(240, 180, QImage::Format_RGB32);
    } else {
        whole = encode(image, format.constData());
    }
    QVERIFY(!whole.isEmpty());
    const QString path = m_dir.filePath(QStringLiteral("trunc.") + QString::fromLatin1(format));
    const int step = std::max<int>(1, int(whole.size() / 150));
    int decoded = 0;
    for (qsizetype cut = 1; cut < whole.size(); cut += step) {
        writeFile(path, whole.left(cut));
        try {
            const Bitmap b = loadPicture(path, cut % 2 ? 0 : 4, cut % 2 ? 0 : 4);
            QVERIFY(b.width > 0 && b.height > 0);
            QCOMPARE(b.pixels.size(), std::size_t(b.width) * std::size_t(b.height));
            ++decoded;
        } catch (const VeldrinError& e) {
            QVERIFY(!e.description().isEmpty());
        }
    }
    // The whole file always decodes.
    writeFile(path, whole);
    const Bitmap b = loadPicture(path);
    QCOMPARE(b.width, image.width());
    QCOMPARE(b.height, image.height());
    qDebug() << format << "cuts decoded:" << decoded;
}

QTEST_GUILESS_MAIN(TestPictureLoader)
#include "tst_picture_loader.moc"
