// The generated pages as a browser sees them: headless Chromium opens every page of a run (the
// list, the frame set and its frames, the index and its parts), and the test checks that every
// picture loads, that every link and frame points at a file that exists, that the pop-up scripts
// open existing files, and that the Japanese names come out as written.

#include "cli_runner.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin::e2e;

namespace {

const QString kChromium = QStringLiteral("/usr/bin/chromium");

// Loads each page into an iframe, one after the other, and follows the links and frames that lead
// to further pages of the catalogue. What it finds is written, percent-encoded JSON, into its own
// DOM, which --dump-dom prints.
const char kChecker[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<pre id="out">pending</pre>
<iframe id="f" width="1200" height="900"></iframe>
<script>
const start = new URL(START);
const root = new URL('.', start).href;
const queue = [start.href];
const seen = new Set(queue);
const pages = [];
const frame = document.getElementById('f');

function follow(url) {
  const u = new URL(url);
  u.hash = '';
  if (u.href.startsWith(root) && /\.html$/i.test(u.pathname) && !seen.has(u.href)) {
    seen.add(u.href);
    queue.push(u.href);
  }
}

function examine(url) {
  const w = frame.contentWindow;
  const d = frame.contentDocument;
  const opened = [];
  w.open = function (target) { opened.push(new URL(target, d.baseURI).href); return null; };
  const page = { url: url, charset: d.characterSet, title: d.title,
                 text: d.body ? d.body.innerText : '', images: [], links: [], frames: [] };
  for (const i of d.images)
    page.images.push({ src: i.getAttribute('src'), url: i.src, width: i.naturalWidth, alt: i.alt });
  for (const a of d.querySelectorAll('a[href]')) {
    const link = { href: a.getAttribute('href'), url: a.href, text: a.textContent, popup: [] };
    if (a.getAttribute('onclick')) {
      opened.length = 0;
      try { link.followed = a.onclick.call(a, new MouseEvent('click')) !== false; }
      catch (e) { link.error = String(e); }
      link.popup = opened.slice();
    }
    page.links.push(link);
    follow(a.href);
  }
  for (const f of d.querySelectorAll('frame')) {
    page.frames.push({ src: f.getAttribute('src'), url: f.src });
    follow(f.src);
  }
  pages.push(page);
}

function next() {
  if (queue.length === 0) {
    document.getElementById('out').textContent = encodeURIComponent(JSON.stringify(pages));
    return;
  }
  const url = queue.shift();
  frame.onload = function () {
    try { examine(url); } catch (e) { pages.push({ url: url, error: String(e) }); }
    next();
  };
  frame.src = url;
}
next();
</script></body></html>
)";

struct BrowserRun {
    QJsonArray pages;
    QString problem; // why nothing could be read
};

BrowserRun openInChromium(const QString& startPage, const QString& workFolder) {
    BrowserRun result;
    const QString checker = workFolder + QStringLiteral("/checker.html");
    QString html = QString::fromUtf8(kChecker);
    // Every character that could end the script's string is percent-encoded.
    html.replace(QStringLiteral("START"), QStringLiteral("'file://") +
                                              QString::fromLatin1(QUrl::toPercentEncoding(startPage, "/")) +
                                              QStringLiteral("'"));
    if (!writeFile(checker, html.toUtf8())) {
        result.problem = QStringLiteral("cannot write the checker page");
        return result;
    }
    QProcess chromium;
    chromium.setProgram(kChromium);
    chromium.setArguments({"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                           "--disable-background-networking", "--disable-component-update", "--disable-sync",
                           "--user-data-dir=" + workFolder + "/profile", "--allow-file-access-from-files",
                           "--virtual-time-budget=10000", "--dump-dom",
                           QString::fromUtf8(QUrl::fromLocalFile(checker).toEncoded())});
    chromium.setStandardInputFile(QProcess::nullDevice());
    chromium.start();
    if (!chromium.waitForFinished(180000)) {
        chromium.kill();
        chromium.waitForFinished();
        result.problem = QStringLiteral("Chromium did not finish");
        return result;
    }
    const QByteArray dom = chromium.readAllStandardOutput();
    static const QRegularExpression out(QStringLiteral("<pre id=\"out\">([^<]*)</pre>"));
    const QRegularExpressionMatch m = out.match(QString::fromUtf8(dom));
    if (!m.hasMatch() || m.captured(1) == u"pending") {
        result.problem = QStringLiteral("no result in the dumped page; Chromium said:\n") +
                         QString::fromUtf8(chromium.readAllStandardError().right(4000)) +
                         QString::fromUtf8(dom.left(2000));
        return result;
    }
    QJsonParseError error;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QUrl::fromPercentEncoding(m.captured(1).toLatin1()).toUtf8(), &error);
    if (!doc.isArray()) {
        result.problem = QStringLiteral("unreadable result: ") + error.errorString();
        return result;
    }
    result.pages = doc.array();
    return result;
}

