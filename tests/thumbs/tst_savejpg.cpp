#include "thumbs/jpeg_library.h"

#include "drop_root.h"
#include "savejpg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

#include <csignal>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>

using veldrin::Bitmap;
using veldrin::JpegLibrary;

namespace {

const QString modulePath = QStringLiteral(VELDRIN_SAVEJPG_PATH);

// Blocks of distinct colours with a diagonal ramp inside, so channel order and placement both show.
Bitmap testPicture(int width, int height) {
    Bitmap b{width, height, {}};
    b.pixels.reserve(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t r = x < width / 2 ? 0xE0 : 0x20;
            const std::uint32_t g = std::uint32_t((x + y) * 255 / (width + height));
            const std::uint32_t bl = y < height / 2 ? 0x30 : 0xD0;
            b.pixels.push_back(0xFF000000u | r << 16 | g << 8 | bl);
        }
    }
    return b;
}

// Noise compresses badly, so the file is many times larger than a small size limit.
Bitmap noisePicture(int width, int height) {
    Bitmap b{width, height, {}};
    std::uint32_t state = 12345;
    for (int i = 0; i < width * height; ++i) {
        state = state * 1664525u + 1013904223u;
        b.pixels.push_back(0xFF000000u | (state >> 8));
    }
    return b;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Header {
    bool ok = false;
    int width = 0;
    int height = 0;
};

Header jpegHeader(const QByteArray& jpeg) {
    Header h;
    tjhandle t = tjInitDecompress();
    int subsampling = 0, colourspace = 0;
    h.ok = tjDecompressHeader3(t, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                               static_cast<unsigned long>(jpeg.size()), &h.width, &h.height, &subsampling,
                               &colourspace) == 0;
    tjDestroy(t);
    return h;
}

// Decodes to 0xRRGGBB pixels, top row first.
std::vector<std::uint32_t> decodeRgb(const QByteArray& jpeg, int width, int height) {
    std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
    tjhandle t = tjInitDecompress();
    const int rc = tjDecompress2(t, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                 static_cast<unsigned long>(jpeg.size()), rgb.data(), width, width * 3,
                                 height, TJPF_RGB, 0);
    tjDestroy(t);
    if (rc != 0)
        return {};
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        out.push_back(std::uint32_t(rgb[i]) << 16 | std::uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
    return out;
}

// The marker segments before the first scan, as (marker, payload) pairs.
QList<QPair<int, QByteArray>> segments(const QByteArray& jpeg) {
    QList<QPair<int, QByteArray>> list;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && std::uint8_t(jpeg[pos]) == 0xFF) {
        const int marker = std::uint8_t(jpeg[pos + 1]);
        const int length = std::uint8_t(jpeg[pos + 2]) << 8 | std::uint8_t(jpeg[pos + 3]);
        list.append({marker, jpeg.mid(pos + 4, length - 2)});
        if (marker == 0xDA)
            break;
        pos += 2 + length;
    }
    return list;
}

// The first value of the luminance quantisation table (table 0), -1 when there is none.
int firstLuminanceQuantiser(const QByteArray& jpeg) {
    for (const auto& [marker, payload] : segments(jpeg)) {
        if (marker != 0xDB)
            continue;
        qsizetype p = 0;
        while (p < payload.size()) {
            const int precision = std::uint8_t(payload[p]) >> 4;
            const int table = std::uint8_t(payload[p]) & 0x0F;
            if (table == 0)
                return precision == 0 ? std::uint8_t(payload[p + 1])
                                      : std::uint8_t(payload[p + 1]) << 8 | std::uint8_t(payload[p + 2]);
            p += 1 + 64 * (precision == 0 ? 1 : 2);
        }
    }
    return -1;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestSaveJpg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void writesAJpegOfTheGivenSize_data();
    void writesAJpegOfTheGivenSize();
    void keepsColoursAndPlaces();
    void readsRowsAStrideApart();
    void progressiveFlagChoosesTheFrameType_data();
    void progressiveFlagChoosesTheFrameType();
    void qualityScalesTheQuantisers_data();
    void qualityScalesTheQuantisers();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void replacesAnOlderFile();
    void writesNonAsciiNames();
    void missingFolderFails();
    void readOnlyFolderFails();
    void fullDiskKeepsTheOldFile();
    void keepsItsHelpersPrivate();
    void loadFailures_data();
    void loadFailures();
    void moveKeepsTheModule();

private:
    std::optional<JpegLibrary> m_library;
    void* m_raw = nullptr;
    DCSavetoJPEGFunction m_save = nullptr;
    QTemporaryDir m_dir;
};

void TestSaveJpg::initTestCase() {
    QVERIFY(m_dir.isValid());
    QString error;
    m_library = JpegLibrary::load(modulePath, &error);
    QVERIFY2(m_library.has_value(), qPrintable(error));
    // The raw function reaches the arguments that a Bitmap never produces.
    m_raw = ::dlopen(QFile::encodeName(modulePath).constData(), RTLD_NOW | RTLD_LOCAL);
    QVERIFY(m_raw);
    m_save = reinterpret_cast<DCSavetoJPEGFunction>(::dlsym(m_raw, "DCSavetoJPEG"));
    QVERIFY(m_save);
}

void TestSaveJpg::cleanupTestCase() {
    if (m_raw)
        ::dlclose(m_raw);
}

void TestSaveJpg::writesAJpegOfTheGivenSize_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("1x1") << 1 << 1 << false;
    QTest::newRow("7x5, partial blocks") << 7 << 5 << false;
    QTest::newRow("100x75 thumbnail") << 100 << 75 << false;
    QTest::newRow("100x75 progressive") << 100 << 75 << true;
    QTest::newRow("17x300 tall") << 17 << 300 << true;
    QTest::newRow("641x479 odd sides") << 641 << 479 << false;
}

