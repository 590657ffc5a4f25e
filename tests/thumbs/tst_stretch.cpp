#include "thumbs/stretch.h"

#include <QTest>

#include <cmath>
#include <initializer_list>

using veldrin::Bitmap;
using veldrin::stretchCopy;
using veldrin::StretchMode;

Q_DECLARE_METATYPE(veldrin::Bitmap)

namespace {

// A picture from rows of 0xRRGGBB values, opaque unless a value carries its own alpha byte.
Bitmap picture(std::initializer_list<std::initializer_list<std::uint32_t>> rows) {
    Bitmap b;
    b.height = int(rows.size());
    b.width = int(rows.begin()->size());
    for (const auto& row : rows)
        for (std::uint32_t p : row)
            b.pixels.push_back(p > 0xFFFFFF ? p : 0xFF000000u | p);
    return b;
}

QString describe(const Bitmap& b) {
    QStringList rows;
    for (int y = 0; y < b.height; ++y) {
        QStringList row;
        for (int x = 0; x < b.width; ++x)
            row << QString::number(b.at(x, y), 16).toUpper();
        rows << row.join(QLatin1Char(' '));
    }
    return QStringLiteral("%1x%2: ").arg(b.width).arg(b.height) + rows.join(QLatin1String(" / "));
}

int channel(std::uint32_t p, int shift) {
    return int((p >> shift) & 0xFF);
}

constexpr int BlackOnWhite = int(StretchMode::BlackOnWhite);
constexpr int WhiteOnBlack = int(StretchMode::WhiteOnBlack);
constexpr int ColorOnColor = int(StretchMode::ColorOnColor);
constexpr int Halftone = int(StretchMode::Halftone);

} // namespace

class TestStretch : public QObject {
    Q_OBJECT

private slots:
    void exactResults_data();
    void exactResults();
    void unknownModeActsAsBlackOnWhite_data();
    void unknownModeActsAsBlackOnWhite();
    void emptyInputGivesEmptyPicture_data();
    void emptyInputGivesEmptyPicture();
    void halftoneFollowsTheAreaAverage_data();
    void halftoneFollowsTheAreaAverage();
};

