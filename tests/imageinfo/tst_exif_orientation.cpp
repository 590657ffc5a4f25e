#include "picture_bytes.h"

#include "imageinfo/exif_orientation.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

// Hands the parser a heap block of exactly the payload's size, so a sanitizer sees any read past it.
int orientationOf(const QByteArray& payload) {
    auto copy = std::make_unique<std::uint8_t[]>(std::size_t(payload.size()) + 1);
    std::memcpy(copy.get(), payload.constData(), std::size_t(payload.size()));
    return exifOrientation(payload.isEmpty() ? nullptr : copy.get(), std::size_t(payload.size()));
}

QByteArray patched(QByteArray b, int at, const QByteArray& bytes) {
    return b.replace(at, bytes.size(), bytes);
}

// Offsets in exifPayload(): TIFF block at 6, IFD0 offset at 10, entry count at 14, orientation entry at 28.
constexpr int OrientationEntryEnd = 40;

} // namespace

class TestExifOrientation : public QObject {
    Q_OBJECT
private slots:
    void payload_data();
    void payload();
    void everyPrefixStaysInBounds();
    void fileOrientation_data();
    void fileOrientation();
};

void TestExifOrientation::payload_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("orientation");
    for (int v = 1; v <= 8; ++v) {
        QTest::addRow("little-endian %d", v) << exifPayload(true, v) << v;
        QTest::addRow("big-endian %d", v) << exifPayload(false, v) << v;
    }
    QTest::newRow("value 0") << exifPayload(true, 0) << 1;
    QTest::newRow("value 9") << exifPayload(false, 9) << 1;
    QTest::newRow("value 0x0600 read wrong-endian") << exifPayload(false, 0x0600) << 1;
    QTest::newRow("type LONG") << exifPayload(true, 6, 4) << 1;
    QTest::newRow("two values") << exifPayload(false, 6, 3, 2) << 1;
    QTest::newRow("not Exif") << patched(exifPayload(true, 6), 4, "X") << 1;
    QTest::newRow("unknown byte order") << patched(exifPayload(true, 6), 6, "IM") << 1;
    QTest::newRow("wrong magic") << patched(exifPayload(true, 6), 8, "\x2B") << 1;
    QTest::newRow("IFD beyond end") << patched(exifPayload(true, 6), 10, "\xF0\xFF\xFF\xFF") << 1;
    QTest::newRow("IFD at last byte") << patched(exifPayload(false, 6), 10, QByteArray("\0\0\0\x25", 4)) << 1;
    QTest::newRow("entry count too large") << patched(exifPayload(true, 6), 14, "\xFF\xFF") << 6;
    QTest::newRow("entry count 1") << patched(exifPayload(true, 6), 14, QByteArray("\1\0", 2)) << 1;
    QTest::newRow("empty") << QByteArray() << 1;
}

void TestExifOrientation::payload() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, orientation);
    QCOMPARE(orientationOf(bytes), orientation);
}

void TestExifOrientation::everyPrefixStaysInBounds() {
    for (bool littleEndian : {true, false}) {
        const QByteArray whole = exifPayload(littleEndian, 7);
        for (int size = 0; size <= whole.size(); ++size)
            QCOMPARE(orientationOf(whole.left(size)), size >= OrientationEntryEnd ? 7 : 1);
    }
}

void TestExifOrientation::fileOrientation_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("orientation");
    const QByteArray app0 = jpegSegment(0xE0, QByteArray("JFIF\0", 5));
    const QByteArray xmp = jpegSegment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const QByteArray frame = jpegFrame(0xC0, 64, 48);
    QTest::newRow("after APP0") << jpegFile({app0, jpegSegment(0xE1, exifPayload(true, 6)), frame}) << 6;
    QTest::newRow("big-endian") << jpegFile({jpegSegment(0xE1, exifPayload(false, 7)), frame}) << 7;
    QTest::newRow("after XMP") << jpegFile({xmp, jpegSegment(0xE1, exifPayload(false, 5)), frame}) << 5;
    QTest::newRow("first EXIF wins") << jpegFile({jpegSegment(0xE1, exifPayload(true, 2)),
                                                  jpegSegment(0xE1, exifPayload(true, 8)), frame})
                                     << 2;
    QTest::newRow("none") << jpegFile({app0, frame}) << 1;
    QTest::newRow("after frame") << jpegFile({frame, jpegSegment(0xE1, exifPayload(true, 6))}) << 1;
    QTest::newRow("cut before entry")
        << jpegFile({app0, jpegSegment(0xE1, exifPayload(true, 6))}).left(2 + 9 + 4 + 30) << 1;
    QTest::newRow("png") << pngHeader(1, 1, 8, 0) << 1;
}

void TestExifOrientation::fileOrientation() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, orientation);
    QTemporaryDir dir;
    QCOMPARE(jpegOrientation(writeFile(dir.filePath(QStringLiteral("p.jpg")), bytes)), orientation);
    QCOMPARE(jpegOrientation(dir.filePath(QStringLiteral("missing.jpg"))), 1);
}

QTEST_GUILESS_MAIN(TestExifOrientation)
#include "tst_exif_orientation.moc"