void TestSaveJpg::writesAJpegOfTheGivenSize() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, progressive);
    const QString path = m_dir.filePath(QStringLiteral("size_%1x%2.jpg").arg(width).arg(height));
    QCOMPARE(m_library->save(testPicture(width, height), path, 75, progressive), 0);
    const Header h = jpegHeader(readFile(path));
    QVERIFY(h.ok);
    QCOMPARE(h.width, width);
    QCOMPARE(h.height, height);
}

void TestSaveJpg::keepsColoursAndPlaces() {
    const Bitmap source = testPicture(64, 48);
    const QString path = m_dir.filePath(QStringLiteral("colours.jpg"));
    QCOMPARE(m_library->save(source, path, 95, false), 0);
    const std::vector<std::uint32_t> decoded = decodeRgb(readFile(path), 64, 48);
    QCOMPARE(decoded.size(), source.pixels.size());
    for (int y = 4; y < 48; y += 8) {
        for (int x = 4; x < 64; x += 8) {
            const std::uint32_t want = source.at(x, y);
            const std::uint32_t got = decoded[std::size_t(y) * 64 + x];
            for (int shift : {16, 8, 0}) {
                const int diff = int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF);
                QVERIFY2(std::abs(diff) <= 8, qPrintable(QStringLiteral("pixel %1,%2: %3 for %4")
                                                             .arg(x)
                                                             .arg(y)
                                                             .arg(got, 6, 16, QLatin1Char('0'))
                                                             .arg(want & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
            }
        }
    }
}

void TestSaveJpg::readsRowsAStrideApart() {
    const Bitmap tight = testPicture(30, 20);
    // Each row followed by 8 bytes of bright pink that must not show anywhere.
    std::vector<std::uint32_t> padded;
    for (int y = 0; y < 20; ++y) {
        padded.insert(padded.end(), tight.row(y), tight.row(y) + 30);
        padded.insert(padded.end(), {0xFFFF00FFu, 0xFFFF00FFu});
    }
    const QString a = m_dir.filePath(QStringLiteral("tight.jpg"));
    const QString b = m_dir.filePath(QStringLiteral("padded.jpg"));
    QCOMPARE(m_save(tight.pixels.data(), 30 * 4, 30, 20, QFile::encodeName(a).constData(), 90, 0), 0);
    QCOMPARE(m_save(padded.data(), 32 * 4, 30, 20, QFile::encodeName(b).constData(), 90, 0), 0);
    QCOMPARE(readFile(b), readFile(a));
}

void TestSaveJpg::progressiveFlagChoosesTheFrameType_data() {
    QTest::addColumn<int>("progressive");
    QTest::addColumn<int>("frameMarker");
    QTest::newRow("0: baseline") << 0 << 0xC0;
    QTest::newRow("1: progressive") << 1 << 0xC2;
    QTest::newRow("-1, the old true: progressive") << -1 << 0xC2;
    QTest::newRow("2: progressive") << 2 << 0xC2;
}

void TestSaveJpg::progressiveFlagChoosesTheFrameType() {
    QFETCH(int, progressive);
    QFETCH(int, frameMarker);
    const Bitmap source = testPicture(40, 30);
    const QString path = m_dir.filePath(QStringLiteral("frame_%1.jpg").arg(progressive));
    QCOMPARE(m_save(source.pixels.data(), source.stride(), 40, 30, QFile::encodeName(path).constData(), 80,
                    progressive),
             0);
    QList<int> frames;
    for (const auto& segment : segments(readFile(path)))
        if (segment.first >= 0xC0 && segment.first <= 0xCF && segment.first != 0xC4 && segment.first != 0xCC)
            frames << segment.first;
    QCOMPARE(frames, QList<int>{frameMarker});
}

void TestSaveJpg::qualityScalesTheQuantisers_data() {
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("effective");
    for (int q : {1, 10, 25, 49, 50, 51, 75, 90, 95, 100})
        QTest::addRow("%d", q) << q << q;
    QTest::newRow("0 counts as 1") << 0 << 1;
    QTest::newRow("-20 counts as 1") << -20 << 1;
    QTest::newRow("101 counts as 100") << 101 << 100;
    QTest::newRow("255 counts as 100") << 255 << 100;
}

// The IJG scaling of the standard luminance table, whose first value is 16.
void TestSaveJpg::qualityScalesTheQuantisers() {
    QFETCH(int, quality);
    QFETCH(int, effective);
    const int scale = effective < 50 ? 5000 / effective : 200 - 2 * effective;
    const int expected = std::clamp((16 * scale + 50) / 100, 1, 255);

    const QString path = m_dir.filePath(QStringLiteral("quality_%1.jpg").arg(quality));
    QCOMPARE(m_library->save(testPicture(32, 32), path, quality, false), 0);
    QCOMPARE(firstLuminanceQuantiser(readFile(path)), expected);
}

void TestSaveJpg::refusesBadArguments_data() {
    QTest::addColumn<bool>("withPixels");
    QTest::addColumn<int>("stride");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QByteArray>("name");
    const QByteArray name("bad.jpg");
    QTest::newRow("no pixels") << false << 64 << 16 << 16 << name;
    QTest::newRow("width 0") << true << 64 << 0 << 16 << name;
    QTest::newRow("height 0") << true << 64 << 16 << 0 << name;
    QTest::newRow("negative width") << true << 64 << -16 << 16 << name;
    QTest::newRow("negative height") << true << 64 << 16 << -1 << name;
    QTest::newRow("width beyond JPEG") << true << 65501 * 4 << 65501 << 1 << name;
    QTest::newRow("stride shorter than a row") << true << 63 << 16 << 16 << name;
    QTest::newRow("negative stride") << true << -64 << 16 << 16 << name;
    QTest::newRow("no file name") << true << 64 << 16 << 16 << QByteArray();
    QTest::newRow("empty file name") << true << 64 << 16 << 16 << QByteArray("");
}

void TestSaveJpg::refusesBadArguments() {
    QFETCH(bool, withPixels);
    QFETCH(int, stride);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const Bitmap source = testPicture(16, 16);
    const QByteArray path =
        name.isNull() ? QByteArray() : QFile::encodeName(dir.filePath(QString::fromUtf8(name)));
    const char* fileName = name.isNull() ? nullptr : name.isEmpty() ? "" : path.constData();
    QCOMPARE(m_save(withPixels ? source.pixels.data() : nullptr, stride, width, height, fileName, 75, 0),
             int(SAVEJPG_BAD_ARGUMENT));
    QCOMPARE(entries(dir.path()), QStringList());
}

void TestSaveJpg::replacesAnOlderFile() {
    const QString path = m_dir.filePath(QStringLiteral("replace.jpg"));
    QCOMPARE(m_library->save(testPicture(10, 10), path, 75, false), 0);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    QCOMPARE(m_library->save(testPicture(20, 30), path, 75, true), 0);
    const Header h = jpegHeader(readFile(path));
    QCOMPARE(h.width, 20);
    QCOMPARE(h.height, 30);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0640));
}

