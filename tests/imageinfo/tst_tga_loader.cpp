#include "picture_bytes.h"

#include "imageinfo/tga_loader.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

struct TgaLayout {
    int type = 2;
    int depth = 24;
    int width = 4;
    int height = 3;
    int descriptor = 0;
    int colorMap = 0;
    int mapLen = 0;
    int mapEnt = 0;
    int idLen = 0;
};

// The test picture, in repeats of three so that run-length packets form, and packets cross row ends.
std::uint32_t paletteColour(int i) {
    return std::uint32_t(i * 37 & 255) << 16 | std::uint32_t(i * 91 & 255) << 8 | std::uint32_t(255 - i);
}

std::uint32_t indexAt(const TgaLayout& s, int x, int y) {
    const int entries = s.type == 1 ? std::min(s.mapLen, 256) : 256;
    return std::uint32_t((x / 3 * 7 + y * 13) % entries);
}

std::uint32_t expected555(int v) {
    return std::uint32_t(v << 3 | v >> 2);
}

// The file bytes of picture pixel (x, y) and the colour the decoder must show for it.
QByteArray pixelBytes(const TgaLayout& s, int x, int y) {
    QByteArray b;
    const int u = x / 3;
    switch (s.depth) {
    case 8:
        b.append(char(indexAt(s, x, y)));
        break;
    case 16:
        appendLE(
            b, std::uint32_t((u * 3 % 32) << 10 | (y * 5 % 32) << 5 | (u + y) % 32 | ((x + y) & 1) << 15), 2);
        break;
    default:
        b.append(char((u ^ y) * 8)).append(char(y * 20)).append(char(u * 10));
        if (s.depth == 32)
            b.append(char(0x40));
        break;
    }
    return b;
}

std::uint32_t colourAt(const TgaLayout& s, int x, int y) {
    const int u = x / 3;
    switch (s.depth) {
    case 8:
        if (s.type == 1)
            return 0xFF000000u | paletteColour(int(indexAt(s, x, y)));
        return 0xFF000000u | indexAt(s, x, y) * 0x010101u;
    case 16:
        return 0xFF000000u | expected555(u * 3 % 32) << 16 | expected555(y * 5 % 32) << 8 |
               expected555((u + y) % 32);
    default:
        return 0xFF000000u | std::uint32_t(u * 10 & 255) << 16 | std::uint32_t(y * 20 & 255) << 8 |
               std::uint32_t((u ^ y) * 8 & 255);
    }
}

// Pixels in file order: rows bottom-up unless the descriptor says top-down, right-to-left when it says so.
QList<QByteArray> filePixels(const TgaLayout& s) {
    QList<QByteArray> pixels;
    for (int r = 0; r < s.height; ++r) {
        for (int c = 0; c < s.width; ++c) {
            const int x = s.descriptor & 0x10 ? s.width - 1 - c : c;
            const int y = s.descriptor & 0x20 ? r : s.height - 1 - r;
            pixels << pixelBytes(s, x, y);
        }
    }
    return pixels;
}

QByteArray runLengthEncode(const QList<QByteArray>& px) {
    QByteArray out;
    const qsizetype n = px.size();
    for (qsizetype i = 0; i < n;) {
        qsizetype run = 1;
        while (i + run < n && run < 128 && px[i + run] == px[i])
            ++run;
        if (run >= 2) {
            out.append(char(0x80 | (run - 1))).append(px[i]);
            i += run;
            continue;
        }
        qsizetype j = i;
        while (j < n && j - i < 128 && !(j + 1 < n && px[j + 1] == px[j]))
            ++j;
        j = std::max(j, i + 1);
        out.append(char(j - i - 1));
        for (qsizetype k = i; k < j; ++k)
            out.append(px[k]);
        i = j;
    }
    return out;
}

QByteArray tgaFile(const TgaLayout& s, bool runLength) {
    QByteArray b;
    b.append(char(s.idLen)).append(char(s.colorMap)).append(char(s.type + (runLength ? 8 : 0)));
    appendLE(b, 0, 2);
    appendLE(b, std::uint32_t(s.mapLen), 2);
    b.append(char(s.mapEnt));
    appendLE(b, 0, 4);
    appendLE(b, std::uint32_t(s.width), 2);
    appendLE(b, std::uint32_t(s.height), 2);
    b.append(char(s.depth)).append(char(s.descriptor));
    b.append(QByteArray(s.idLen, 'i'));
    for (int i = 0; i < (s.colorMap ? s.mapLen : 0); ++i) {
        QByteArray entry;
        appendLE(entry, paletteColour(i) | 0x80000000u, 4);
        b.append(entry.left((s.mapEnt + 7) / 8));
    }
    const QList<QByteArray> pixels = filePixels(s);
    return b + (runLength ? runLengthEncode(pixels) : pixels.join());
}

Bitmap expectedBitmap(const TgaLayout& s) {
    Bitmap bitmap{s.width, s.height, {}};
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            bitmap.pixels.push_back(colourAt(s, x, y));
    return bitmap;
}

