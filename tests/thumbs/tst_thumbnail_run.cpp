#include "drop_root.h"
#include "htmlgen/generation_run.h"
#include "scripted_host.h"
#include "startup/settings.h"
#include "startup/sjis.h"
#include "thumbs/thumbnail.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace veldrin;
using veldrin::testing::ScriptedHost;

namespace {

const QString kLibrary = QStringLiteral(VELDRIN_SAVEJPG_PATH);

void writePicture(const QString& path, int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    QVERIFY(image.save(path, format));
}

// A 24-bit uncompressed TGA, rows from the bottom up.
void writeTga(const QString& path, int width, int height) {
    QByteArray bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    for (int i = 0; i < width * height; ++i)
        bytes += QByteArray("\x20\x80\xE0", 3);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void setModified(const QString& path, qint64 secondsSinceEpoch) {
    const struct timespec times[2] = {{secondsSinceEpoch, 0}, {secondsSinceEpoch, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

qint64 modifiedSeconds(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim.tv_sec;
}

struct JpegFacts {
    bool valid = false;
    int width = 0;
    int height = 0;
    bool progressive = false;
};

JpegFacts jpegFacts(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, space = 0;
    const bool ok = tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(data.constData()),
                                        static_cast<unsigned long>(data.size()), &w, &h, &sub, &space) == 0;
    tjDestroy(tj);
    return {ok, w, h, data.contains(QByteArray("\xFF\xC2", 2))};
}

} // namespace

// Whole runs that make thumbnails and convert TGA files, with the window's answers scripted.
class TestThumbnailRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void numbersNamesWithinARunAndAsksAcrossRuns();
    void affixAfterTheName();
    void keepAllAndOverwriteAll_data();
    void keepAllAndOverwriteAll();
    void thumbnailsAreJpegsOfTheDisplaySize_data();
    void thumbnailsAreJpegsOfTheDisplaySize();
    void convertsTgaOnceAsked();
    void conversionRefusedIsNotAskedAgain();
    void missingLibrarySwitchesBothOff();
    void unwritableFolderLeavesNoPartialFile();
    void brokenPictureGetsNoThumbnail();
    void readAheadWaitsForConversion();
    void oneAndTwoWorkersAgree_data();
    void oneAndTwoWorkersAgree();

private:
    RunResult run(ScriptedHost& host);
    QString listText() const;

    QTemporaryDir m_dir;
    QString m_root;
    Settings m_settings;
    RunValues m_values;
};

void TestThumbnailRun::init() {
    m_dir = {};
    (void)m_dir.isValid();
    QTemporaryDir fresh;
    QVERIFY(fresh.isValid());
    m_root = fresh.path() + QStringLiteral("/pics/");
    fresh.setAutoRemove(false);
    QVERIFY(QDir().mkpath(m_root));
    m_settings = defaultSettings(fresh.path() + u'/');
    m_settings.FOLDER = m_root;
    m_settings.OUTHTMLTYPE = QStringLiteral("1");
    m_settings.TRUERATIO = QStringLiteral("1");
    m_settings.CREATESPIC = QStringLiteral("1");
    m_values = RunValues{};
    m_values.jpegLibrary = JpegLibrary::load(kLibrary);
    QVERIFY(m_values.jpegLibrary);
}

RunResult TestThumbnailRun::run(ScriptedHost& host) {
    RecordSettingsAccess access(m_settings);
    RunEnv env{access, host, m_values, m_root, m_root};
    return GenerateListPages(env);
}

QString TestThumbnailRun::listText() const {
    QFile f(m_root + QStringLiteral("list.html"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return fromShiftJis(f.readAll());
}

void TestThumbnailRun::numbersNamesWithinARunAndAsksAcrossRuns() {
    writePicture(m_root + QStringLiteral("a.gif"), 40, 30, "PNG"); // content decides, not the name
    writePicture(m_root + QStringLiteral("a.bmp"), 40, 30, "BMP");

    ScriptedHost first;
    first.answerNext(MessageAnswer::No); // do not open the result
    QCOMPARE(run(first).end, RunResult::End::Written);
    QCOMPARE(first.boxes().size(), size_t(1));
    // a.bmp sorts first and takes the plain name; a.gif finds it written in this run.
    QVERIFY(QFile::exists(m_root + QStringLiteral("tm_a.jpg")));
    QVERIFY(QFile::exists(m_root + QStringLiteral("tm_a1.jpg")));
    QVERIFY(
        listText().contains(QStringLiteral("SRC='file:///") + m_root.mid(1) + QStringLiteral("tm_a1.jpg'")));

    // Dated in the future, they are still an earlier run's: only what this run wrote is numbered.
    const qint64 future = QDateTime::currentSecsSinceEpoch() + 86400;
    setModified(m_root + QStringLiteral("tm_a.jpg"), future);
    setModified(m_root + QStringLiteral("tm_a1.jpg"), future);

    ScriptedHost second;
    second.answerNext(MessageAnswer::Yes); // overwrite the list
    second.answerNext(MessageAnswer::Yes); // overwrite tm_a.jpg
    second.answerNext(MessageAnswer::No);  // but not every clashing file without asking
    second.answerNext(MessageAnswer::No);  // do not open the result
    QCOMPARE(run(second).end, RunResult::End::Written);
    const QStringList texts = second.boxTexts();
    QCOMPARE(texts.size(), 4);
    QCOMPARE(texts[1],
             m_root + QStringLiteral(
                          "tm_a.jpgが存在します。\r\n現在のファイルを新しいファイルで上書きしますか？\r\n"
                          "（上書きしない場合サムネイル画像は使用されません）"));
    QCOMPARE(second.boxes()[1].request.caption, QStringLiteral("VELDRIN　サムネイル画像作成"));
    QCOMPARE(texts[2], QStringLiteral("名前が重複するファイルを全て上書きしますか？"));
    // tm_a.jpg is new now, tm_a1.jpg exists: the second picture gets tm_a2.jpg without a question.
    QVERIFY(modifiedSeconds(m_root + QStringLiteral("tm_a.jpg")) < future);
    QCOMPARE(modifiedSeconds(m_root + QStringLiteral("tm_a1.jpg")), future);
    QVERIFY(QFile::exists(m_root + QStringLiteral("tm_a2.jpg")));
}

void TestThumbnailRun::affixAfterTheName() {
    writePicture(m_root + QStringLiteral("a.png"), 40, 30, "PNG");
    writePicture(m_root + QStringLiteral("a.jpeg"), 40, 30, "JPEG");
    m_settings.SPICNAME = QStringLiteral("_s");
    m_settings.SPICNAME_DIST = QStringLiteral("1");
    ScriptedHost host;
    host.answerNext(MessageAnswer::No);
    run(host);
    QVERIFY(QFile::exists(m_root + QStringLiteral("a_s.jpg")));
    QVERIFY(QFile::exists(m_root + QStringLiteral("a1_s.jpg")));
}

void TestThumbnailRun::keepAllAndOverwriteAll_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("keep all") << false;
    QTest::newRow("overwrite all") << true;
}

void TestThumbnailRun::keepAllAndOverwriteAll() {
    QFETCH(bool, overwrite);
    const qint64 earlier = QDateTime::currentSecsSinceEpoch() - 3600;
    for (const QString& name : {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}) {
        writePicture(m_root + name + QStringLiteral(".png"), 40, 30, "PNG");
        writePicture(m_root + QStringLiteral("tm_") + name + QStringLiteral(".jpg"), 8, 8, "JPEG");
        setModified(m_root + QStringLiteral("tm_") + name + QStringLiteral(".jpg"), earlier);
    }
    ScriptedHost host;
    host.answerNext(overwrite ? MessageAnswer::Yes : MessageAnswer::No);
    host.answerNext(MessageAnswer::Yes); // ... all of them
    host.answerNext(MessageAnswer::No);  // do not open the result
    run(host);
    QCOMPARE(host.boxes().size(), size_t(3));
    QCOMPARE(host.boxTexts()[1],
             overwrite
                 ? QStringLiteral("名前が重複するファイルを全て上書きしますか？")
                 : QStringLiteral("名前が重複するファイルは全て上書きせずに現在のファイルを残しますか？"));
    QCOMPARE(m_values.ThumbOverwriteAnswer, overwrite ? 1 : 2);
    for (const QString& name : {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}) {
        const QString thumb = m_root + QStringLiteral("tm_") + name + QStringLiteral(".jpg");
        QCOMPARE(modifiedSeconds(thumb) == earlier, !overwrite);
        // A kept thumbnail is not used: the entry shows the picture itself.
        QCOMPARE(listText().contains(QStringLiteral("SRC='file:///") + m_root.mid(1) + QStringLiteral("tm_") +
                                     name),
                 overwrite);
    }
}

void TestThumbnailRun::thumbnailsAreJpegsOfTheDisplaySize_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("progressive");
    QTest::addColumn<int>("thumbWidth");
    QTest::addColumn<int>("thumbHeight");
    QTest::newRow("landscape") << 640 << 480 << "0" << 100 << 75;
    QTest::newRow("portrait, progressive") << 480 << 640 << "1" << 75 << 100;
    QTest::newRow("small stays small") << 50 << 40 << "0" << 50 << 40;
}

void TestThumbnailRun::thumbnailsAreJpegsOfTheDisplaySize() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, progressive);
    QFETCH(int, thumbWidth);
    QFETCH(int, thumbHeight);
    writePicture(m_root + QStringLiteral("photo.jpg"), width, height, "JPEG");
    m_settings.JPEGPRGRS = progressive;
    ScriptedHost host;
    host.answerNext(MessageAnswer::No);
    run(host);
    const JpegFacts facts = jpegFacts(m_root + QStringLiteral("tm_photo.jpg"));
    QVERIFY(facts.valid);
    QCOMPARE(facts.width, thumbWidth);
    QCOMPARE(facts.height, thumbHeight);
    QCOMPARE(facts.progressive, progressive == u"1");
}