void TestSaveJpg::writesNonAsciiNames() {
    const QString path = m_dir.filePath(QStringLiteral("サムネイル 旅行.jpg"));
    QCOMPARE(m_library->save(testPicture(12, 8), path, 75, false), 0);
    QVERIFY(jpegHeader(readFile(path)).ok);
}

void TestSaveJpg::missingFolderFails() {
    const QString folder = m_dir.filePath(QStringLiteral("not there"));
    QVERIFY(m_library->save(testPicture(12, 8), folder + QStringLiteral("/a.jpg"), 75, false) != 0);
    QVERIFY(!QFileInfo::exists(folder));
}

void TestSaveJpg::readOnlyFolderFails() {
    QTemporaryDir dir;
    // The unprivileged user must reach the folder, but not write in its child.
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0555) == 0);
    int result = 0;
    {
        veldrin::testing::DropRoot asNobody;
        result = m_library->save(testPicture(12, 8), locked + QStringLiteral("/a.jpg"), 75, false);
    }
    QCOMPARE(result, int(SAVEJPG_WRITE_FAILED));
    QCOMPARE(entries(locked), QStringList());
}

void TestSaveJpg::fullDiskKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.jpg"));
    QCOMPARE(m_library->save(testPicture(16, 16), path, 75, false), 0);
    const QByteArray before = readFile(path);
    QVERIFY(!before.isEmpty());

    // A file size limit fails the write the way a full disk does, with the signal ignored.
    struct rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto* const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    int result = -1;
    if (::setrlimit(RLIMIT_FSIZE, &small) == 0) {
        result = m_library->save(noisePicture(256, 256), path, 100, false);
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, int(SAVEJPG_WRITE_FAILED));
    QCOMPARE(readFile(path), before);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("old.jpg")});
    // Without the limit the same picture is written, so the limit was what failed it.
    QCOMPARE(m_library->save(noisePicture(256, 256), path, 100, false), 0);
    QVERIFY(readFile(path).size() > qsizetype(small.rlim_cur));
}

