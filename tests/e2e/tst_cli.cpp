// Whole runs of veldrin-cli as a user or a script starts them: exit status, messages, the settings
// file it writes back, progress output, Ctrl-C, and the picture files it writes.

#include "cli_runner.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

using namespace veldrin::e2e;

namespace {

const QString kEndLine = QStringLiteral("</BODY></HTML>");

// The pictures of the samples folder with their real size (as shown, after the EXIF rotation of
// phone_portrait.jpg) and the size of their thumbnail in the default box of 100 x 100.
struct SamplePicture {
    const char* path;
    QSize real;
    QSize thumbnail;
};
const SamplePicture kSamplePictures[] = {
    {"badge_rle.tga", {96, 64}, {96, 64}}, {"blue sky.gif", {100, 75}, {100, 75}},
    {"gradient.tga", {75, 50}, {75, 50}},  {"landscape.jpg", {320, 240}, {100, 75}},
    {"palette.gif", {120, 90}, {100, 75}}, {"phone_portrait.jpg", {120, 160}, {75, 100}},
    {"picture.bmp", {96, 72}, {96, 72}},   {"progressive.jpg", {240, 180}, {100, 75}},
    {"shapes.png", {160, 120}, {100, 75}}, {"夕焼け.jpg", {200, 120}, {100, 60}},
    {"旅行/山.png", {128, 96}, {100, 75}}, {"旅行/海.jpg", {200, 150}, {100, 75}},
};

QString thumbnailPathOf(const QString& folder, const QString& picture) {
    const QFileInfo info(folder + picture);
    return info.path() + QStringLiteral("/tm_") + info.completeBaseName() + QStringLiteral(".jpg");
}

// Mean colour of a picture, to see that a thumbnail shows its source (and not, say, red and blue
// swapped or a blank surface).
QColor meanColour(const QImage& image) {
    qint64 r = 0, g = 0, b = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const qint64 n = qMax<qint64>(1, qint64(rgb.width()) * rgb.height());
    return QColor(int(r / n), int(g / n), int(b / n));
}

bool closeColours(const QColor& a, const QColor& b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// An uncompressed true-colour TGA, decoded here independently of the program.
QImage decodePlainTga(const QByteArray& tga) {
    if (tga.size() < 18 || tga[2] != 2 || tga[16] != 24)
        return {};
    const int width = quint8(tga[12]) | quint8(tga[13]) << 8;
    const int height = quint8(tga[14]) | quint8(tga[15]) << 8;
    const int offset = 18 + quint8(tga[0]) + (quint8(tga[7]) / 8) * (quint8(tga[5]) | quint8(tga[6]) << 8);
    if (tga.size() < offset + width * height * 3)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    const char* p = tga.constData() + offset;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3)
            image.setPixel(x, y, qRgb(quint8(p[2]), quint8(p[1]), quint8(p[0])));
    return image;
}

// The keys of one section of a settings file, in file order.
QStringList sectionKeys(const QStringList& lines, const QString& name) {
    bool inside = false;
    QStringList keys;
    for (const QString& line : lines) {
        if (line.startsWith(u'['))
            inside = line.compare(u'[' + name + u']', Qt::CaseInsensitive) == 0;
        else if (inside && line.contains(u'='))
            keys.append(line.left(line.indexOf(u'=')));
    }
    return keys;
}

QString iniValue(const QString& iniPath, const QString& key) {
    for (const QString& line : sjisLines(iniPath)) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<missing>");
}

const QStringList kKeyOrder{"FOLDER",
                            "SUBFS",
                            "OUTHTMLTYPE",
                            "SUMSIZE",
                            "TRUERATIO",
                            "USETABLE",
                            "TABLECOLS",
                            "OBJTYPE",
                            "OUTFOLDER",
                            "OUTFILENAME",
                            "FILESIZE",
                            "FILELIMIT",
                            "FILECOUNT",
                            "DIVFOLDER",
                            "PATHTYPE",
                            "USEFRAME",
                            "FRAMETYPE",
                            "SPICMAGNIF",
                            "BGCOLOR1",
                            "BGCOLOR2",
                            "CREATESPIC",
                            "SPICNAME",
                            "EASYSIZE",
                            "GETHTMLTITLE",
                            "HTMLTITLE",
                            "SPICNAME_DIST",
                            "JPEGCOMP",
                            "JPEGPRGRS",
                            "STRETCHBLT_INIT",
                            "SORTITEM",
                            "SORTORDER",
                            "FLAMESET_LISTSIZE",
                            "FILESTATUS_FONTCOLOR",
                            "FILESTATUS_ATTR"};

int countEntries(const QStringList& lines) {
    int n = 0;
    for (const QString& line : lines)
        n += line.count(QStringLiteral("<IMG "));
    return n;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

// Runs as the unprivileged user "nobody", for whom file permissions mean something.
void becomeNobody() {
    if (::getuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(126);
    }
}

// A fixture folder reachable by "nobody" too.
void openToAll(const QString& path) {
    ::chmod(QFile::encodeName(path).constData(), 0755);
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString freshFolder(const QString& name) {
        const QString path = m_dir.path() + u'/' + name;
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(cliPath()).isExecutable(), qPrintable(cliPath()));
        QVERIFY(m_dir.isValid());
        openToAll(m_dir.path());
    }

    void exitStatus_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");

        // The list was written.
        QTest::newRow("written") << "samples" << QStringList{} << 0 << "10/10 files listed in ";
        QTest::newRow("with subfolders")
            << "samples" << QStringList{"--set", "SUBFS=1"} << 0 << "12/12 files listed in ";
        QTest::newRow("key in lower case")
            << "samples" << QStringList{"--set", "subfs=1"} << 0 << "12/12 files listed in ";
        QTest::newRow("overwrite agreed")
            << "existing list" << QStringList{"--overwrite"} << 0 << "上書きしますか？ → はい";
        // The run ended before writing the list.
        QTest::newRow("blank output name") << "samples" << QStringList{"--set", "OUTFILENAME= "} << 1
                                           << "出力HTMLファイル名が指定されていません";
        QTest::newRow("empty output name") << "samples" << QStringList{"--set", "OUTFILENAME="} << 1
                                           << "出力HTMLファイル名が指定されていません";
        QTest::newRow("empty folder")
            << "empty" << QStringList{} << 1 << "対象ファイルは見つかりませんでした。";
        QTest::newRow("no extension matches") << "samples" << QStringList{"--set", "OBJTYPE=xyz"} << 1
                                              << "対象ファイルは見つかりませんでした。";
        QTest::newRow("folder missing")
            << "missing" << QStringList{} << 1 << "対象ファイルは見つかりませんでした。";
        QTest::newRow("overwrite refused")
            << "existing list" << QStringList{} << 1 << "上書きしますか？ → いいえ";
        QTest::newRow("output folder missing")
            << "samples" << QStringList{"--set", "OUTFILENAME=nowhere/list"} << 1
            << "ファイル名又は､パス名が不正です｡";
        QTest::newRow("frame set folder missing")
            << "samples"
            << QStringList{"--set",        "OUTFILENAME=nowhere/list", "--set", "USEFRAME=1", "--set",
                           "OUTHTMLTYPE=2"}
            << 1 << "ファイル名又は､パス名が不正です｡";
        QTest::newRow("aborted after an error")
            << "list is a folder" << QStringList{"--overwrite"} << 1 << "Is a directory） → 中止";
        // Usage errors.
        QTest::newRow("unknown option")
            << "samples" << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'";
        QTest::newRow("unknown key") << "samples" << QStringList{"--set", "NOSUCHKEY=1"} << 2
                                     << "unknown settings key \"NOSUCHKEY\"";
        QTest::newRow("set without value")
            << "samples" << QStringList{"--set", "SUBFS"} << 2 << "--set needs KEY=VALUE";
        QTest::newRow("set without key")
            << "samples" << QStringList{"--set", "=1"} << 2 << "--set needs KEY=VALUE";
        QTest::newRow("screen without height")
            << "samples" << QStringList{"--screen", "1920"} << 2 << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen of zero")
            << "samples" << QStringList{"--screen", "0x1080"} << 2 << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen negative")
            << "samples" << QStringList{"--screen=-5x5"} << 2 << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen with words")
            << "samples" << QStringList{"--screen", "wide"} << 2 << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("ini missing") << "samples" << QStringList{"--ini", "/nonexistent/veldrin.ini"} << 2
                                     << "settings file not found: /nonexistent/veldrin.ini";
        QTest::newRow("ini is a folder")
            << "samples" << QStringList{"--ini", "/tmp"} << 2 << "the settings file is a folder: /tmp";
        QTest::newRow("ini is a device")
            << "samples" << QStringList{"--ini", "/dev/null"} << 0 << "10/10 files listed in ";
        QTest::newRow("saving to a device") << "samples" << QStringList{"--ini", "/dev/null", "--save"} << 2
                                            << "--save needs a regular settings file: /dev/null";
        QTest::newRow("ini without file")
            << "samples" << QStringList{"{folder}", "--ini"} << 2 << "Missing value after '--ini'";
        QTest::newRow("thumbnail answer unknown")
            << "samples" << QStringList{"--thumbnails=maybe"} << 2 << "--thumbnails takes overwrite or keep";
        QTest::newRow("two folders") << "samples" << QStringList{"/tmp"} << 2 << "only one FOLDER";
    }