void TestThumbnailRun::convertsTgaOnceAsked() {
    writeTga(m_root + QStringLiteral("PIC.TGA"), 30, 20);
    writeTga(m_root + QStringLiteral("second.tga"), 12, 10);
    setModified(m_root + QStringLiteral("PIC.TGA"), 1000000000);
    ScriptedHost host;
    host.answerNext(MessageAnswer::Yes); // convert
    host.answerNext(MessageAnswer::No);  // do not open the result
    run(host);
    QCOMPARE(host.boxes().size(), size_t(2));
    QCOMPARE(
        host.boxes()[0].request.text,
        QStringLiteral(
            "TGAファイルをJPEGファイルに変換しますか？\r\n（圧縮率等はサムネイル用画像の設定を使用します）"));
    const JpegFacts facts = jpegFacts(m_root + QStringLiteral("PIC_tga.jpg"));
    QVERIFY(facts.valid);
    QCOMPARE(facts.width, 30);
    QCOMPARE(facts.height, 20);
    QCOMPARE(modifiedSeconds(m_root + QStringLiteral("PIC_tga.jpg")), qint64(1000000000));
    QVERIFY(QFile::exists(m_root + QStringLiteral("second_tga.jpg")));
    const QString list = listText();
    QVERIFY(
        list.contains(QStringLiteral("<A HREF='file:///") + m_root.mid(1) + QStringLiteral("PIC_tga.jpg'")));
    QVERIFY(list.contains(QStringLiteral("ALT='PIC.TGA 30x20 ")));
}