void TestSaveJpg::keepsItsHelpersPrivate() {
    // Only the entry point is visible; the module's own file writer stays its own.
    QVERIFY(::dlsym(m_raw, "DCSavetoJPEG"));
    QVERIFY(!::dlsym(m_raw, "_ZN7veldrin15atomicWriteFileEPKcPKvm"));
}

void TestSaveJpg::loadFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("nothing.DLL"));
    QTest::newRow("not a library") << QStringLiteral(VELDRIN_SAMPLES_DIR "/album.html");
    QTest::newRow("library without the function") << QStringLiteral("libm.so.6");
}

void TestSaveJpg::loadFailures() {
    QFETCH(QString, path);
    QString error;
    QVERIFY(!JpegLibrary::load(path, &error).has_value());
    QVERIFY(!error.isEmpty());
}

void TestSaveJpg::moveKeepsTheModule() {
    std::optional<JpegLibrary> first = JpegLibrary::load(modulePath);
    QVERIFY(first.has_value());
    JpegLibrary second = std::move(*first);
    first.reset();
    const QString a = m_dir.filePath(QStringLiteral("moved.jpg"));
    QCOMPARE(second.save(testPicture(8, 8), a, 75, false), 0);

    JpegLibrary third = std::move(second);
    const QString b = m_dir.filePath(QStringLiteral("moved_from.jpg"));
    QVERIFY(second.save(testPicture(8, 8), b, 75, false) != 0);
    QVERIFY(!QFileInfo::exists(b));
    QVERIFY(third.save(Bitmap{}, b, 75, false) != 0);
    QVERIFY(third.save(Bitmap{4, 4, {0xFF000000u}}, b, 75, false) != 0);
    QVERIFY(!QFileInfo::exists(b));
    QCOMPARE(third.save(testPicture(8, 8), b, 75, false), 0);
}

QTEST_APPLESS_MAIN(TestSaveJpg)
#include "tst_savejpg.moc"