    void exitStatus() {
        QFETCH(QString, fixture);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);

        const QString root = freshFolder(QStringLiteral("status"));
        QString folder = root + QStringLiteral("/pictures/");
        const QByteArray oldList = "an older list\r\n";
        if (fixture == u"samples" || fixture == u"existing list" || fixture == u"list is a folder")
            QVERIFY(copyTree(QStringLiteral(VELDRIN_SAMPLES_DIR), folder));
        else if (fixture == u"empty")
            QVERIFY(QDir().mkpath(folder));
        else if (fixture == u"missing")
            folder = root + QStringLiteral("/not-there/");
        if (fixture == u"existing list")
            QVERIFY(writeFile(folder + QStringLiteral("list.html"), oldList));
        if (fixture == u"list is a folder")
            QVERIFY(QDir().mkpath(folder + QStringLiteral("list.html")));

        // An ini option given by the row replaces the test's own.
        QStringList all;
        if (!args.contains(QStringLiteral("--ini")))
            all << QStringLiteral("--ini") << writeEmptyIni(root);
        // The folder goes last unless the row places it.
        if (args.contains(QStringLiteral("{folder}")))
            args.replaceInStrings(QStringLiteral("{folder}"), folder);
        else
            args << folder;
        all << args;
        const CliResult r = runCli(all);