void TestThumbnailRun::conversionRefusedIsNotAskedAgain() {
    writeTga(m_root + QStringLiteral("one.tga"), 8, 8);
    writeTga(m_root + QStringLiteral("two.tga"), 8, 8);
    ScriptedHost host;
    host.answerNext(MessageAnswer::No); // do not convert
    host.answerNext(MessageAnswer::No); // do not open the result
    run(host);
    QCOMPARE(host.boxes().size(), size_t(2));
    QCOMPARE(m_values.TgaConversionAnswer, 2);
    QVERIFY(!QFile::exists(m_root + QStringLiteral("one_tga.jpg")));
    QVERIFY(!QFile::exists(m_root + QStringLiteral("two_tga.jpg")));
    // The TGA measured through the decoder still gets its thumbnail.
    QVERIFY(QFile::exists(m_root + QStringLiteral("tm_one.jpg")));
}

void TestThumbnailRun::missingLibrarySwitchesBothOff() {
    writeTga(m_root + QStringLiteral("pic.tga"), 8, 8);
    writePicture(m_root + QStringLiteral("photo.png"), 40, 30, "PNG");
    m_values = RunValues{};
    m_values.WindowLoading = true;
    ScriptedHost host;
    RecordSettingsAccess access(m_settings);
    CheckJpegLibrary(access, host, m_values, m_root, m_root + QStringLiteral("system/"));
    m_values.WindowLoading = false;
    QVERIFY(!m_values.JpegLibraryAvailable());
    QCOMPARE(m_settings.CREATESPIC, QStringLiteral("0"));
    QCOMPARE(host.boxes().size(), size_t(1));
    QCOMPARE(host.boxes()[0].request.caption, QStringLiteral("VELDRIN　DLLチェック"));
    QVERIFY(host.boxes()[0].request.text.endsWith(QStringLiteral("このコンピュータのシステムフォルダは '") +
                                                  m_root + QStringLiteral("system/です。")));

    // After loading the check stays silent.
    ScriptedHost later;
    CheckJpegLibrary(access, later, m_values, m_root, m_root);
    QVERIFY(later.boxes().empty());

    ScriptedHost runHost;
    runHost.answerNext(MessageAnswer::No);
    run(runHost);
    QCOMPARE(runHost.boxes().size(), size_t(1)); // only the completion question: no TGA question
    QVERIFY(QDir(m_root).entryList({QStringLiteral("*.jpg")}).isEmpty());

    // With the module in the program folder the features stay on and nothing is said.
    QVERIFY(QFile::copy(kLibrary, m_root + QStringLiteral("SaveJPG.DLL")));
    m_settings.CREATESPIC = QStringLiteral("1");
    ScriptedHost found;
    m_values.WindowLoading = true;
    CheckJpegLibrary(access, found, m_values, m_root, m_root + QStringLiteral("system/"));
    QVERIFY(m_values.JpegLibraryAvailable());
    QCOMPARE(m_settings.CREATESPIC, QStringLiteral("1"));
    QVERIFY(found.boxes().empty());
}