QByteArray firstDifference(const Bitmap& got, const Bitmap& want) {
    if (got.width != want.width || got.height != want.height)
        return "size " + QByteArray::number(got.width) + 'x' + QByteArray::number(got.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            if (got.at(x, y) != want.at(x, y))
                return "pixel " + QByteArray::number(x) + ',' + QByteArray::number(y) + ": " +
                       QByteArray::number(got.at(x, y), 16) + " instead of " +
                       QByteArray::number(want.at(x, y), 16);
    return {};
}

} // namespace

class TestTgaLoader : public QObject {
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void rejects_data();
    void rejects();
    void truncatedRunLengthLeavesBlack();
    void truncatedLeavesBlack_data();
    void truncatedLeavesBlack();

private:
    std::optional<Bitmap> load(const QByteArray& bytes) {
        return LoadTGA(writeFile(m_dir.filePath(QStringLiteral("test.tga")), bytes));
    }
    QTemporaryDir m_dir;
};

void TestTgaLoader::decodes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("descriptor");
    QTest::addColumn<int>("colorMap");
    QTest::addColumn<int>("mapLen");
    QTest::addColumn<int>("mapEnt");
    QTest::addColumn<int>("idLen");
    QTest::newRow("colour-mapped, 24-bit entries") << 1 << 8 << 13 << 7 << 0 << 1 << 256 << 24 << 0;
    QTest::newRow("colour-mapped, 32-bit entries") << 1 << 8 << 9 << 5 << 0x20 << 1 << 256 << 32 << 3;
    QTest::newRow("colour-mapped, 16 entries") << 1 << 8 << 6 << 4 << 0 << 1 << 16 << 24 << 0;
    QTest::newRow("colour-mapped, 300 entries") << 1 << 8 << 40 << 10 << 0 << 1 << 300 << 24 << 0;
    QTest::newRow("grey") << 3 << 8 << 17 << 9 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("grey with unused map") << 3 << 8 << 8 << 8 << 0x20 << 2 << 10 << 24 << 0;
    QTest::newRow("16-bit") << 2 << 16 << 11 << 6 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("24-bit, 5 wide") << 2 << 24 << 5 << 4 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("32-bit, long ID") << 2 << 32 << 7 << 3 << 0x20 << 0 << 0 << 0 << 255;
    QTest::newRow("right-to-left") << 2 << 24 << 6 << 3 << 0x10 << 0 << 0 << 0 << 0;
    QTest::newRow("right-to-left, top-down") << 3 << 8 << 5 << 5 << 0x30 << 0 << 0 << 0 << 0;
    QTest::newRow("one pixel") << 2 << 16 << 1 << 1 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("long rows") << 2 << 24 << 700 << 2 << 0 << 0 << 0 << 0 << 0;
}

void TestTgaLoader::decodes() {
    TgaLayout layout;
    QFETCH(int, type);
    QFETCH(int, depth);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, descriptor);
    QFETCH(int, colorMap);
    QFETCH(int, mapLen);
    QFETCH(int, mapEnt);
    QFETCH(int, idLen);
    layout = {type, depth, width, height, descriptor, colorMap, mapLen, mapEnt, idLen};
    const Bitmap expected = expectedBitmap(layout);

    // Plain and run-length twins, stored bottom-up and top-down, all show the same picture.
    for (bool runLength : {false, true}) {
        for (int rowOrder : {0, 0x20}) {
            TgaLayout twin = layout;
            twin.descriptor = (layout.descriptor & ~0x20) | rowOrder;
            const std::optional<Bitmap> got = load(tgaFile(twin, runLength));
            QVERIFY2(got, runLength ? "run-length twin" : "plain twin");
            const QByteArray difference = firstDifference(*got, expected);
            QVERIFY2(difference.isEmpty(), difference.constData());
        }
    }
}