void TestStretch::exactResults_data() {
    QTest::addColumn<Bitmap>("source");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Bitmap>("expected");

    // Four 2x2 blocks: a ramp, the three primaries with white, black and white, four greys.
    const Bitmap quad = picture({{0x102030, 0x304050, 0xFF0000, 0x00FF00},
                                 {0x506070, 0x708090, 0x0000FF, 0xFFFFFF},
                                 {0x000000, 0x000000, 0x111111, 0x222222},
                                 {0xFFFFFF, 0xFFFFFF, 0x333333, 0x444444}});
    QTest::newRow("4x4 to 2x2 halftone averages, halves round up")
        << quad << Halftone << picture({{0x405060, 0x808080}, {0x808080, 0x2B2B2B}});
    QTest::newRow("4x4 to 2x2 black on white ANDs each block")
        << quad << BlackOnWhite << picture({{0x100010, 0x000000}, {0x000000, 0x000000}});
    QTest::newRow("4x4 to 2x2 white on black ORs each block")
        << quad << WhiteOnBlack << picture({{0x70E0F0, 0xFFFFFF}, {0xFFFFFF, 0x777777}});
    QTest::newRow("4x4 to 2x2 color on color takes the pixel under each centre")
        << quad << ColorOnColor << picture({{0x708090, 0xFFFFFF}, {0xFFFFFF, 0x444444}});

    // 3 -> 2: target 0 covers source 0 and half of 1, target 1 the other half of 1 and source 2.
    const Bitmap row3 = picture({{0x1E1E1E, 0x5A5A5A, 0x969696}});
    QTest::newRow("3x1 to 2x1 halftone weighs 1 and 0.5")
        << row3 << Halftone << picture({{0x323232, 0x828282}});
    QTest::newRow("3x1 to 2x1 black on white: the middle pixel's centre falls on target 1")
        << row3 << BlackOnWhite << picture({{0x1E1E1E, 0x121212}});
    QTest::newRow("3x1 to 2x1 white on black") << row3 << WhiteOnBlack << picture({{0x1E1E1E, 0xDEDEDE}});
    QTest::newRow("3x1 to 2x1 color on color") << row3 << ColorOnColor << picture({{0x1E1E1E, 0x969696}});
    const Bitmap column3 = picture({{0x1E1E1E}, {0x5A5A5A}, {0x969696}});
    QTest::newRow("1x3 to 1x2 halftone") << column3 << Halftone << picture({{0x323232}, {0x828282}});
    QTest::newRow("1x3 to 1x2 black on white")
        << column3 << BlackOnWhite << picture({{0x1E1E1E}, {0x121212}});

    // Each channel on its own: red (0x30, 0x90, 0) gives 0x50 and 0x30, green (0, 0, 0xF0) gives 0 and
    // 0xA0, blue (0, 0xF0, 0xF0) gives 0x50 and 0xF0.
    QTest::newRow("3x1 to 2x1 halftone per channel")
        << picture({{0x300000, 0x9000F0, 0x00F0F0}}) << Halftone << picture({{0x500050, 0x30A0F0}});

    const Bitmap two = picture({{0x204060, 0x60A0E0}, {0xFF8000, 0x0080FF}});
    const Bitmap twoEnlarged = picture({{0x204060, 0x204060, 0x60A0E0, 0x60A0E0},
                                        {0x204060, 0x204060, 0x60A0E0, 0x60A0E0},
                                        {0xFF8000, 0xFF8000, 0x0080FF, 0x0080FF},
                                        {0xFF8000, 0xFF8000, 0x0080FF, 0x0080FF}});
    for (int mode : {BlackOnWhite, WhiteOnBlack, ColorOnColor, Halftone})
        QTest::addRow("2x2 to 4x4 mode %d repeats each pixel", mode) << two << mode << twoEnlarged;

    // 2 -> 3: the middle target straddles both sources by a third each.
    const Bitmap pair = picture({{0x204060, 0x60A0E0}});
    QTest::newRow("2x1 to 3x1 halftone blends the middle")
        << pair << Halftone << picture({{0x204060, 0x4070A0, 0x60A0E0}});
    QTest::newRow("2x1 to 3x1 color on color")
        << pair << ColorOnColor << picture({{0x204060, 0x60A0E0, 0x60A0E0}});
    QTest::newRow("2x1 to 3x1 black on white takes the nearest")
        << pair << BlackOnWhite << picture({{0x204060, 0x60A0E0, 0x60A0E0}});

    // Shrinking one way while enlarging the other.
    const Bitmap wide = picture({{0xF0F0F0, 0x3C3C3C, 0x0F0F0F, 0xFF0000}});
    QTest::newRow("4x1 to 2x2 black on white")
        << wide << BlackOnWhite << picture({{0x303030, 0x0F0000}, {0x303030, 0x0F0000}});
    QTest::newRow("4x1 to 2x2 white on black")
        << wide << WhiteOnBlack << picture({{0xFCFCFC, 0xFF0F0F}, {0xFCFCFC, 0xFF0F0F}});
    QTest::newRow("4x1 to 2x2 halftone")
        << wide << Halftone << picture({{0x969696, 0x870808}, {0x969696, 0x870808}});

    // Same size: a plain copy, but every pixel comes out opaque.
    const Bitmap seeThrough = picture({{0x00123456, 0x80FEDCBA}});
    for (int mode : {BlackOnWhite, WhiteOnBlack, ColorOnColor, Halftone})
        QTest::addRow("same size mode %d copies and makes opaque", mode)
            << seeThrough << mode << picture({{0x123456, 0xFEDCBA}});
}

void TestStretch::exactResults() {
    QFETCH(Bitmap, source);
    QFETCH(int, mode);
    QFETCH(Bitmap, expected);
    const Bitmap result = stretchCopy(source, expected.width, expected.height, mode);
    QCOMPARE(describe(result), describe(expected));
}

void TestStretch::unknownModeActsAsBlackOnWhite_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("0") << 0;
    QTest::newRow("5") << 5;
    QTest::newRow("-1") << -1;
    QTest::newRow("65536") << 65536;
}