void TestThumbnailRun::unwritableFolderLeavesNoPartialFile() {
    writePicture(m_root + QStringLiteral("photo.png"), 40, 30, "PNG");
    // The list goes to the program folder; the picture folder itself is read-only.
    m_settings.OUTFOLDER = QStringLiteral("1");
    QTemporaryDir output;
    ::chmod(QFile::encodeName(output.path()).constData(), 0777);
    ::chmod(QFile::encodeName(m_root).constData(), 0555);
    ::chmod(QFile::encodeName(m_root.section(u'/', 0, -3)).constData(), 0755);
    ScriptedHost host;
    host.answerNext(MessageAnswer::No);
    RunResult result;
    {
        veldrin::testing::DropRoot asNobody;
        RecordSettingsAccess access(m_settings);
        RunEnv env{access, host, m_values, output.path() + u'/', m_root};
        result = GenerateListPages(env);
    }
    ::chmod(QFile::encodeName(m_root).constData(), 0755);
    QCOMPARE(result.end, RunResult::End::Written);
    QCOMPARE(QDir(m_root).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("photo.png")});
    QFile list(output.path() + QStringLiteral("/list.html"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QVERIFY(fromShiftJis(list.readAll())
                .contains(QStringLiteral("SRC='file:///") + m_root.mid(1) + QStringLiteral("photo.png'")));
}

void TestThumbnailRun::brokenPictureGetsNoThumbnail() {
    // A PNG whose header is sound but whose data is not.
    QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x20\0\0\0\x10\x08\x02\0\0\0", 29);
    png += QByteArray(40, '\x55');
    QFile f(m_root + QStringLiteral("broken.png"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(png);
    f.close();
    writePicture(m_root + QStringLiteral("good.png"), 40, 30, "PNG");
    ScriptedHost host;
    host.answerNext(MessageAnswer::No);
    QCOMPARE(run(host).end, RunResult::End::Written);
    bool told = false;
    for (const QString& info : host.infoTexts())
        told = told || info.startsWith(QStringLiteral("画像変換エラー（"));
    QVERIFY(told);
    QVERIFY(!QFile::exists(m_root + QStringLiteral("tm_broken.jpg")));
    QVERIFY(QFile::exists(m_root + QStringLiteral("tm_good.jpg")));
    QCOMPARE(QDir(m_root).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".veldrin")),
             QStringList());
}

// Without thumbnail files the next headers are read ahead; a conversion still comes first.
void TestThumbnailRun::readAheadWaitsForConversion() {
    m_settings.CREATESPIC = QStringLiteral("0");
    m_values.thumbnailWorkers = 2;
    writeTga(m_root + QStringLiteral("b.tga"), 30, 20);
    writePicture(m_root + QStringLiteral("b_tga.jpg"), 64, 48, "JPEG");
    writePicture(m_root + QStringLiteral("c.png"), 24, 12, "PNG");
    // The question waits long enough for a reader that did not wait to read the old JPEG.
    struct SlowHost : ScriptedHost {
        MessageAnswer showMessage(const MessageBoxRequest& box) override {
            QThread::msleep(100);
            return ScriptedHost::showMessage(box);
        }
    } host;
    host.answerNext(MessageAnswer::Yes); // convert
    host.answerNext(MessageAnswer::No);  // do not open the result
    run(host);
    const QString page = listText();
    QVERIFY(page.contains(QStringLiteral("ALT='b_tga.jpg 30x20 ")));
    QVERIFY(page.contains(QStringLiteral("ALT='c.png 24x12 ")));
}

void TestThumbnailRun::oneAndTwoWorkersAgree_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("whole run") << false;
    QTest::newRow("stopped mid-way") << true;
}