QString localFile(const QString& url) {
    const QUrl u(url);
    return u.isLocalFile() ? u.toLocalFile() : QString();
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        if (!QFileInfo(kChromium).isExecutable())
            QSKIP("/usr/bin/chromium is missing (Debian package chromium): the browser checks are skipped");
        QVERIFY2(QFileInfo(cliPath()).isExecutable(), qPrintable(cliPath()));
        QVERIFY(m_dir.isValid());
    }

    void pagesWork_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("startPage");
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<bool>("pictures");     // the pages show pictures
        QTest::addColumn<QStringList>("texts"); // must be seen decoded, in text, ALT texts or titles

        const QStringList details{"OUTHTMLTYPE=1", "USETABLE=1", "TRUERATIO=1",
                                  "CREATESPIC=1",  "SUBFS=1",    "FILESTATUS_ATTR=1111111"};
        QTest::newRow("thumbnails, table, details")
            << "samples" << details << "list.html" << 1 << true
            << QStringList{"夕焼け.jpg", "旅行/", "旅行/海.jpg", "875バイト", "2003/01/09", "07:05:30"};
        // The frame set, the blank page, the index and one part per folder.
        QTest::newRow("split by folder, frames")
            << "samples" << details + QStringList{"DIVFOLDER=1", "USEFRAME=1"} << "list.html" << 5 << true
            << QStringList{"夕焼け.jpg", "旅行/山.png", "list002.html ( 旅行/ )", "LIST 旅行"};
        QTest::newRow("relative links") << "samples" << details + QStringList{"PATHTYPE=1"} << "list.html"
                                        << 1 << true << QStringList{"夕焼け.jpg", "旅行/"};
        QTest::newRow("file names") << "samples" << QStringList{"OUTHTMLTYPE=2", "SUBFS=1"} << "list.html"
                                    << 1 << false << QStringList{"夕焼け.jpg", "旅行/海.jpg", " - 2KB"};
        QTest::newRow("file names, frames, parts of four")
            << "samples"
            << QStringList{"OUTHTMLTYPE=2", "SUBFS=1", "USEFRAME=1", "FILELIMIT=1", "FILECOUNT=4"}
            << "list.html" << 6 << false << QStringList{"夕焼け.jpg", "旅行/山.png", "～ )"};
        QTest::newRow("pictures as they are")
            << "samples" << QStringList{"OUTHTMLTYPE=0", "SUBFS=1"} << "list.html" << 1 << true
            << QStringList{"夕焼け.jpg 2KB", "旅行/山.png"};

        // Names that mean something in HTML, URLs or scripts, or that Shift_JIS cannot hold.
        const QStringList oddTexts{"it's.jpg",    "a#b.png",     "100%.gif",
                                   "R&B <x>.bmp", "quote\".jpg", "back\\slash.jpg",
                                   "한국 😀.png",  "～wave.jpg",  "it's & 50%/x?.jpg"};
        QTest::newRow("odd names, thumbnails")
            << "odd names" << details << "list.html" << 1 << true << oddTexts;
        QTest::newRow("odd names, relative links")
            << "odd names" << details + QStringList{"PATHTYPE=1"} << "list.html" << 1 << true << oddTexts;
        QTest::newRow("odd names, file names, frames, parts per folder")
            << "odd names"
            << QStringList{"OUTHTMLTYPE=2", "SUBFS=1", "USEFRAME=1", "DIVFOLDER=1",
                           "OUTFILENAME=my list #1 'a'&b"}
            << "my list #1 'a'&b.html" << 5 << false << oddTexts + QStringList{"LIST it's & 50%"};
    }

    void pagesWork() {
        QFETCH(QString, fixture);
        QFETCH(QStringList, settings);
        QFETCH(QString, startPage);
        QFETCH(int, pageCount);
        QFETCH(bool, pictures);
        QFETCH(QStringList, texts);

        const QString root =
            m_dir.path() + u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QVERIFY(QDir().mkpath(root));
        QString folder;
        QStringList expected; // every picture, reached from the pages
        if (fixture == u"samples") {
            folder = copySamples(root);
            QVERIFY(!folder.isEmpty());
            QFile sunset(folder + QStringLiteral("夕焼け.jpg"));
            QVERIFY(sunset.open(QIODevice::ReadWrite));
            QVERIFY(sunset.setFileTime(QDateTime(QDate(2003, 1, 9), QTime(7, 5, 30)),
                                       QFileDevice::FileModificationTime));
            // The TGAs through their JPEG copies.
            expected =
                QStringList{"badge_rle_tga.jpg", "blue sky.gif",       "gradient_tga.jpg", "landscape.jpg",
                            "palette.gif",       "phone_portrait.jpg", "picture.bmp",      "progressive.jpg",
                            "shapes.png",        "夕焼け.jpg",         "旅行/山.png",      "旅行/海.jpg"};
        } else {
            folder = root + QStringLiteral("/odd/");
            const QString samples = QStringLiteral(VELDRIN_SAMPLES_DIR "/");
            const std::pair<const char*, const char*> copies[] = {{"landscape.jpg", "it's.jpg"},
                                                                  {"shapes.png", "a#b.png"},
                                                                  {"blue sky.gif", "100%.gif"},
                                                                  {"picture.bmp", "R&B <x>.bmp"},
                                                                  {"landscape.jpg", "quote\".jpg"},
                                                                  {"progressive.jpg", "back\\slash.jpg"},
                                                                  {"旅行/山.png", "한국 😀.png"},
                                                                  {"夕焼け.jpg", "～wave.jpg"},
                                                                  {"progressive.jpg", "it's & 50%/x?.jpg"}};
            for (const auto& [from, to] : copies) {
                QVERIFY(QDir().mkpath(QFileInfo(folder + QString::fromUtf8(to)).path()));
                QVERIFY(QFile::copy(samples + QString::fromUtf8(from), folder + QString::fromUtf8(to)));
                expected << QString::fromUtf8(to);
            }
        }
        QStringList args{"--ini", writeEmptyIni(root), "--convert-tga"};
        for (const QString& s : settings)
            args << QStringLiteral("--set") << s;
        const CliResult r = runCli(args + QStringList{folder});
        QVERIFY2(r.exitCode == 0, r.describe().constData());

        const BrowserRun run = openInChromium(folder + startPage, root);
        QVERIFY2(run.problem.isEmpty(), qPrintable(run.problem));
        QCOMPARE(run.pages.size(), pageCount);

        QString everything;   // all decoded text the browser saw
        QSet<QString> linked; // local files the links lead to
        int imageCount = 0;
        for (const QJsonValue& v : run.pages) {
            const QJsonObject page = v.toObject();
            const QString url = page[u"url"].toString();
            QVERIFY2(!page.contains(u"error"), qPrintable(url + u' ' + page[u"error"].toString()));
            QCOMPARE(page[u"charset"].toString(), QStringLiteral("Shift_JIS"));
            everything += page[u"title"].toString() + u'\n' + page[u"text"].toString() + u'\n';

            for (const QJsonValue& i : page[u"images"].toArray()) {
                const QJsonObject image = i.toObject();
                const QString file = localFile(image[u"url"].toString());
                const QString what = url + QStringLiteral(": IMG ") + image[u"src"].toString();
                QVERIFY2(QFileInfo(file).isFile(), qPrintable(what));
                QVERIFY2(image[u"width"].toInt() > 0, qPrintable(what + QStringLiteral(" did not load")));
                everything += image[u"alt"].toString() + u'\n';
                ++imageCount;
            }
            for (const QJsonValue& l : page[u"links"].toArray()) {
                const QJsonObject link = l.toObject();
                const QString what = url + QStringLiteral(": A HREF ") + link[u"href"].toString();
                const QString file = localFile(link[u"url"].toString());
                QVERIFY2(QFileInfo(file).isFile(), qPrintable(what));
                linked.insert(QFileInfo(file).canonicalFilePath());
                QVERIFY2(!link.contains(u"error"), qPrintable(what + u' ' + link[u"error"].toString()));
                // A pop-up opens the very file the link names, and keeps the link from being followed.
                for (const QJsonValue& p : link[u"popup"].toArray()) {
                    const QString opened = localFile(p.toString());
                    QVERIFY2(QFileInfo(opened).isFile(),
                             qPrintable(what + QStringLiteral(" opens ") + p.toString()));
                    QCOMPARE(QFileInfo(opened).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
                    QVERIFY2(!link[u"followed"].toBool(), qPrintable(what));
                }
                everything += link[u"text"].toString() + u'\n';
            }
            for (const QJsonValue& f : page[u"frames"].toArray()) {
                const QJsonObject frame = f.toObject();
                QVERIFY2(QFileInfo(localFile(frame[u"url"].toString())).isFile(),
                         qPrintable(url + QStringLiteral(": FRAME SRC ") + frame[u"src"].toString()));
            }
        }
        QVERIFY2(!everything.contains(QChar(0xFFFD)), qPrintable(everything));
        for (const QString& t : texts)
            QVERIFY2(everything.contains(t), qPrintable(t + QStringLiteral(" not in:\n") + everything));
        QVERIFY2((imageCount >= expected.size()) == pictures, qPrintable(QString::number(imageCount)));
        if (settings.contains(QStringLiteral("OUTHTMLTYPE=0")))
            return; // pictures as they are have no links
        for (const QString& e : expected)
            QVERIFY2(linked.contains(QFileInfo(folder + e).canonicalFilePath()), qPrintable(e));
    }

    void rawNamesOpen_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::newRow("thumbnails, absolute links, pop-ups")
            << QStringList{"OUTHTMLTYPE=1", "TRUERATIO=1", "CREATESPIC=1", "SUBFS=1"};
        QTest::newRow("file names, relative links") << QStringList{"OUTHTMLTYPE=2", "SUBFS=1", "PATHTYPE=1"};
    }

    // Names that are not UTF-8, and one that begins with a blank: the browser reaches each real file
    // through the links, the pop-ups and the thumbnails. QFile cannot name these, so bytes it is.
    void rawNamesOpen() {
        QFETCH(QStringList, settings);
        const QString root =
            m_dir.path() + u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QVERIFY(QDir().mkpath(root + QStringLiteral("/raw")));
        const QByteArray folder = QFile::encodeName(root) + "/raw/";
        QFile source(QStringLiteral(VELDRIN_SAMPLES_DIR "/landscape.jpg"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray picture = source.readAll();
        const QList<QByteArray> names{"caf\xe9.jpg", "d\xff\xfe/x.jpg", " lead.jpg"};
        QVERIFY(::mkdir((folder + "d\xff\xfe").constData(), 0755) == 0);
        for (const QByteArray& name : names) {
            QFile f;
            const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0 && f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
            QCOMPARE(f.write(picture), picture.size());
        }
        QStringList args{"--ini", writeEmptyIni(root), "--thumbnails=overwrite"};
        for (const QString& s : settings)
            args << QStringLiteral("--set") << s;
        const CliResult r = runCli(args + QStringList{root + QStringLiteral("/raw")});
        QVERIFY2(r.exitCode == 0, r.describe().constData());

        const BrowserRun run = openInChromium(root + QStringLiteral("/raw/list.html"), root);
        QVERIFY2(run.problem.isEmpty(), qPrintable(run.problem));
        const auto rawPath = [](const QString& url) {
            return QByteArray::fromPercentEncoding(QUrl(url).path(QUrl::FullyEncoded).toLatin1());
        };
        const auto isFile = [](const QByteArray& path) {
            struct stat st {};
            return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
        };
        QSet<QByteArray> reached;
        for (const QJsonValue& v : run.pages) {
            const QJsonObject page = v.toObject();
            for (const QJsonValue& i : page[u"images"].toArray()) {
                const QJsonObject image = i.toObject();
                QVERIFY2(image[u"width"].toInt() > 0, qPrintable(image[u"src"].toString() + " did not load"));
            }
            for (const QJsonValue& l : page[u"links"].toArray()) {
                const QJsonObject link = l.toObject();
                QVERIFY2(isFile(rawPath(link[u"url"].toString())), qPrintable(link[u"href"].toString()));
                reached.insert(rawPath(link[u"url"].toString()));
                for (const QJsonValue& p : link[u"popup"].toArray())
                    QCOMPARE(rawPath(p.toString()), rawPath(link[u"url"].toString()));
            }
        }
        for (const QByteArray& name : names)
            QVERIFY2(reached.contains(folder + name), name.toPercentEncoding().constData());
        // QTemporaryDir cannot remove what QFile cannot name.
        for (const QByteArray& name : names) {
            ::unlink((folder + name).constData());
            const qsizetype slash = name.lastIndexOf('/');
            ::unlink((folder + name.left(slash + 1) + "tm_" + name.mid(slash + 1)).constData());
        }
        ::rmdir((folder + "d\xff\xfe").constData());
    }
};

QTEST_GUILESS_MAIN(BrowserTest)
#include "tst_browser.moc"