void TestStretch::unknownModeActsAsBlackOnWhite() {
    QFETCH(int, mode);
    const Bitmap source = picture({{0xF0F0F0, 0x3C3C3C}, {0x0F0F0F, 0xFFFFFF}});
    const Bitmap result = stretchCopy(source, 1, 1, mode);
    QCOMPARE(describe(result), describe(picture({{0x000000}})));
    QCOMPARE(describe(result), describe(stretchCopy(source, 1, 1, BlackOnWhite)));
}

void TestStretch::emptyInputGivesEmptyPicture_data() {
    QTest::addColumn<Bitmap>("source");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const Bitmap one = picture({{0x123456}});
    QTest::newRow("empty source") << Bitmap{} << 10 << 10;
    QTest::newRow("zero width") << one << 0 << 10;
    QTest::newRow("negative height") << one << 10 << -1;
    QTest::newRow("pixels missing") << Bitmap{2, 2, {0xFF000000u}} << 1 << 1;
    QTest::newRow("target beyond any memory") << one << 1 << (1 << 30);
}

void TestStretch::emptyInputGivesEmptyPicture() {
    QFETCH(Bitmap, source);
    QFETCH(int, width);
    QFETCH(int, height);
    for (int mode : {BlackOnWhite, WhiteOnBlack, ColorOnColor, Halftone}) {
        const Bitmap result = stretchCopy(source, width, height, mode);
        QVERIFY2(result.isNull(), qPrintable(QStringLiteral("mode %1").arg(mode)));
        QVERIFY(result.pixels.empty());
    }
}

void TestStretch::halftoneFollowsTheAreaAverage_data() {
    QTest::addColumn<int>("sourceWidth");
    QTest::addColumn<int>("sourceHeight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("256x192 to 37x29") << 256 << 192 << 37 << 29;
    QTest::newRow("256x192 to 100x75") << 256 << 192 << 100 << 75;
    QTest::newRow("200x150 to 7x150") << 200 << 150 << 7 << 150;
    QTest::newRow("60x40 to 1x1") << 60 << 40 << 1 << 1;
    QTest::newRow("30x20 to 47x33, enlarged") << 30 << 20 << 47 << 33;
}

// A picture whose red rises by one per column and green by one per row: the average over a box is
// the value at the box's centre, half a pixel back (pixel i holds i over [i, i + 1)).
void TestStretch::halftoneFollowsTheAreaAverage() {
    QFETCH(int, sourceWidth);
    QFETCH(int, sourceHeight);
    QFETCH(int, width);
    QFETCH(int, height);
    Bitmap ramp{sourceWidth, sourceHeight, {}};
    for (int y = 0; y < sourceHeight; ++y)
        for (int x = 0; x < sourceWidth; ++x)
            ramp.pixels.push_back(0xFF000000u | std::uint32_t(x) << 16 | std::uint32_t(y) << 8 | 0x55);

    const Bitmap result = stretchCopy(ramp, width, height, Halftone);
    QCOMPARE(result.width, width);
    QCOMPARE(result.height, height);
    const double sx = double(sourceWidth) / width;
    const double sy = double(sourceHeight) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = result.at(x, y);
            const double red = (x + 0.5) * sx - 0.5;
            const double green = (y + 0.5) * sy - 0.5;
            // A box narrower than a pixel sees a step, not a slope.
            const double tolerance = sx < 1 || sy < 1 ? 0.51 + 0.5 : 0.51 + 0.125;
            QVERIFY2(std::abs(channel(p, 16) - red) <= tolerance,
                     qPrintable(QStringLiteral("red at %1,%2: %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(channel(p, 16))
                                    .arg(red)));
            QVERIFY2(std::abs(channel(p, 8) - green) <= tolerance,
                     qPrintable(QStringLiteral("green at %1,%2: %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(channel(p, 8))
                                    .arg(green)));
            QCOMPARE(channel(p, 0), 0x55);
            QCOMPARE(p >> 24, 0xFFu);
        }
    }
}

QTEST_APPLESS_MAIN(TestStretch)
#include "tst_stretch.moc"
