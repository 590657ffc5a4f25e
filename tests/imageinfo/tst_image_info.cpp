#include "picture_bytes.h"
#include "whole_file_jpeg.h"

#include "imageinfo/image_info.h"

#include "drop_root.h"
#include "startup/errors.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin;
using namespace veldrin::testing;

Q_DECLARE_METATYPE(ImageInfo)

namespace {

constexpr int NoError = -1;

struct Outcome {
    ImageInfo info;
    int error = NoError;
    bool operator==(const Outcome&) const = default;
};

template <typename Read> Outcome outcomeOf(Read read) {
    try {
        return {read(), NoError};
    } catch (const VeldrinError& e) {
        return {{}, int(e.kind())};
    }
}

char* toString(const Outcome& o) {
    const QByteArray text = QByteArray::number(o.info.ImageKind) + ' ' + QByteArray::number(o.info.Width) +
                            'x' + QByteArray::number(o.info.Height) + 'x' +
                            QByteArray::number(o.info.BitDepth) + " error " + QByteArray::number(o.error);
    return qstrdup(text.constData());
}

std::uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return 0;
}

const QByteArray app0 = jpegSegment(0xE0, QByteArray("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
const QByteArray dqt = jpegSegment(0xDB, QByteArray(65, '\x10'));
const QByteArray dht = jpegSegment(0xC4, QByteArray(29, '\x01'));

} // namespace

class TestImageInfo : public QObject {
    Q_OBJECT
private slots:
    void readers_data();
    void readers();
    void usableFile_data();
    void usableFile();
    void unopenableFileRaisesFileError();
    void jpegMatchesWholeFileScan();
    void largeJpegIsNotReadWhole();

private:
    QTemporaryDir m_dir;
};

void TestImageInfo::readers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("mode");
    QTest::addColumn<ImageInfo>("expected");
    QTest::addColumn<int>("error");

    const int overflow = int(ErrorKind::Overflow);
    const int outOfRange = int(ErrorKind::SubscriptOutOfRange);
    const QByteArray png = pngHeader(800, 600, 8, 2);
    auto row = [](const char* tag, const char* name, const QByteArray& bytes, int mode, ImageInfo expected,
                  int error = NoError) {
        QTest::newRow(tag) << QString::fromUtf8(name) << bytes << mode << expected << error;
    };

    row("bmp", "a.bmp", bmpHeader(640, 480, 24), 0, {1, 640, 480, 24});
    row("bmp top-down", "a.bmp", bmpHeader(640, std::uint32_t(-480), 32), 0, {1, 640, 480, 32});
    row("bmp largest height", "a.bmp", bmpHeader(1, 0x7FFFFFFF, 8), 1, {1, 1, 0x7FFFFFFF, 8});
    row("bmp width 2^31", "a.bmp", bmpHeader(0x80000000u, 1, 8), 0, {}, overflow);
    row("bmp height -2^31", "a.bmp", bmpHeader(1, 0x80000000u, 8), 1, {}, overflow);
    row("bmp signature only", "a.bmp", "BM", 0, {1, 0, 0, 0});
    row("bmp reader on gif", "a.gif", gifHeader(3, 4, 0), 1, {});
    row("gif packed F7", "a.gif", gifHeader(320, 200, 0xF7), 0, {2, 320, 200, 8});
    row("gif packed 00", "a.gif", gifHeader(65535, 1, 0), 2, {2, 65535, 1, 1});
    row("png grey", "a.png", pngHeader(1, 2, 8, 0), 0, {4, 1, 2, 8});
    row("png palette", "a.png", pngHeader(3, 4, 4, 3), 4, {4, 3, 4, 4});
    row("png rgb 16", "a.png", pngHeader(5, 6, 16, 2), 0, {4, 5, 6, 48});
    row("png rgba", "a.png", pngHeader(5, 6, 8, 6), 0, {4, 5, 6, 0});
    row("png grey alpha", "a.png", pngHeader(5, 6, 8, 4), 0, {4, 5, 6, 0});
    row("png height 2^31", "a.png", pngHeader(5, 0x80000000u, 8, 2), 0, {}, overflow);
    row("png named jpg", "photo.jpg", png, 0, {4, 800, 600, 24});
    row("png named jpg mode 3", "photo.jpg", png, 3, {});
    row("png named jpg mode 5", "photo.jpg", png, 5, {});
    row("JPEG capitals mode 5", "PHOTO.JPEG", jpegFile({jpegFrame(0xC0, 64, 48)}), 5, {3, 64, 48, 24});
    row("BMP capitals mode 5", "X.BMP", bmpHeader(7, 9, 1), 5, {1, 7, 9, 1});
    row("other name mode 5", "a.tga", png, 5, {});
    row("mode 6", "a.png", png, 6, {});
    row("mode -1", "a.png", png, -1, {});
    row("one byte", "a.bmp", "B", 0, {});
    row("one byte mode 1", "a.bmp", "B", 1, {});
    row("hidden", ".hidden.png", png, 0, {});
    row("hidden mode 4", ".hidden.png", png, 4, {});
    row("named .jpg only", ".jpg", png, 0, {});
    row("unknown signature", "a.bin", "RIFF\0\0\0\0WEBP", 0, {});

    row("jpeg tables before frame", "a.jpg",
        jpegFile({app0, jpegSegment(0xE1, exifPayload(true, 6)), dqt, dht, jpegFrame(0xC0, 640, 480)}), 0,
        {3, 640, 480, 24});
    row("jpeg progressive", "a.jpg", jpegFile({app0, dqt, jpegFrame(0xC2, 1024, 768)}), 0,
        {3, 1024, 768, 24});
    row("jpeg lossless", "a.jpg", jpegFile({jpegFrame(0xC3, 9, 8)}), 3, {3, 9, 8, 24});
    row("jpeg arithmetic", "a.jpg", jpegFile({jpegFrame(0xCB, 10, 11)}), 0, {3, 10, 11, 24});
    row("jpeg non-frame C markers skipped", "a.jpg",
        jpegFile({jpegFrame(0xC5, 1, 1), jpegFrame(0xC8, 2, 2), jpegFrame(0xCC, 3, 3), jpegFrame(0xCF, 4, 4),
                  jpegFrame(0xC9, 5, 6)}),
        0, {3, 5, 6, 24});
    row("jpeg without frame", "a.jpg", jpegFile({app0, dqt}), 0, {});
    row("jpeg stray byte", "a.jpg", QByteArray("\xFF\xD8\x00", 3) + jpegFrame(0xC0, 1, 1), 0, {});
    row("jpeg fill bytes", "a.jpg", QByteArray("\xFF\xD8\xFF", 3) + jpegFrame(0xC0, 2, 2), 0, {});
    row("jpeg frame cut off", "a.jpg", QByteArray("\xFF\xD8\xFF\xC0\x00\x11\x08\x01", 8), 0, {}, outOfRange);
    row("jpeg frame one byte short", "a.jpg", QByteArray("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x01\x00", 10), 0,
        {}, outOfRange);
    row("jpeg frame ends at last byte", "a.jpg",
        QByteArray("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x01\x00\x02", 11), 0, {3, 2, 1, 24});
    row("jpeg frame at length-5", "a.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x02\xFF\xC0\x00\x11\x08", 11), 3,
        {}, outOfRange);
    row("jpeg frame at length-4", "a.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x02\xFF\xC0\x00\x11", 10), 0, {});
}

