// The run inside the window: it writes what veldrin-cli writes for the same settings and folder,
// asks the same questions, and stops within one file when asked.

#include "cli_runner.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <map>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

using Answers = QList<MessageAnswer>;

// Every file below folder that is not in before, by relative path, with its bytes.
std::map<QString, QByteArray> newFiles(const QString& folder, const QStringList& before) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (!before.contains(relative))
            files[relative] = e2e::readFile(path);
    }
    return files;
}

QStringList relativeFiles(const QString& folder) {
    QStringList names;
    for (const auto& [name, bytes] : newFiles(folder, {}))
        names << name;
    return names;
}

QString sizeArg(const ScreenSize& s) {
    return QStringLiteral("%1x%2").arg(s.widthPixels).arg(s.heightPixels);
}

} // namespace

Q_DECLARE_METATYPE(Answers)

class TestWindowRun : public QObject {
    Q_OBJECT
private slots:
    void writesWhatTheCliWrites_data();
    void writesWhatTheCliWrites();
    void stopButtonEndsTheRun();
};

void TestWindowRun::writesWhatTheCliWrites_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<Answers>("answers"); // the window's, in the order the questions come
    QTest::addColumn<QStringList>("cliAnswers");
    using A = MessageAnswer;
    QTest::newRow("pictures, TGA left alone")
        << QByteArray("SUBFS=1\r\n") << Answers{A::No, A::No} << QStringList{};
    QTest::newRow("thumbnails in a table, made and converted")
        << QByteArray("SUBFS=1\r\nOUTHTMLTYPE=1\r\nTRUERATIO=1\r\nUSETABLE=1\r\nCREATESPIC=1\r\n"
                      "FILESTATUS_ATTR=1111111\r\nFILESTATUS_FONTCOLOR=255\r\nBGCOLOR1=3412\r\n")
        << Answers{A::Yes, A::No} << QStringList{QStringLiteral("--convert-tga")};
    QTest::newRow("text links in frames, split")
        << QByteArray(
               "SUBFS=1\r\nOUTHTMLTYPE=2\r\nUSEFRAME=1\r\nFRAMETYPE=1\r\nFILELIMIT=1\r\nFILECOUNT=4\r\n"
               "OBJTYPE=jpg,png,html\r\nGETHTMLTITLE=1\r\n")
        << Answers{A::No} << QStringList{};
}

void TestWindowRun::writesWhatTheCliWrites() {
    QFETCH(QByteArray, lines);
    QFETCH(Answers, answers);
    QFETCH(QStringList, cliAnswers);
    QTemporaryDir root;
    const QString folder = e2e::copySamples(root.path());
    const QStringList originals = relativeFiles(folder);
    const QByteArray text = e2e::toSjis(QStringLiteral("[VELDRIN]\r\nFOLDER=") + folder +
                                        QStringLiteral("\r\n") + QString::fromUtf8(lines));

    WindowFixture f;
    f.open(text);
    for (MessageAnswer a : answers)
        f.boxes.answerNext(a);
    f.control<QAbstractButton>("Command_Run")->click();
    QVERIFY(!f.boxes.unexpectedBox());
    QCOMPARE(f.boxes.pendingAnswers(), 0);
    const std::map<QString, QByteArray> fromWindow = newFiles(folder, originals);
    QVERIFY(!fromWindow.empty());
    for (const auto& [name, bytes] : fromWindow)
        QVERIFY(QFile::remove(folder + name));

    const QString cliIni = root.path() + QStringLiteral("/cli.ini");
    QVERIFY(e2e::writeFile(cliIni, text));
    const e2e::CliResult cli =
        e2e::runCli(QStringList{QStringLiteral("--ini"), cliIni, QStringLiteral("--screen"),
                                sizeArg(f.window->host().screenSize())} +
                    cliAnswers);
    QVERIFY2(cli.exitCode == 0, cli.describe().constData());
    const std::map<QString, QByteArray> fromCli = newFiles(folder, originals);
    QCOMPARE(fromCli.size(), fromWindow.size());
    for (const auto& [name, bytes] : fromWindow) {
        QVERIFY2(fromCli.count(name), qPrintable(name));
        QVERIFY2(fromCli.at(name) == bytes, qPrintable(name + QStringLiteral(" differs")));
    }

    // The same questions in the same order: the command line prints each one with its answer.
    QStringList asked;
    for (const ui::MessageBoxScript::Shown& shown : f.boxes.boxes())
        asked << QString(shown.request.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& question : asked)
        QVERIFY2(cli.errText().contains(question + QStringLiteral(" → ")), qPrintable(question));
}

void TestWindowRun::stopButtonEndsTheRun() {
    QTemporaryDir root;
    const QString folder = root.path() + QStringLiteral("/big/");
    QVERIFY(QDir().mkpath(folder));
    QImage picture(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    constexpr int kPictures = 40;
    for (int i = 0; i < kPictures; ++i)
        QVERIFY(picture.save(folder + QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0')), "JPEG", 90));

    WindowFixture f;
    f.open(e2e::toSjis(QStringLiteral("[VELDRIN]\r\nFOLDER=") + folder +
                       QStringLiteral("\r\nOUTHTMLTYPE=1\r\nTRUERATIO=1\r\nCREATESPIC=1\r\n")));
    const auto thumbnails = [&] {
        return QDir(folder).entryList({QStringLiteral("tm_*")}, QDir::Files).size();
    };
    qsizetype atStop = -1;
    bool closeRefused = false;
    QString folderAfterDrop;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!f.window->running() || thumbnails() < 2 || atStop >= 0)
            return;
        closeRefused = !f.window->close();
        dropOn(f.control("Text_Folder"), QUrl::fromLocalFile(root.path()));
        folderAfterDrop = f.control<QLineEdit>("Text_Folder")->text();
        atStop = thumbnails();
        f.control<QAbstractButton>("Command_View")->click();
    });
    poll.start();
    f.control<QAbstractButton>("Command_Run")->click();
    poll.stop();

    QVERIFY(atStop >= 2);
    QVERIFY(closeRefused);
    QCOMPARE(folderAfterDrop, folder);
    QVERIFY2(thumbnails() <= atStop + 1, qPrintable(QString::number(thumbnails())));
    QVERIFY(!f.window->running());
    QCOMPARE(f.control<QAbstractButton>("Command_View")->text(), QStringLiteral("ブラウザで表示(&V)"));
    QVERIFY(f.control("Command_Run")->isEnabled());
}

QTEST_MAIN(TestWindowRun)
#include "tst_window_run.moc"
