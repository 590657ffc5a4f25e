// Whole runs against what the world throws at them: an earlier catalogue that an unfinished run must
// not destroy, leftovers of killed runs, and file names that are not UTF-8 or begin with a blank.
#include "run_fixture.h"

#include "startup/native_name.h"
#include "startup/sjis.h"

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace veldrin;
using namespace htmlgen_test;

namespace {

// Writes a file under a name given as raw bytes below folder.
void writeRaw(const QString& folder, const QByteArray& relative, const QByteArray& content) {
    const QByteArray path = toNativeName(folder) + relative;
    const qsizetype slash = path.lastIndexOf('/');
    ::mkdir(path.left(slash).constData(), 0755);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

QMap<QString, QByteArray> snapshot(const RunFixture& f) {
    QMap<QString, QByteArray> files;
    for (const QString& page : f.pages())
        files[page] = readBytes(page);
    return files;
}

} // namespace

class TestRunSafety : public QObject {
    Q_OBJECT

private slots:
    void unfinishedRunKeepsEarlierPages_data();
    void unfinishedRunKeepsEarlierPages();
    void leftoversOfKilledRuns();
    void entryLeftOutIsNotCounted();
    void namesAsTheFileSystemHoldsThem_data();
    void namesAsTheFileSystemHoldsThem();
};

void TestRunSafety::unfinishedRunKeepsEarlierPages_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("breakWith");
    QTest::newRow("split list, error in an entry")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1"} << "FILECOUNT=0.4";
    QTest::newRow("frames, error in an entry")
        << QStringList{"OUTHTMLTYPE=1", "USEFRAME=1", "FILELIMIT=1"} << "FILECOUNT=0.4";
    QTest::newRow("plain list, a picture vanishes") << QStringList{"OUTHTMLTYPE=2"} << "";
}

// The second run fails half-way and the user chooses Abort: every page of the first run stays
// byte for byte, and no temporary file is left.
void TestRunSafety::unfinishedRunKeepsEarlierPages() {
    QFETCH(QStringList, settings);
    QFETCH(QString, breakWith);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set(settings);
    f.host.answerNext(MessageAnswer::No); // the completion question
    QCOMPARE(int(f.run().end), int(RunResult::End::Written));
    const QMap<QString, QByteArray> before = snapshot(f);
    QVERIFY(before.size() >= 1);

    if (!breakWith.isEmpty()) {
        f.set({breakWith});
    } else {
        f.host.onProcessEvents([&] {
            const QStringList& infos = f.host.infoTexts();
            if (!infos.isEmpty() && infos.last() == QStringLiteral("ソート中..."))
                QFile::remove(f.root + QStringLiteral("p3.gif"));
        });
    }
    f.host.answerNext(MessageAnswer::Yes); // overwrite the list
    f.host.answerNext(MessageAnswer::Abort);
    const RunResult second = f.run();
    QCOMPARE(int(second.end), int(RunResult::End::Aborted));
    QVERIFY(!second.listFileCreated);
    QCOMPARE(snapshot(f), before);
}

// A temporary file of a killed run is swept by the next run in that folder; one of a run still going
// on in another process, and names that are not ours, stay.
void TestRunSafety::leftoversOfKilledRuns() {
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set({"OUTHTMLTYPE=2"});
    const QString killed = f.root + QStringLiteral(".veldrin-999999999-3.tmp");
    const QString live = f.root + QStringLiteral(".veldrin-%1-1.tmp").arg(::getppid());
    const QString notOurs = f.root + QStringLiteral(".veldrin-notes.tmp");
    for (const QString& path : {killed, live, notOurs})
        writeFile(path, "<HTML>half");
    f.host.answerNext(MessageAnswer::No);
    QCOMPARE(int(f.run().end), int(RunResult::End::Written));
    QVERIFY(!QFile::exists(killed));
    QVERIFY(QFile::exists(live));
    QVERIFY(QFile::exists(notOurs));
    QCOMPARE(f.pages(), (QStringList{live, notOurs, f.root + "list.html"}));
}

// A picture that vanishes between the search and its entry, and the user ignores the error: the run counts
// what reached the page, not what it began.
void TestRunSafety::entryLeftOutIsNotCounted() {
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set({"OUTHTMLTYPE=0"});
    f.host.onProcessEvents([&] {
        const QStringList& infos = f.host.infoTexts();
        if (!infos.isEmpty() && infos.last() == QStringLiteral("ソート中..."))
            QFile::remove(f.root + QStringLiteral("p3.gif"));
    });
    f.host.answerNext(MessageAnswer::Ignore);
    f.host.answerNext(MessageAnswer::No);
    const RunResult result = f.run();
    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QCOMPARE(result.processed, 5);
    QCOMPARE(result.written, 4);
    QCOMPARE(readBytes(f.root + "list.html").count("<IMG "), 4);
}

void TestRunSafety::namesAsTheFileSystemHoldsThem_data() {
    QTest::addColumn<QString>("pathType");
    QTest::addColumn<QByteArray>("expected"); // lines of the page that must be there, in Shift_JIS
    QTest::newRow("relative links") << "1"
                                    << QByteArray("<A HREF='caf%E9.gif'>\r\ncaf&#65533;.gif\r\n"
                                                  "<A HREF='d%FF/x.gif'>\r\nd&#65533;/x.gif\r\n"
                                                  "<A HREF='%20lead.gif'>\r\n lead.gif\r\n");
    QTest::newRow("absolute links") << "0"
                                    << QByteArray("<A HREF='file:///{U}caf%E9.gif'>\r\ncaf&#65533;.gif\r\n"
                                                  "<A HREF='file:///{U}d%FF/x.gif'>\r\nd&#65533;/x.gif\r\n"
                                                  "<A HREF='file:///{U}%20lead.gif'>\r\n lead.gif\r\n");
}

// Names that are not UTF-8 are listed, opened (their sizes are read) and linked by their bytes.
void TestRunSafety::namesAsTheFileSystemHoldsThem() {
    QFETCH(QString, pathType);
    QFETCH(QByteArray, expected);
    RunFixture f;
    QVERIFY(f.isValid());
    // QTemporaryDir cannot remove names that are not UTF-8: they go by their bytes.
    struct RawCleanup {
        QByteArray root;
        ~RawCleanup() {
            ::unlink((root + "caf\xe9.gif").constData());
            ::unlink((root + "d\xff/x.gif").constData());
            ::rmdir((root + "d\xff").constData());
        }
    } cleanup{toNativeName(f.root)};
    const QByteArray gif = gifBytes(10, 10, 1500);
    writeRaw(f.root, "caf\xe9.gif", gif);
    writeRaw(f.root, "d\xff/x.gif", gif);
    writeRaw(f.root, " lead.gif", gif);
    f.set({"OUTHTMLTYPE=2", "PATHTYPE=" + pathType});
    f.host.answerNext(MessageAnswer::No);
    const RunResult result = f.run();
    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(result.processed, 3);
    const QByteArray page = readBytes(f.root + "list.html");
    for (const QByteArray& line :
         QByteArray(toShiftJis(f.expand(QString::fromLatin1(expected)))).split('\n')) {
        if (!line.isEmpty())
            QVERIFY2(page.contains(line + '\n'), line.constData());
    }
    QCOMPARE(page.count(" - 2KB\r\n"), 3); // each file's size was read through its own name
}

QTEST_GUILESS_MAIN(TestRunSafety)
#include "tst_run_safety.moc"