void TestImageInfo::readers() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, mode);
    QFETCH(ImageInfo, expected);
    QFETCH(int, error);

    QTemporaryDir dir;
    const QString path = writeFile(dir.filePath(name), bytes);
    QVERIFY(!path.isEmpty());
    QCOMPARE(outcomeOf([&] { return GetImageInfo(path, mode); }), (Outcome{expected, error}));

    if (mode == 0) {
        // One pass over the head must give what the reader of the detected format gives alone.
        Outcome alone;
        for (auto reader : {ReadBmpInfo, ReadGifInfo, ReadJpegInfo, ReadPngInfo}) {
            const Outcome o = outcomeOf([&] { return reader(path); });
            if (o.error != NoError || o.info.ImageKind != 0)
                alone = o;
        }
        QCOMPARE(alone, (Outcome{expected, error}));
    }
}

void TestImageInfo::usableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("usable");
    QTest::newRow("two bytes") << "two.bmp" << true;
    QTest::newRow("one byte") << "one.bmp" << false;
    QTest::newRow("empty") << "empty.bmp" << false;
    QTest::newRow("hidden") << ".two.bmp" << false;
    QTest::newRow("in hidden folder") << ".folder/two.bmp" << true;
    QTest::newRow("folder") << "folder.bmp" << false;
    QTest::newRow("fifo") << "fifo.bmp" << false;
    QTest::newRow("link to file") << "link.bmp" << true;
    QTest::newRow("missing") << "missing.bmp" << false;
}