        QVERIFY2(!r.crashed, r.describe().constData());
        QVERIFY2(r.exitCode == status, r.describe().constData());
        QVERIFY2(r.errText().contains(message), r.describe().constData());
        QVERIFY2(r.out.isEmpty(), r.describe().constData());
        const QString list = folder + QStringLiteral("list.html");
        if (status == 2) {
            QVERIFY2(r.errText().startsWith(QStringLiteral("veldrin-cli: ")), r.describe().constData());
            QVERIFY2(r.errText().contains(QStringLiteral("--help")), r.describe().constData());
        }
        if (status == 0)
            QCOMPARE(sjisLines(list).last(), kEndLine);
        else if (fixture == u"existing list")
            QCOMPARE(readFile(list), oldList);
        else if (fixture != u"list is a folder")
            QVERIFY2(!QFileInfo::exists(list), "a run that ends early writes no list");
    }

    void helpAndVersion_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("help") << "--help"
                              << QStringList{"[FOLDER]",
                                             "--ini <FILE>",
                                             "--set <KEY=VALUE>",
                                             "--save",
                                             "--overwrite",
                                             "--convert-tga",
                                             "--thumbnails <overwrite|keep>",
                                             "--ignore-errors",
                                             "--open",
                                             "--quiet",
                                             "--screen <WxH>",
                                             "--version",
                                             "Exit status: 0"};
        QTest::newRow("version") << "--version" << QStringList{"veldrin-cli " VELDRIN_VERSION "\n"};
    }

    void helpAndVersion() {
        QFETCH(QString, option);
        QFETCH(QStringList, shown);
        const CliResult r = runCli({option});
        QVERIFY2(r.exitCode == 0 && !r.crashed, r.describe().constData());
        QVERIFY2(r.err.isEmpty(), r.describe().constData());
        for (const QString& s : shown)
            QVERIFY2(QString::fromUtf8(r.out).contains(s), qPrintable(s));
    }

    // As a user who may not read the folder: a message, not a crash.
    void unreadableFolder_data() {
        QTest::addColumn<QString>("closed");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("message");
        // Not even the list file's existence can be tested.
        QTest::newRow("searched folder closed")
            << "" << 0 << 1 << -1 << "list.html: Permission denied） → 中止";
        QTest::newRow("searched folder not listable")
            << "" << 0333 << 1 << -1 << "samples/: Permission denied";
        // The search is abandoned, and what it had found until then is listed.
        QTest::newRow("subfolder not listable") << "旅行" << 0333 << 0 << 10 << "旅行/: Permission denied";
    }

    void unreadableFolder() {
        QFETCH(QString, closed);
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(int, listed);
        QFETCH(QString, message);
        const QString root = freshFolder(QStringLiteral("unreadable"));
        openToAll(root);
        const QString folder = copySamples(root);
        QVERIFY(!folder.isEmpty());
        const QByteArray target = QFile::encodeName(folder + closed);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        QVERIFY(::chmod(target.constData(), mode_t(mode)) == 0);
        const CliResult r = runCli(
            CliCall{{"--ini", writeEmptyIni(root), "--set", "SUBFS=1", folder}, {}, becomeNobody, 60000});
        ::chmod(target.constData(), 0755);
        QVERIFY2(!r.crashed, r.describe().constData());
        QVERIFY2(r.exitCode != 126, "could not become the user nobody");
        QVERIFY2(r.exitCode == status, r.describe().constData());
        QVERIFY2(r.errText().contains(message), r.describe().constData());
        QCOMPARE(listedCounts(r.errText()).first, listed);
    }

    // --save writes every key back with the run's corrections; the row names the key to look at.
    void savedCorrections_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("saved");

        QTest::newRow("quality 0") << QStringList{"--set", "JPEGCOMP=0"} << "JPEGCOMP"
                                   << "75";
        QTest::newRow("quality 101") << QStringList{"--set", "JPEGCOMP=101"} << "JPEGCOMP"
                                     << "75";
        QTest::newRow("quality text") << QStringList{"--set", "JPEGCOMP=high"} << "JPEGCOMP"
                                      << "75";
        QTest::newRow("quality 1") << QStringList{"--set", "JPEGCOMP=1"} << "JPEGCOMP"
                                   << "1";
        QTest::newRow("quality 100") << QStringList{"--set", "JPEGCOMP=100"} << "JPEGCOMP"
                                     << "100";
        QTest::newRow("affix of 25") << QStringList{"--set", "SPICNAME= abcdefghijklmnopqrstuvwxy "}
                                     << "SPICNAME"
                                     << "abcdefghijklmnopqrst";
        QTest::newRow("affix of 20 kept")
            << QStringList{"--set", "SPICNAME=abcdefghijklmnopqrst"} << "SPICNAME"
            << "abcdefghijklmnopqrst";
        QTest::newRow("columns 0, thumbnails")
            << QStringList{"--set", "OUTHTMLTYPE=1", "--set", "TABLECOLS=0"} << "TABLECOLS"
            << "8";
        QTest::newRow("columns 0, pictures") << QStringList{"--set", "TABLECOLS=0"} << "TABLECOLS"
                                             << "0";
        QTest::newRow("count 0, split")
            << QStringList{"--set", "FILELIMIT=1", "--set", "FILECOUNT=0"} << "FILECOUNT"
            << "100";
        QTest::newRow("count 0, not split") << QStringList{"--set", "FILECOUNT=0"} << "FILECOUNT"
                                            << "0";
        QTest::newRow("box of zero") << QStringList{"--set", "OUTHTMLTYPE=1", "--set", "SUMSIZE=0,0"}
                                     << "SUMSIZE"
                                     << "100,100";
        QTest::newRow("box read leniently") << QStringList{"--set", "SUMSIZE=abc,120px"} << "SUMSIZE"
                                            << "0,120";
        // Five screens in twips: 1920 x 15 x 5 = 144000 wide, 1080 x 15 x 5 = 81000 high.
        QTest::newRow("box at the limit")
            << QStringList{"--set", "OUTHTMLTYPE=1", "--set", "SUMSIZE=144000,81000"} << "SUMSIZE"
            << "144000,81000";
        QTest::newRow("box beyond the limit")
            << QStringList{"--set", "OUTHTMLTYPE=1", "--set", "SUMSIZE=144001,81001"} << "SUMSIZE"
            << "100,100";
        QTest::newRow("box beyond a small screen")
            << QStringList{"--screen", "100x200", "--set", "OUTHTMLTYPE=1", "--set", "SUMSIZE=7501,15000"}
            << "SUMSIZE"
            << "100,15000";
        QTest::newRow("details too short") << QStringList{"--set", "FILESTATUS_ATTR=101"} << "FILESTATUS_ATTR"
                                           << "0000000";
        QTest::newRow("details of seven")
            << QStringList{"--set", "FILESTATUS_ATTR=1010011"} << "FILESTATUS_ATTR"
            << "1010011";
        QTest::newRow("flag not a number") << QStringList{"--set", "SUBFS=yes"} << "SUBFS"
                                           << "0";
        QTest::newRow("choice out of range") << QStringList{"--set", "OUTHTMLTYPE=7"} << "OUTHTMLTYPE"
                                             << "0";
        QTest::newRow("choice not a number") << QStringList{"--set", "EASYSIZE=wide"} << "EASYSIZE"
                                             << "1";
        QTest::newRow("colour too large") << QStringList{"--set", "BGCOLOR1=99999999"} << "BGCOLOR1"
                                          << "16777215";
        QTest::newRow("text kept") << QStringList{"--set", "HTMLTITLE=旅の写真"} << "HTMLTITLE"
                                   << "旅の写真";
    }

    void savedCorrections() {
        QFETCH(QStringList, args);
        QFETCH(QString, key);
        QFETCH(QString, saved);
        const QString root = freshFolder(QStringLiteral("corrections"));
        const QString folder = copySamples(root);
        const QString ini = writeEmptyIni(root);
        const CliResult r = runCli(QStringList{"--save", "--ini", ini} + args + QStringList{folder});
        QVERIFY2(r.exitCode == 0 && !r.crashed, r.describe().constData());
        QCOMPARE(iniValue(ini, key), saved);
    }

    void savedFileLayout() {
        const QString root = freshFolder(QStringLiteral("layout"));
        const QString folder = copySamples(root);
        const QString ini = root + QStringLiteral("/veldrin.ini");
        const QByteArray before = "[Other]\r\nKEEP=me\r\n[VELDRIN]\r\nOWNKEY=stays\r\nHTMLTITLE=" +
                                  toSjis(QStringLiteral("夕焼けの写真")) + "\r\nJPEGCOMP=0\r\n";
        QVERIFY(writeFile(ini, before));

        // Without --save nothing is written, corrections or not.
        CliResult r = runCli({"--ini", ini, folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        QCOMPARE(readFile(ini), before);

        r = runCli({"--ini", ini, "--overwrite", "--save", folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        const QByteArray after = readFile(ini);
        QVERIFY2(after.contains(toSjis(QStringLiteral("HTMLTITLE=夕焼けの写真"))), after.constData());
        const QStringList lines = sjisLines(ini);
        QCOMPARE(lines.count(QStringLiteral("[VELDRIN]")), 1);
        // Keys already in the section keep their places; the others follow in the program's order.
        const QStringList keys = sectionKeys(lines, QStringLiteral("VELDRIN"));
        QCOMPARE(keys.mid(0, 3), (QStringList{"OWNKEY", "HTMLTITLE", "JPEGCOMP"}));
        QStringList rest = kKeyOrder;
        rest.removeAll(QStringLiteral("HTMLTITLE"));
        rest.removeAll(QStringLiteral("JPEGCOMP"));
        QCOMPARE(keys.mid(3), rest);
        QCOMPARE(iniValue(ini, QStringLiteral("OWNKEY")), QStringLiteral("stays"));
        QCOMPARE(sectionKeys(lines, QStringLiteral("Other")), QStringList{QStringLiteral("KEEP")});
        QCOMPARE(iniValue(ini, QStringLiteral("JPEGCOMP")), QStringLiteral("75"));
        QCOMPARE(iniValue(ini, QStringLiteral("FOLDER")), folder);
    }

    // A new settings file holds the 34 keys in their order, and text comes back as it was typed.
    void savedFreshFile() {
        const QString root = freshFolder(QStringLiteral("fresh"));
        const QString folder = copySamples(root);
        const QString ini = root + QStringLiteral("/new.ini");
        QVERIFY(writeFile(ini, QByteArray()));
        const QString title = QStringLiteral("  旅の写真 ～ 2003  ");
        CliResult r = runCli({"--ini", ini, "--save", "--set", "HTMLTITLE=" + title, folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        const QStringList lines = sjisLines(ini);
        QCOMPARE(lines.first(), QStringLiteral("[VELDRIN]"));
        QCOMPARE(sectionKeys(lines, QStringLiteral("VELDRIN")), kKeyOrder);
        QCOMPARE(lines.size(), 35);

        // A second run from the saved file alone writes the same title.
        QVERIFY(QFile::remove(folder + QStringLiteral("list.html")));
        r = runCli({"--ini", ini, folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        QVERIFY(sjisLines(folder + QStringLiteral("list.html"))
                    .first()
                    .startsWith(QStringLiteral("<HTML><HEAD><TITLE>") + title + QStringLiteral("</TITLE>")));
    }

    // A relative FOLDER is taken from the working directory, and saved made absolute.
    void relativeFolder_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("plain") << "pictures";
        QTest::newRow("with slash") << "pictures/";
        QTest::newRow("dot segments") << "./other/../pictures";
    }

    void relativeFolder() {
        QFETCH(QString, typed);
        const QString root = freshFolder(QStringLiteral("relative"));
        QVERIFY(copyTree(QStringLiteral(VELDRIN_SAMPLES_DIR), root + QStringLiteral("/pictures")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/other")));
        const QString ini = writeEmptyIni(root);
        const CliResult r = runCli(CliCall{{"--ini", "test.ini", "--save", typed}, root, {}, 60000});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        const QString absolute = QDir(root).canonicalPath() + QStringLiteral("/pictures/");
        QCOMPARE(iniValue(ini, QStringLiteral("FOLDER")), absolute);
        const QStringList page = sjisLines(absolute + QStringLiteral("list.html"));
        QVERIFY(!page.isEmpty());
        const QString url = QStringLiteral("file:///") + absolute.mid(1) + QStringLiteral("landscape.jpg'");
        QVERIFY2(page.join(u'\n').contains(url), qPrintable(page.join(u'\n')));
    }

    // Progress goes to a terminal only; a log or pipe gets the messages alone.
    void progressOutput_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("pipe") << false << false;
        QTest::newRow("pipe, quiet") << false << true;
        QTest::newRow("terminal") << true << false;
        QTest::newRow("terminal, quiet") << true << true;
    }

    void progressOutput() {
        QFETCH(bool, terminal);
        QFETCH(bool, quiet);
        const QString root = freshFolder(QStringLiteral("progress"));
        const QString folder = copySamples(root);
        QStringList args{"--ini", writeEmptyIni(root), "--set", "SUBFS=1", folder};
        if (quiet)
            args.prepend(QStringLiteral("--quiet"));

        int master = -1, slave = -1;
        if (terminal)
            QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QByteArray screen;
        std::thread reader;
        if (terminal) {
            reader = std::thread([&] {
                char buffer[4096];
                for (;;) {
                    const ssize_t n = ::read(master, buffer, sizeof buffer);
                    if (n > 0)
                        screen.append(buffer, n);
                    else if (n < 0 && errno == EINTR)
                        continue;
                    else
                        break; // EIO once the program has ended and closed the terminal
                }
            });
        }
        CliCall call{args, {}, {}, 60000};
        if (terminal)
            call.childSetup = [slave] { ::dup2(slave, STDERR_FILENO); };
        CliResult r = runCli(call);
        if (terminal) {
            ::close(slave);
            reader.join();
            ::close(master);
            r.err = screen;
        }
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        const QString text = r.errText();
        static const QRegularExpression progressLine(QStringLiteral("\\d+/12 \\(\\d+%\\)"));
        const bool drawn = text.contains(QStringLiteral("\r\x1b[K"));
        const bool counted = text.contains(progressLine);
        QVERIFY2(drawn == (terminal && !quiet), r.describe().constData());
        QVERIFY2(counted == (terminal && !quiet), r.describe().constData());
        QVERIFY2(text.contains(QStringLiteral("12/12 (100%)")) == (terminal && !quiet),
                 r.describe().constData());
        QVERIFY2(text.contains(QStringLiteral("ファイル検索中")) == (terminal && !quiet),
                 r.describe().constData());
        QVERIFY2(text.contains(QStringLiteral("files listed in")) == !quiet, r.describe().constData());
        // Questions answered without asking are echoed with their answers, quiet or not.
        QVERIFY2(text.contains(QStringLiteral("ブラウザで表示しますか？ → いいえ")),
                 r.describe().constData());
        if (terminal && !quiet) {
            // One line redrawn in place: no progress text is ever followed by a new line of its own.
            const QStringList pieces = text.split(QStringLiteral("\r\x1b[K"));
            for (const QString& piece : pieces) {
                if (piece.contains(progressLine))
                    QVERIFY2(!piece.contains(u'\n'), qPrintable(piece));
            }
        }
    }

    // Ctrl-C ends the run early with valid pages and status 0.
    // A named pipe, as a process substitution gives, serves as the settings file: it is read once.
    void settingsFromAPipe() {
        const QString root = freshFolder(QStringLiteral("pipe"));
        const QString folder = copySamples(root);
        const QByteArray pipe = QFile::encodeName(root + QStringLiteral("/settings.fifo"));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        std::thread writer([&] {
            // Only once the program has opened the pipe for reading can the writer open it.
            int fd = -1;
            for (int i = 0; i < 6000 && fd < 0; ++i) {
                fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0)
                    ::usleep(10000);
            }
            if (fd >= 0) {
                static const char text[] = "[VELDRIN]\r\nOUTFILENAME=piped\r\n";
                (void)!::write(fd, text, sizeof text - 1);
                ::close(fd);
            }
        });
        const CliResult r = runCli({"--ini", QFile::decodeName(pipe), folder});
        writer.join();
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("piped.html")));
    }

    void interruptKeepsPagesValid() {
        const QString root = freshFolder(QStringLiteral("interrupt"));
        const QString folder = root + QStringLiteral("/many/");
        const QByteArray png = tinyPng(4, 3);
        constexpr int kFolders = 20, kPerFolder = 1000;
        for (int d = 0; d < kFolders; ++d) {
            const QString sub = folder + QStringLiteral("d%1/").arg(d, 2, 10, QChar(u'0'));
            QVERIFY(QDir().mkpath(sub));
            for (int i = 0; i < kPerFolder; ++i)
                QVERIFY(writeFile(sub + QStringLiteral("p%1.png").arg(i, 4, 10, QChar(u'0')), png));
        }
        QProcess p;
        p.setProgram(cliPath());
        p.setArguments({"--ini", writeEmptyIni(root), "--set", "OUTHTMLTYPE=1", "--set", "TRUERATIO=1",
                        "--set", "SUBFS=1", "--set", "USETABLE=1", folder});
        p.setStandardInputFile(QProcess::nullDevice());
        p.start();
        QVERIFY(p.waitForStarted());
        // The list file is begun, under its temporary name, when the entry loop is about to begin.
        const QString list = folder + QStringLiteral("list.html");
        const auto begun = [&] {
            return !QDir(folder)
                        .entryList({QStringLiteral(".veldrin-*.tmp")}, QDir::Files | QDir::Hidden)
                        .isEmpty();
        };
        QElapsedTimer waited;
        waited.start();
        while (!begun() && p.state() == QProcess::Running && waited.elapsed() < 120000)
            QThread::msleep(2);
        QVERIFY2(p.state() == QProcess::Running, "the run ended before it could be interrupted");
        QVERIFY(::kill(static_cast<pid_t>(p.processId()), SIGINT) == 0);
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit, qPrintable(err));
        QVERIFY2(p.exitCode() == 0, qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("リストの作成を中断します。")), qPrintable(err));
        const auto [processed, found] = listedCounts(err);
        QCOMPARE(found, kFolders * kPerFolder);
        QVERIFY2(processed >= 0 && processed < found, qPrintable(err));
        const QStringList lines = sjisLines(list);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.last(), kEndLine);
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("</TABLE>"));
        QCOMPARE(countEntries(lines), processed);
    }

    // CREATESPIC with exact sizes writes a JPEG thumbnail beside every picture.
    void thumbnailFiles() {
        const QString root = freshFolder(QStringLiteral("thumbnails"));
        const QString folder = copySamples(root);
        const CliResult r = runCli({"--ini", writeEmptyIni(root), "--set", "CREATESPIC=1", "--set",
                                    "TRUERATIO=1", "--set", "OUTHTMLTYPE=1", "--set", "SUBFS=1", folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        QCOMPARE(listedCounts(r.errText()), std::make_pair(12, 12));
        const QString page = sjisLines(folder + QStringLiteral("list.html")).join(u'\n');

        for (const SamplePicture& s : kSamplePictures) {
            const QString picture = QString::fromUtf8(s.path);
            const QString thumbnail = thumbnailPathOf(folder, picture);
            QImageReader reader(thumbnail);
            QVERIFY2(reader.canRead(), qPrintable(thumbnail));
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(thumbnail));
            QCOMPARE(image.size(), s.thumbnail);

            // The page shows the thumbnail at its own size, with the real size in the ALT text.
            const QString relative = QDir(folder).relativeFilePath(thumbnail);
            const QString tag = QStringLiteral("SRC='file:///%1%2' VSPACE='1' HSPACE='1' ALT='%3 %4x%5 ")
                                    .arg(folder.mid(1), relative, picture)
                                    .arg(s.real.width())
                                    .arg(s.real.height());
            QVERIFY2(page.contains(tag), qPrintable(tag));
            const QString size =
                QStringLiteral(" WIDTH=%1 HEIGHT=%2>").arg(s.thumbnail.width()).arg(s.thumbnail.height());
            const qsizetype at = page.indexOf(tag);
            QVERIFY2(page.mid(at, page.indexOf(u'>', at) - at + 1).endsWith(size), qPrintable(picture));

            // The thumbnail shows its picture: the mean colours agree.
            QImage source;
            if (picture.endsWith(QStringLiteral(".tga"))) {
                source = decodePlainTga(readFile(folder + picture));
            } else {
                // Transparent parts are shown on white.
                const QImage loaded(folder + picture);
                source = QImage(loaded.size(), QImage::Format_RGB32);
                source.fill(Qt::white);
                QPainter(&source).drawImage(0, 0, loaded);
            }
            if (!source.isNull()) {
                const QColor a = meanColour(source), b = meanColour(image);
                QVERIFY2(closeColours(a, b, 12),
                         qPrintable(QStringLiteral("%1: %2 against %3").arg(picture, a.name(), b.name())));
            }
        }
    }

    // A second run meets the thumbnails of the first: --thumbnails decides.
    // Only what a run wrote itself is numbered: a thumbnail of a run a moment ago, or one dated in the
    // future, is an older one that the answer replaces or keeps.
    void thumbnailClashes_data() {
        QTest::addColumn<QStringList>("answer");
        QTest::addColumn<int>("age"); // seconds the first run's thumbnails are dated back; 0: left as written
        QTest::addColumn<bool>("replaced");
        QTest::newRow("not given") << QStringList{} << 3600 << false;
        QTest::newRow("keep") << QStringList{"--thumbnails=keep"} << 3600 << false;
        QTest::newRow("overwrite") << QStringList{"--thumbnails=overwrite"} << 3600 << true;
        QTest::newRow("overwrite at once") << QStringList{"--thumbnails=overwrite"} << 0 << true;
        QTest::newRow("overwrite, future") << QStringList{"--thumbnails=overwrite"} << -86400 << true;
        QTest::newRow("keep, future") << QStringList{"--thumbnails=keep"} << -86400 << false;
    }

    void thumbnailClashes() {
        QFETCH(QStringList, answer);
        QFETCH(int, age);
        QFETCH(bool, replaced);
        const QString root = freshFolder(QStringLiteral("clashes"));
        const QString folder = copySamples(root);
        const QStringList args{"--ini",  writeEmptyIni(root), "--overwrite", "--set",         "CREATESPIC=1",
                               "--set",  "TRUERATIO=1",       "--set",       "OUTHTMLTYPE=1", "--set",
                               "SUBFS=1"};
        CliResult r = runCli(args + QStringList{folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());

        const auto filesAndInodes = [&] {
            QStringList files;
            for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 it.hasNext();) {
                struct stat st {};
                ::stat(QFile::encodeName(it.next()).constData(), &st);
                files << it.filePath() + u' ' + QString::number(st.st_ino);
            }
            files.sort();
            return files;
        };
        if (age != 0) {
            const QDateTime stamp = QDateTime::currentDateTime().addSecs(-age);
            for (const SamplePicture& s : kSamplePictures)
                setModified(thumbnailPathOf(folder, QString::fromUtf8(s.path)), stamp);
        }
        const QStringList before = filesAndInodes();

        r = runCli(args + answer + QStringList{folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        // The program's own thumbnails are not pictures to list.
        QCOMPARE(listedCounts(r.errText()), std::make_pair(12, 12));
        // The first clash asks, the answer holds for the rest of the run.
        QCOMPARE(r.errText().count(QStringLiteral("現在のファイルを新しいファイルで上書きしますか？")), 1);
        const QString page = sjisLines(folder + QStringLiteral("list.html")).join(u'\n');
        const QStringList after = filesAndInodes();
        // No numbered copies; a replaced thumbnail is a new file under the old name.
        QCOMPARE(after.size(), before.size());
        for (const SamplePicture& s : kSamplePictures) {
            const QString picture = QString::fromUtf8(s.path);
            const QString thumbnail = thumbnailPathOf(folder, picture);
            const bool same = std::any_of(before.begin(), before.end(), [&](const QString& line) {
                return line.startsWith(thumbnail + u' ') && after.contains(line);
            });
            QCOMPARE(!same, replaced);
            const QString shown = replaced ? QDir(folder).relativeFilePath(thumbnail) : picture;
            QVERIFY2(
                page.contains(QStringLiteral("<IMG BORDER=0 SRC='file:///%1%2' ").arg(folder.mid(1), shown)),
                qPrintable(shown));
        }
    }

    // TGA pictures become JPEG copies with the TGA's time when --convert-tga says so.
    void tgaConversion_data() {
        QTest::addColumn<bool>("convert");
        QTest::newRow("converted") << true;
        QTest::newRow("declined") << false;
    }

    void tgaConversion() {
        QFETCH(bool, convert);
        const QString root = freshFolder(QStringLiteral("tga"));
        const QString folder = copySamples(root);
        const QDateTime when(QDate(2003, 1, 9), QTime(7, 5, 30));
        const QStringList tgas{QStringLiteral("badge_rle"), QStringLiteral("gradient")};
        for (const QString& t : tgas)
            setModified(folder + t + QStringLiteral(".tga"), when);
        QStringList args{"--ini", writeEmptyIni(root), folder};
        if (convert)
            args.prepend(QStringLiteral("--convert-tga"));
        const CliResult r = runCli(args);
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        // Asked once for the whole run.
        QCOMPARE(r.errText().count(QStringLiteral("TGAファイルをJPEGファイルに変換しますか？")), 1);
        QVERIFY2(r.errText().contains(convert ? QStringLiteral("設定を使用します） → はい")
                                              : QStringLiteral("設定を使用します） → いいえ")),
                 r.describe().constData());
        const QString page = sjisLines(folder + QStringLiteral("list.html")).join(u'\n');
        const QSize sizes[] = {{96, 64}, {75, 50}};
        for (int i = 0; i < tgas.size(); ++i) {
            const QString jpeg = folder + tgas[i] + QStringLiteral("_tga.jpg");
            QCOMPARE(QFileInfo::exists(jpeg), convert);
            const QString shown =
                convert ? tgas[i] + QStringLiteral("_tga.jpg") : tgas[i] + QStringLiteral(".tga");
            // The picture shown is the JPEG; the ALT text still names the TGA.
            QVERIFY2(page.contains(QStringLiteral("SRC='file:///%1%2' VSPACE = '1' HSPACE = '1' ALT='%3.tga ")
                                       .arg(folder.mid(1), shown, tgas[i])),
                     qPrintable(page));
            if (!convert)
                continue;
            QImageReader reader(jpeg);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            const QImage image = reader.read();
            QCOMPARE(image.size(), sizes[i]);
            QCOMPARE(QFileInfo(jpeg).lastModified(), when);
            const QImage source = decodePlainTga(readFile(folder + tgas[i] + QStringLiteral(".tga")));
            if (!source.isNull())
                QVERIFY(closeColours(meanColour(source), meanColour(image), 8));
        }
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