void TestTgaLoader::rejects_data() {
    QTest::addColumn<QByteArray>("bytes");
    const TgaLayout mapped{1, 8, 4, 4, 0, 1, 8, 24, 0};
    const TgaLayout grey{3, 8, 4, 4, 0, 0, 0, 0, 0};
    const TgaLayout rgb{2, 24, 4, 4, 0, 0, 0, 0, 0};
    auto patched = [](QByteArray b, int at, std::initializer_list<int> values) {
        for (int v : values)
            b[at++] = char(v);
        return b;
    };
    auto withHeader = [](QByteArray b, int width, int height, int type, int depth, int dataBytes) {
        b[2] = char(type);
        b[12] = char(width & 255), b[13] = char(width >> 8);
        b[14] = char(height & 255), b[15] = char(height >> 8);
        b[16] = char(depth);
        return b.left(18) + QByteArray(dataBytes, '\x7F');
    };
    QTest::newRow("16-bit map entries") << tgaFile({1, 8, 4, 4, 0, 1, 8, 16, 0}, false);
    QTest::newRow("15-bit map entries") << tgaFile({1, 8, 4, 4, 0, 1, 8, 15, 0}, true);
    QTest::newRow("image type 0") << patched(tgaFile(rgb, false), 2, {0});
    QTest::newRow("image type 32") << patched(tgaFile(rgb, false), 2, {32});
    QTest::newRow("pixel depth 15") << patched(tgaFile(rgb, false), 16, {15});
    QTest::newRow("width 0") << patched(tgaFile(rgb, false), 12, {0, 0});
    QTest::newRow("height 0") << patched(tgaFile(rgb, true), 14, {0, 0});
    QTest::newRow("negative width") << patched(tgaFile(rgb, false), 12, {4, 0x80});
    QTest::newRow("colour-mapped without map") << patched(tgaFile(mapped, false), 1, {0});
    QTest::newRow("colour-mapped 24-bit pixels") << patched(tgaFile(mapped, false), 16, {24});
    QTest::newRow("negative map length") << patched(tgaFile(mapped, false), 5, {0xFF, 0xFF});
    QTest::newRow("map without entries") << patched(tgaFile(mapped, false), 5, {0, 0});
    QTest::newRow("grey with map type 1") << tgaFile({3, 8, 4, 4, 0, 1, 4, 24, 0}, false);
    QTest::newRow("grey 16-bit") << tgaFile({3, 16, 4, 4, 0, 0, 0, 0, 0}, false);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("header cut short") << tgaFile(grey, false).left(17);
    QTest::newRow("implausible plain") << withHeader(tgaFile(rgb, false), 32767, 32767, 2, 32, 100);
    QTest::newRow("implausible run-length") << withHeader(tgaFile(rgb, false), 32767, 32767, 10, 32, 100);
    QTest::newRow("lying plain header alone") << withHeader(tgaFile(rgb, false), 32767, 32767, 2, 24, 0);
    QTest::newRow("plain too short") << withHeader(tgaFile(grey, false), 2000, 2000, 3, 8, 15000);
    QTest::newRow("run-length too short") << withHeader(tgaFile(grey, false), 2000, 2000, 11, 8, 15000);
}

void TestTgaLoader::rejects() {
    QFETCH(QByteArray, bytes);
    QVERIFY(!load(bytes));
}

void TestTgaLoader::truncatedRunLengthLeavesBlack() {
    // Raw packets of 128 grey pixels; cutting the file inside the second one leaves the rest black.
    const TgaLayout layout{3, 8, 16, 16, 0x20, 0, 0, 0, 0};
    QByteArray pixels;
    const QList<QByteArray> stream = filePixels(layout);
    for (int p = 0; p < 2; ++p) {
        pixels.append(char(127));
        for (int i = 0; i < 128; ++i)
            pixels.append(stream[p * 128 + i]);
    }
    const QByteArray whole = tgaFile(layout, true).left(18) + pixels;
    const std::optional<Bitmap> complete = load(whole);
    QVERIFY(complete);
    QCOMPARE(firstDifference(*complete, expectedBitmap(layout)), QByteArray());

    const std::optional<Bitmap> cut = load(whole.left(18 + 200));
    QVERIFY(cut);
    Bitmap expected = expectedBitmap(layout);
    std::fill(expected.pixels.begin() + 128 + 70, expected.pixels.end(), 0xFF000000u);
    QCOMPARE(firstDifference(*cut, expected), QByteArray());
    QVERIFY(!LoadTGA(m_dir.filePath(QStringLiteral("missing.tga"))));
    QVERIFY(!LoadTGA(m_dir.path()));
}

void TestTgaLoader::truncatedLeavesBlack_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("descriptor");
    QTest::addColumn<bool>("runLength");
    QTest::addColumn<int>("pixelsKept"); // in file order
    QTest::newRow("half the pixels, padded rows") << 24 << 5 << 6 << 0x20 << false << 15;
    QTest::newRow("half the pixels, whole read") << 32 << 7 << 4 << 0x20 << false << 14;
    QTest::newRow("half the pixels, bottom-up") << 8 << 9 << 6 << 0 << false << 27;
    QTest::newRow("cut inside a padded row") << 24 << 5 << 4 << 0x20 << false << 7;
    QTest::newRow("16-bit, half") << 16 << 6 << 5 << 0x20 << false << 15;
    QTest::newRow("header only") << 24 << 40 << 30 << 0 << false << 0;
    QTest::newRow("run-length header only") << 16 << 40 << 30 << 0x20 << true << 0;
}

void TestTgaLoader::truncatedLeavesBlack() {
    QFETCH(int, depth);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, descriptor);
    QFETCH(bool, runLength);
    QFETCH(int, pixelsKept);
    const TgaLayout layout{depth == 8 ? 3 : 2, depth, width, height, descriptor, 0, 0, 0, 0};
    const std::optional<Bitmap> got =
        load(tgaFile(layout, runLength).left(18 + (runLength ? 0 : pixelsKept * depth / 8)));
    QVERIFY(got);
    Bitmap expected = expectedBitmap(layout);
    for (int i = pixelsKept; i < width * height; ++i) {
        const int r = i / width;
        expected.pixels[size_t((descriptor & 0x20 ? r : height - 1 - r) * width + i % width)] = 0xFF000000u;
    }
    QCOMPARE(firstDifference(*got, expected), QByteArray());
}

QTEST_GUILESS_MAIN(TestTgaLoader)
#include "tst_tga_loader.moc"