void TestImageInfo::usableFile() {
    QFETCH(QString, name);
    QFETCH(bool, usable);
    QDir dir(m_dir.path());
    if (!dir.exists(QStringLiteral("two.bmp"))) {
        writeFile(dir.filePath(QStringLiteral("two.bmp")), "BM");
        writeFile(dir.filePath(QStringLiteral("one.bmp")), "B");
        writeFile(dir.filePath(QStringLiteral("empty.bmp")), "");
        writeFile(dir.filePath(QStringLiteral(".two.bmp")), "BM");
        dir.mkpath(QStringLiteral(".folder"));
        writeFile(dir.filePath(QStringLiteral(".folder/two.bmp")), "BM");
        dir.mkpath(QStringLiteral("folder.bmp"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.bmp"))).constData(), 0600), 0);
        QVERIFY(
            QFile::link(dir.filePath(QStringLiteral("two.bmp")), dir.filePath(QStringLiteral("link.bmp"))));
    }
    const QString path = dir.filePath(name);
    QCOMPARE(IsUsableFile(path), usable);
    // Unusable files read as nothing in every mode, without blocking on the FIFO.
    if (!usable) {
        for (int mode = 0; mode <= 5; ++mode)
            QCOMPARE(GetImageInfo(path, mode), ImageInfo{});
    }
}

void TestImageInfo::unopenableFileRaisesFileError() {
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ExeOther | QFile::ReadOther));
    const QString path = writeFile(dir.filePath(QStringLiteral("locked.png")), pngHeader(1, 1, 8, 0));
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    DropRoot asNobody;
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK, AT_EACCESS) == 0)
        QSKIP("the file stays readable for this user");
    for (int mode = 0; mode <= 5; ++mode) {
        const Outcome o = outcomeOf([&] { return GetImageInfo(path, mode); });
        QCOMPARE(o.error, int(ErrorKind::PermissionDenied));
    }
}

void TestImageInfo::jpegMatchesWholeFileScan() {
    QRandomGenerator random(20240611);
    QTemporaryDir dir;
    const int markers[] = {0xC0, 0xC2, 0xC4, 0xC8, 0xCB, 0xD8, 0xDA, 0xDB, 0xE0, 0xE1, 0xFE, 0xFF, 0x00};
    for (int round = 0; round < 1500; ++round) {
        QByteArray b = random.bounded(10) ? QByteArray("\xFF\xD8", 2) : QByteArray("\xFF\xD9", 2);
        const int segments = random.bounded(8);
        for (int s = 0; s < segments; ++s) {
            b.append(random.bounded(20) ? char(0xFF) : char(random.bounded(256)));
            b.append(char(markers[random.bounded(int(std::size(markers)))]));
            // Mostly honest lengths; sometimes long ones that cross the reader's window.
            const int length = random.bounded(8) ? random.bounded(24) : random.bounded(3000, 9000);
            appendBE(b, std::uint32_t(length), 2);
            for (int i = 2; i < length; ++i)
                b.append(char(random.bounded(4) ? random.bounded(256) : 0));
        }
        b.truncate(random.bounded(b.size() + 1));
        // A fresh name each round: rewriting one file in place makes ext4 flush it to disk every time.
        const QString path = writeFile(dir.filePath(QStringLiteral("random%1.jpg").arg(round)), b);
        QVERIFY(!path.isEmpty());
        const auto* data = reinterpret_cast<const std::uint8_t*>(b.constData());
        const Outcome expected =
            b.size() > 1 ? outcomeOf([&] { return wholeFileJpegInfo(data, std::size_t(b.size())); })
                         : Outcome{};
        QCOMPARE(outcomeOf([&] { return ReadJpegInfo(path); }), expected);
        QCOMPARE(outcomeOf([&] { return GetImageInfo(path, 0); }),
                 b.startsWith("\xFF\xD8") ? expected : Outcome{});
    }
}

void TestImageInfo::largeJpegIsNotReadWhole() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.jpg"));
    QByteArray head = jpegFile({app0, dqt, jpegFrame(0xC0, 6000, 4000)});
    QVERIFY(!writeFile(path, head).isEmpty());
    QVERIFY(QFile::resize(path, 50 * 1024 * 1024));
    const std::uint64_t before = bytesReadSoFar();
    QCOMPARE(ReadJpegInfo(path), (ImageInfo{3, 6000, 4000, 24}));
    QCOMPARE(GetImageInfo(path, 0), (ImageInfo{3, 6000, 4000, 24}));
    QVERIFY2(bytesReadSoFar() - before < 64 * 1024, "the picture data was read");
}

QTEST_GUILESS_MAIN(TestImageInfo)
#include "tst_image_info.moc"