// Workers make the pixels ahead, but the run asks, names and writes in list order: one worker and two
// give the same pages, files and questions, stopped or not.
void TestThumbnailRun::oneAndTwoWorkersAgree() {
    QFETCH(bool, stop);
    struct Outcome {
        QByteArray page;
        QMap<QString, QByteArray> files; // every file of the tree after the run, with its bytes
        QStringList boxes;
        QStringList infos;
        bool unexpectedBox = false;
        bool operator==(const Outcome&) const = default;
    };
    const auto runWith = [&](int workers) {
        QDir(m_root).removeRecursively();
        QDir().mkpath(m_root + QStringLiteral("sub"));
        writePicture(m_root + QStringLiteral("a.bmp"), 40, 30, "BMP");
        writePicture(m_root + QStringLiteral("a.png"), 30, 40, "PNG");
        writeTga(m_root + QStringLiteral("b.tga"), 30, 20);
        // An older conversion, listed after its TGA: the entry must show the new one.
        writePicture(m_root + QStringLiteral("b_tga.jpg"), 64, 48, "JPEG");
        QFile broken(m_root + QStringLiteral("broken.png"));
        broken.open(QIODevice::WriteOnly);
        broken.write(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x20\0\0\0\x10\x08\x02\0\0\0", 29) +
                     QByteArray(40, '\x55'));
        broken.close();
        writePicture(m_root + QStringLiteral("old.png"), 50, 50, "PNG");
        writePicture(m_root + QStringLiteral("tm_old.jpg"), 8, 8, "JPEG");
        for (int i = 1; i <= 10; ++i)
            writePicture(m_root + QStringLiteral("sub/p%1.jpg").arg(i, 2, 10, QChar(u'0')), 320 + i, 240,
                         "JPEG");
        writeTga(m_root + QStringLiteral("sub/p06.tga"), 12, 10);
        for (QDirIterator it(m_root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            setModified(it.next(), 1600000000);

        m_values.TgaConversionAnswer = 0;
        m_values.thumbnailWorkers = workers;
        m_settings.SUBFS = QStringLiteral("1");
        m_settings.FILESTATUS_ATTR = QStringLiteral("1111111");
        m_settings.USETABLE = QStringLiteral("1");
        ScriptedHost host;
        host.answerNext(MessageAnswer::Yes); // convert the TGA files
        host.answerNext(MessageAnswer::Yes); // overwrite tm_old.jpg
        host.answerNext(MessageAnswer::No);  // but ask again for others
        if (stop) {
            host.stopWhenInfoStartsWith(QStringLiteral("処理中... 12/"));
            host.answerNext(MessageAnswer::Ok); // the stop message
        }
        host.answerNext(MessageAnswer::No); // do not open the result
        run(host);
        Outcome outcome{{}, {}, host.boxTexts(), host.infoTexts(), host.unexpectedBox()};
        QFile page(m_root + QStringLiteral("list.html"));
        page.open(QIODevice::ReadOnly);
        outcome.page = page.readAll();
        for (QDirIterator it(m_root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile f(it.next());
            f.open(QIODevice::ReadOnly);
            outcome.files.insert(it.filePath().mid(m_root.size()), f.readAll());
        }
        return outcome;
    };
    const Outcome one = runWith(1);
    const Outcome two = runWith(2);
    QVERIFY(!one.unexpectedBox && !two.unexpectedBox);
    QCOMPARE(two.boxes, one.boxes);
    QCOMPARE(two.infos, one.infos);
    QCOMPARE(two.files.keys(), one.files.keys());
    QVERIFY(two.files == one.files);
    QVERIFY(two.page == one.page);

    QCOMPARE(two.boxes.size(), stop ? 5 : 4);
    QVERIFY(fromShiftJis(two.page).contains(QStringLiteral("ALT='b_tga.jpg 30x20 ")));
    QVERIFY(std::any_of(two.infos.begin(), two.infos.end(), [](const QString& info) {
        return info.startsWith(QStringLiteral("画像変換エラー（"));
    }));
    QStringList thumbnails = two.files.keys().filter(QRegularExpression(QStringLiteral("(^|/)tm_")));
    QCOMPARE(thumbnails.contains(QStringLiteral("sub/tm_p061.jpg")), !stop);
    QCOMPARE(thumbnails.contains(QStringLiteral("sub/tm_p10.jpg")), !stop);
    QVERIFY(thumbnails.contains(QStringLiteral("tm_a1.jpg")));
    QVERIFY(thumbnails.contains(QStringLiteral("sub/tm_p04.jpg")));
    // Nothing half-written or left under a temporary name.
    for (const QString& name : two.files.keys()) {
        QVERIFY2(!name.section(u'/', -1).startsWith(u'.'), qPrintable(name));
        if (name.endsWith(QStringLiteral(".jpg")))
            QVERIFY2(jpegFacts(m_root + name).valid, qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TestThumbnailRun)
#include "tst_thumbnail_run.moc"
