// The course of a generation run: its questions and messages, stops, errors, corrections of the
// settings, progress texts, and opening the result.

#include "drop_root.h"
#include "htmlgen/generation_run.h"
#include "run_fixture.h"

#include <QTest>

#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin;
using namespace htmlgen_test;
using veldrin::testing::DropRoot;

Q_DECLARE_METATYPE(veldrin::MessageAnswer)
Q_DECLARE_METATYPE(veldrin::RunResult::End)

namespace {

const QString kStopText = QStringLiteral("リストの作成を中断します。（途中まで作成したリストは出力します）");
const QString kDivisionByZero = QStringLiteral("0 で除算しました。");
const QString kNotOpen = QStringLiteral("ファイルが開かれていません。（{R}list001.html）");

QString completionQuestion(const QString& path) {
    return QStringLiteral("ファイル（") + path +
           QStringLiteral("）を作成しました。\r\nブラウザで表示しますか？");
}

QList<MessageAnswer> answers(std::initializer_list<MessageAnswer> list) {
    return QList<MessageAnswer>(list);
}

void script(RunFixture& f, const QList<MessageAnswer>& list) {
    for (MessageAnswer a : list)
        f.host.answerNext(a);
}

// The user nobody must be able to reach the searched folder and own it, so that it can change its
// mode while acting as nobody.
void handFolderToNobody(RunFixture& f) {
    QVERIFY(::chmod(QFile::encodeName(f.base()).constData(), 0755) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(f.root).constData(), 65534, 65534) == 0);
}

void setMode(const QString& path, mode_t mode) {
    QVERIFY2(::chmod(QFile::encodeName(path).constData(), mode) == 0, qPrintable(path));
}

QString lastInfo(const RunFixture& f) {
    return f.host.infoTexts().isEmpty() ? QString() : f.host.infoTexts().last();
}

} // namespace

class TestRunFlow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void normalizeFolder_data();
    void normalizeFolder();
    void folderSetting_data();
    void folderSetting();

    void emptyName_data();
    void emptyName();
    void nothingFound_data();
    void nothingFound();
    void overwrite_data();
    void overwrite();
    void appearsDuringSearch_data();
    void appearsDuringSearch();

    void stop_data();
    void stop();
    void progressTexts();
    void completion_data();
    void completion();
    void openResult_data();
    void openResult();

    void corrections_data();
    void corrections();
    void shiftJisBytes();

    void unwritableFolder_data();
    void unwritableFolder();
    void pathNotFound_data();
    void pathNotFound();
    void arithmetic_data();
    void arithmetic();
    void vanishedFile();
    void searchAbortKeepsWhatWasFound();

private:
    QString m_startFolder;
};

void TestRunFlow::initTestCase() {
    qputenv("TZ", "Asia/Tokyo");
    ::tzset();
    m_startFolder = QDir::currentPath();
}

// ---------------------------------------------------------------------------------------------
// The searched folder

void TestRunFlow::normalizeFolder_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected"); // {C}: the current folder
    QTest::newRow("empty: the program's own folder") << ""
                                                     << "/opt/veldrin/";
    QTest::newRow("slash added") << "/data/pics"
                                 << "/data/pics/";
    QTest::newRow("slash kept") << "/data/pics/"
                                << "/data/pics/";
    QTest::newRow("file-system root") << "/"
                                      << "/";
    QTest::newRow("Japanese folder") << "/data/旅行"
                                     << "/data/旅行/";
    QTest::newRow("relative to the current folder") << "pics"
                                                    << "{C}/pics/";
    QTest::newRow("relative with dots cleaned") << "./a/../pics/"
                                                << "{C}/pics/";
}

void TestRunFlow::normalizeFolder() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QTemporaryDir current;
    QVERIFY(QDir::setCurrent(current.path()));
    const QString result = NormalizeFolderPath(path, QStringLiteral("/opt/veldrin/"));
    QDir::setCurrent(m_startFolder);
    QCOMPARE(result, QString(expected).replace(QStringLiteral("{C}"), current.path()));
}

void TestRunFlow::folderSetting_data() {
    QTest::addColumn<QString>("folder");   // FOLDER as typed
    QTest::addColumn<QString>("current");  // the current folder, below the temporary folder
    QTest::addColumn<QString>("expected"); // FOLDER after the run, and where the list goes
    QTest::newRow("empty: the program's folder") << ""
                                                 << ""
                                                 << "{P}";
    QTest::newRow("without the final slash") << "{B}pics"
                                             << ""
                                             << "{R}";
    QTest::newRow("relative") << "pics"
                              << "{B}"
                              << "{R}";
    QTest::newRow("relative with dots") << "../pics/./"
                                        << "{P}"
                                        << "{R}";
}

void TestRunFlow::folderSetting() {
    QFETCH(QString, folder);
    QFETCH(QString, current);
    QFETCH(QString, expected);
    RunFixture f;
    QVERIFY(f.isValid());
    writeFile(f.root + "a.gif", gifBytes(10, 10, 100));
    writeFile(f.prog + "b.gif", gifBytes(10, 10, 100));
    f.set({"FOLDER=" + folder});
    f.host.answerNext(MessageAnswer::No);
    if (!current.isEmpty())
        QVERIFY(QDir::setCurrent(f.expand(current)));
    const RunResult result = f.run();
    QDir::setCurrent(m_startFolder);

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QCOMPARE(f.settings.FOLDER, f.expand(expected));
    QCOMPARE(result.listFilePath, f.expand(expected) + "list.html");
    QCOMPARE(f.pages(), QStringList{f.expand(expected) + "list.html"});
    QCOMPARE(f.host.boxTexts(), QStringList{completionQuestion(f.expand(expected) + "list.html")});
}

// ---------------------------------------------------------------------------------------------
// Questions and messages before anything is written

void TestRunFlow::emptyName_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
}

void TestRunFlow::emptyName() {
    QFETCH(QString, name);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set({"OUTFILENAME=" + name, "JPEGCOMP=0", "SPICNAME=abcdefghijklmnopqrstuvwxyz"});

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::NoFileName));
    QCOMPARE(f.host.boxes().size(), size_t(1));
    const MessageBoxRequest& box = f.host.boxes()[0].request;
    QCOMPARE(box.text, QStringLiteral("出力HTMLファイル名が指定されていません"));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN"));
    QCOMPARE(int(box.buttons), int(MessageButtons::Ok));
    QCOMPARE(int(box.icon), int(MessageIcon::Warning));
    QCOMPARE(f.host.beeps(), 0);
    QVERIFY(f.pages().isEmpty());
    // The run ended before the corrections and before the search.
    QCOMPARE(f.settings.JPEGCOMP, QStringLiteral("0"));
    QCOMPARE(f.settings.SPICNAME, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(f.host.infoTexts(), QStringList{""});
    QCOMPARE(f.host.captions(), QStringList{"VELDRIN"});
}

void TestRunFlow::nothingFound_data() {
    QTest::addColumn<QString>("fileSet");
    QTest::addColumn<QString>("stopPrefix");
    QTest::newRow("empty folder") << ""
                                  << "";
    QTest::newRow("pictures, but the search is stopped at once") << "three"
                                                                 << "ファイル検索中...";
}

void TestRunFlow::nothingFound() {
    QFETCH(QString, fileSet);
    QFETCH(QString, stopPrefix);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles(fileSet);
    writeFile(f.root + "notes.txt", "text");
    f.set({"JPEGCOMP=0"});
    if (!stopPrefix.isEmpty())
        f.host.stopWhenInfoStartsWith(stopPrefix);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::NothingFound));
    QCOMPARE(f.host.boxes().size(), size_t(1));
    const MessageBoxRequest& box = f.host.boxes()[0].request;
    QCOMPARE(box.text, QStringLiteral("対象ファイルは見つかりませんでした。"));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN"));
    QCOMPARE(int(box.buttons), int(MessageButtons::Ok));
    QCOMPARE(int(box.icon), int(MessageIcon::Information));
    QCOMPARE(f.host.beeps(), 0);
    QVERIFY(f.pages().isEmpty());
    QCOMPARE(f.settings.JPEGCOMP, QStringLiteral("75")); // corrected before the search
    QCOMPARE(lastInfo(f), QString());
    QCOMPARE(f.host.captions().last(), QStringLiteral("VELDRIN"));
}

void TestRunFlow::overwrite_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<RunResult::End>("end");
    QTest::newRow("list exists, no") << "list" << MessageAnswer::No << RunResult::End::OverwriteRefused;
    QTest::newRow("list exists, yes") << "list" << MessageAnswer::Yes << RunResult::End::Written;
    QTest::newRow("hidden list exists, no")
        << ".hidden" << MessageAnswer::No << RunResult::End::OverwriteRefused;
    QTest::newRow("hidden list exists, yes") << ".hidden" << MessageAnswer::Yes << RunResult::End::Written;
}

void TestRunFlow::overwrite() {
    QFETCH(QString, name);
    QFETCH(MessageAnswer, answer);
    QFETCH(RunResult::End, end);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    const QString list = f.root + name + ".html";
    writeFile(list, "old");
    f.set({"OUTFILENAME=" + name, "OUTHTMLTYPE=2", "PATHTYPE=1", "SUBFS=0"});
    f.host.answerNext(answer);
    f.host.answerNext(MessageAnswer::No); // the completion question, if it comes

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(end));
    QVERIFY(!f.host.unexpectedBox());
    const MessageBoxRequest& box = f.host.boxes().at(0).request;
    QCOMPARE(box.text, QStringLiteral("ファイル（") + list +
                           QStringLiteral("）が既に存在します。\r\n上書きしますか？"));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN"));
    QCOMPARE(int(box.buttons), int(MessageButtons::YesNo));
    QCOMPARE(int(box.icon), int(MessageIcon::Question));
    QCOMPARE(int(box.question), int(Question::OverwriteList));
    if (answer == MessageAnswer::No) {
        QCOMPARE(f.host.boxes().size(), size_t(1));
        QCOMPARE(f.host.beeps(), 1);
        QCOMPARE(readBytes(list), QByteArray("old"));
        QCOMPARE(f.host.infoTexts(), QStringList{""}); // no search
    } else {
        QCOMPARE(f.host.boxTexts(), (QStringList{box.text, completionQuestion(list)}));
        QCOMPARE(f.host.beeps(), 2);
        comparePage(list, QStringList{head("Photos"), kBody} << linkEntry("a.gif", "a.gif", "12KB")
                                                             << linkEntry("b.gif", "b.gif", "2KB") << kEnd);
    }
    QCOMPARE(f.pages(), QStringList{list});
}

void TestRunFlow::appearsDuringSearch_data() {
    QTest::addColumn<bool>("existedBefore");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<RunResult::End>("end");
    QTest::newRow("appears, no") << false << MessageAnswer::No << RunResult::End::OverwriteRefused;
    QTest::newRow("appears, yes") << false << MessageAnswer::Yes << RunResult::End::Written;
    QTest::newRow("existed and confirmed: no second question")
        << true << MessageAnswer::Yes << RunResult::End::Written;
}

void TestRunFlow::appearsDuringSearch() {
    QFETCH(bool, existedBefore);
    QFETCH(MessageAnswer, answer);
    QFETCH(RunResult::End, end);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    const QString list = f.root + "list.html";
    if (existedBefore)
        writeFile(list, "old");
    f.set({"OUTHTMLTYPE=2", "PATHTYPE=1", "SUBFS=0"});
    bool made = false;
    f.host.onProcessEvents([&] {
        if (!made && lastInfo(f).startsWith(QStringLiteral("ファイル検索中... "))) {
            made = true;
            writeFile(list, "other");
        }
    });
    f.host.answerNext(answer);
    f.host.answerNext(MessageAnswer::No); // the completion question, if it comes

    const RunResult result = f.run();

    QVERIFY(made);
    QCOMPARE(int(result.end), int(end));
    QVERIFY(!f.host.unexpectedBox());
    const QString first = existedBefore ? QStringLiteral("ファイル（") + list +
                                              QStringLiteral("）が既に存在します。\r\n上書きしますか？")
                                        : QStringLiteral("ファイル検索中に、他プロセスがファイル（") + list +
                                              QStringLiteral("）を作成しました。\r\n上書きしますか？");
    const MessageBoxRequest& box = f.host.boxes().at(0).request;
    QCOMPARE(box.text, first);
    QCOMPARE(int(box.buttons), int(MessageButtons::YesNo));
    QCOMPARE(int(box.icon), int(MessageIcon::Question));
    if (answer == MessageAnswer::No) {
        QCOMPARE(f.host.boxes().size(), size_t(1));
        QCOMPARE(f.host.beeps(), 1);
        QCOMPARE(readBytes(list), QByteArray("other"));
    } else {
        QCOMPARE(f.host.boxTexts(), (QStringList{first, completionQuestion(list)}));
        QCOMPARE(f.host.beeps(), 2);
        comparePage(list, QStringList{head("Photos"), kBody} << linkEntry("a.gif", "a.gif", "12KB")
                                                             << linkEntry("b.gif", "b.gif", "2KB") << kEnd);
    }
}

// ---------------------------------------------------------------------------------------------
// Stops, progress and the end of a run

void TestRunFlow::stop_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("stopPrefix");
    QTest::addColumn<bool>("stopMessage");
    QTest::addColumn<QString>("completion");
    QTest::addColumn<Pages>("pages");

    const auto link = [](const char* path) { return linkEntry(path, path, "1KB"); };
    QTest::newRow("before the third entry")
        << QStringList{"OUTHTMLTYPE=2"} << "処理中... 2/" << true << "処理完了 2/5"
        << Pages{{"{R}list.html",
                  QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif") << kEnd}};
    QTest::newRow("split: the open part is closed")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=2"} << "処理中... 3/" << true
        << "処理完了 3/5"
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )")
                                      << indexEntry("list002.html", "list002.html ( p3.gif～ )") << kEnd},
                 {"{R}list001.html",
                  QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif") << kEnd},
                 {"{R}list002.html", QStringList{head("Photos"), kBody} << link("p3.gif") << kEnd}};
    QTest::newRow("split: stop right after a part ended")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=2"} << "処理中... 2/" << true
        << "処理完了 2/5"
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )") << kEnd},
                 {"{R}list001.html",
                  QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif") << kEnd}};
    QTest::newRow("the table is closed")
        << QStringList{"OUTHTMLTYPE=1", "USETABLE=1"} << "処理中... 1/" << true << "処理完了 1/5"
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kTable, "<TR>",
                                              relativeCell("p1.gif", false), "</TABLE>", kEnd}}};
    QTest::newRow("on the last entry: no stop message")
        << QStringList{"OUTHTMLTYPE=2"} << "処理中... 5/5" << false << "処理完了 5/5"
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif")
                                                                     << link("p3.gif") << link("sub/p4.gif")
                                                                     << link("sub/p5.gif") << kEnd}};
    QTest::newRow("during the search, after the first folder")
        << QStringList{"OUTHTMLTYPE=2"} << "ファイル検索中... {R}sub/" << true << "処理完了 0/3"
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kEnd}}};
}

void TestRunFlow::stop() {
    QFETCH(QStringList, settings);
    QFETCH(QString, stopPrefix);
    QFETCH(bool, stopMessage);
    QFETCH(QString, completion);
    QFETCH(Pages, pages);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set(settings);
    f.set({"PATHTYPE=1"});
    f.host.stopWhenInfoStartsWith(f.expand(stopPrefix));
    if (stopMessage)
        f.host.answerNext(MessageAnswer::Ok);
    f.host.answerNext(MessageAnswer::No);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QStringList expectedBoxes;
    if (stopMessage) {
        expectedBoxes << kStopText;
        const MessageBoxRequest& box = f.host.boxes().at(0).request;
        QCOMPARE(box.caption, QStringLiteral("VELDRIN"));
        QCOMPARE(int(box.buttons), int(MessageButtons::Ok));
        QCOMPARE(int(box.icon), int(MessageIcon::Warning));
    }
    expectedBoxes << completionQuestion(f.root + "list.html");
    QCOMPARE(f.host.boxTexts(), expectedBoxes);
    QCOMPARE(f.host.beeps(), stopMessage ? 2 : 1);
    QVERIFY2(f.host.infoTexts().contains(completion), qPrintable(f.host.infoTexts().join(u'|')));
    comparePages(f, pages);
}

void TestRunFlow::progressTexts() {
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.host.answerNext(MessageAnswer::No);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QCOMPARE(result.processed, 3);
    QCOMPARE(result.found, 3);
    QCOMPARE(f.host.infoTexts(), f.expand(QStringList{"ファイル検索中...", "ファイル検索中... {R}",
                                                      "ファイル検索中... {R}sub/", "", "ソート中...", "",
                                                      "処理中... 1/3   {R}a.gif", "処理中... 2/3   {R}b.gif",
                                                      "処理中... 3/3   {R}sub/c.gif", "処理完了 3/3", ""}));
    QCOMPARE(f.host.captions(),
             (QStringList{"ファイル検索中... VELDRIN", "ソート中... VELDRIN", "処理中... 33% VELDRIN",
                          "処理中... 66% VELDRIN", "処理中... 100% VELDRIN", "VELDRIN"}));
}

void TestRunFlow::completion_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("questionPath");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("yes opens the list")
        << QStringList{} << MessageAnswer::Yes << "{R}list.html" << QStringList{"{R}list.html"};
    QTest::newRow("no opens nothing")
        << QStringList{} << MessageAnswer::No << "{R}list.html" << QStringList{};
    QTest::newRow("frames: the list is named, the frame set opens")
        << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1"} << MessageAnswer::Yes << "{R}list_list.html"
        << QStringList{"{R}list.html"};
    QTest::newRow("split: the index opens")
        << QStringList{"FILELIMIT=1"} << MessageAnswer::Yes << "{R}list.html" << QStringList{"{R}list.html"};
    QTest::newRow("program folder") << QStringList{"OUTFOLDER=1"} << MessageAnswer::Yes << "{P}list.html"
                                    << QStringList{"{P}list.html"};
    QTest::newRow("hidden list name") << QStringList{"OUTFILENAME=.hidden"} << MessageAnswer::Yes
                                      << "{R}.hidden.html" << QStringList{"{R}.hidden.html"};
}

void TestRunFlow::completion() {
    QFETCH(QStringList, settings);
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, questionPath);
    QFETCH(QStringList, opened);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set(settings);
    f.set({"SUBFS=0"});
    f.host.answerNext(answer);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.boxes().size(), size_t(1));
    const MessageBoxRequest& box = f.host.boxes()[0].request;
    QCOMPARE(box.text, completionQuestion(f.expand(questionPath)));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN"));
    QCOMPARE(int(box.buttons), int(MessageButtons::YesNo));
    QCOMPARE(int(box.icon), int(MessageIcon::Question));
    QCOMPARE(int(box.question), int(Question::OpenResult));
    QCOMPARE(f.host.openedFiles(), f.expand(opened));
    QCOMPARE(f.host.beeps(), 1);
    QCOMPARE(f.host.infoTexts().mid(f.host.infoTexts().size() - 2), (QStringList{"処理完了 2/2", ""}));
    QCOMPARE(f.host.captions().last(), QStringLiteral("VELDRIN"));
    QCOMPARE(result.processed, 2);
    QCOMPARE(result.found, 2);
    QVERIFY(!f.values.OpenWhenDone);
}

void TestRunFlow::openResult_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("opened");
    QTest::newRow("missing: a whole run, then opened without asking")
        << QStringList{} << false << "{R}list.html";
    QTest::newRow("present: only opened") << QStringList{} << true << "{R}list.html";
    QTest::newRow("frames: the frame set")
        << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1"} << false << "{R}list.html";
    QTest::newRow("program folder") << QStringList{"OUTFOLDER=1"} << false << "{P}list.html";
    QTest::newRow("program folder, present") << QStringList{"OUTFOLDER=1"} << true << "{P}list.html";
}

void TestRunFlow::openResult() {
    QFETCH(QStringList, settings);
    QFETCH(bool, exists);
    QFETCH(QString, opened);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set(settings);
    f.set({"SUBFS=0"});
    const QString target = f.expand(opened);
    if (exists)
        writeFile(target, "old");

    OpenResultInBrowser(f.env);

    QCOMPARE(f.host.openedFiles(), QStringList{target});
    QVERIFY(f.host.boxes().empty());
    QVERIFY(!f.values.OpenWhenDone);
    if (exists) {
        QCOMPARE(readBytes(target), QByteArray("old"));
        QVERIFY(f.host.infoTexts().isEmpty());
        QCOMPARE(f.pages(), QStringList{target});
    } else {
        QVERIFY(f.host.infoTexts().contains(QStringLiteral("処理完了 2/2")));
        QVERIFY(readBytes(target).startsWith("<HTML><HEAD><TITLE>Photos</TITLE>"));
        QCOMPARE(f.host.beeps(), 1);
    }
}

// ---------------------------------------------------------------------------------------------
// Corrections and encoding

void TestRunFlow::corrections_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("SPICNAME of 26 characters")
        << QStringList{"SPICNAME=abcdefghijklmnopqrstuvwxyz"} << "SPICNAME"
        << "abcdefghijklmnopqrst";
    QTest::newRow("SPICNAME cut after trimming")
        << QStringList{"SPICNAME=  abcdefghijklmnopqrstu  "} << "SPICNAME"
        << "abcdefghijklmnopqrst";
    QTest::newRow("SPICNAME of 20 after trimming kept as typed")
        << QStringList{"SPICNAME=  abcdefghijklmnopqrst  "} << "SPICNAME"
        << "  abcdefghijklmnopqrst  ";
    for (const char* bad : {"0", "101", "abc", "-5", "100.5", ""})
        QTest::addRow("JPEGCOMP '%s' becomes 75", bad)
            << QStringList{QStringLiteral("JPEGCOMP=") + bad} << "JPEGCOMP"
            << "75";
    for (const char* good : {"1", "100", " 50 ", "60%"})
        QTest::addRow("JPEGCOMP '%s' stays", good)
            << QStringList{QStringLiteral("JPEGCOMP=") + good} << "JPEGCOMP" << good;
    QTest::newRow("FILECOUNT 0 stays without split")
        << QStringList{"FILECOUNT=0", "OUTHTMLTYPE=2"} << "FILECOUNT"
        << "0";
    QTest::newRow("FILECOUNT 0 with FILELIMIT") << QStringList{"FILECOUNT=0", "FILELIMIT=1"} << "FILECOUNT"
                                                << "100";
    QTest::newRow("FILECOUNT 0 with DIVFOLDER") << QStringList{"FILECOUNT=0", "DIVFOLDER=1"} << "FILECOUNT"
                                                << "100";
    QTest::newRow("FILECOUNT -3 with FILELIMIT") << QStringList{"FILECOUNT=-3", "FILELIMIT=1"} << "FILECOUNT"
                                                 << "100";
    QTest::newRow("FILECOUNT 3 with FILELIMIT") << QStringList{"FILECOUNT=3", "FILELIMIT=1"} << "FILECOUNT"
                                                << "3";
    QTest::newRow("TABLECOLS 0 for thumbnails") << QStringList{"TABLECOLS=0", "OUTHTMLTYPE=1"} << "TABLECOLS"
                                                << "8";
    QTest::newRow("TABLECOLS -1 for thumbnails")
        << QStringList{"TABLECOLS=-1", "OUTHTMLTYPE=1", "USETABLE=1"} << "TABLECOLS"
        << "8";
    QTest::newRow("TABLECOLS 0 for links") << QStringList{"TABLECOLS=0", "OUTHTMLTYPE=2"} << "TABLECOLS"
                                           << "0";
    QTest::newRow("TABLECOLS 0 for pictures") << QStringList{"TABLECOLS=0", "OUTHTMLTYPE=0"} << "TABLECOLS"
                                              << "0";
    QTest::newRow("SUMSIZE width 0") << QStringList{"SUMSIZE=0,50", "OUTHTMLTYPE=1"} << "SUMSIZE"
                                     << "100,50";
    QTest::newRow("SUMSIZE height 0") << QStringList{"SUMSIZE=50,0", "OUTHTMLTYPE=1"} << "SUMSIZE"
                                      << "50,100";
    QTest::newRow("SUMSIZE not numbers") << QStringList{"SUMSIZE=abc,-1", "OUTHTMLTYPE=1"} << "SUMSIZE"
                                         << "100,100";
    QTest::newRow("SUMSIZE at five screens")
        << QStringList{"SUMSIZE=144000,81000", "OUTHTMLTYPE=1"} << "SUMSIZE"
        << "144000,81000";
    QTest::newRow("SUMSIZE beyond five screens")
        << QStringList{"SUMSIZE=144001,81001", "OUTHTMLTYPE=1"} << "SUMSIZE"
        << "100,100";
    QTest::newRow("SUMSIZE 0 for links") << QStringList{"SUMSIZE=0,0", "OUTHTMLTYPE=2"} << "SUMSIZE"
                                         << "0,0";
}

void TestRunFlow::corrections() {
    QFETCH(QStringList, settings);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set({"SUBFS=0"});
    f.set(settings);
    f.host.answerNext(MessageAnswer::No);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.access.value(key), expected);
}

void TestRunFlow::shiftJisBytes() {
    RunFixture f;
    QVERIFY(f.isValid());
    writeFile(f.root + "夕焼け.gif", gifBytes(10, 10, 100));
    f.set({"OUTHTMLTYPE=2", "PATHTYPE=1", "HTMLTITLE=写真一覧～"});
    f.host.answerNext(MessageAnswer::No);
    f.run();

    // 写真一覧～ and 夕焼け in Shift_JIS (～ is 81 60).
    const QByteArray title = QByteArray::fromHex("8ECA905E88EA97978160");
    const QByteArray name = QByteArray::fromHex("975B8FC482AF") + ".gif";
    const QByteArray expected =
        "<HTML><HEAD><TITLE>" + title +
        "</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'></HEAD>\r\n"
        "<BODY TEXT=BLACK BGCOLOR=#FFFFFF LINK=BLUE>\r\n"
        "<A HREF='" +
        name + "'>\r\n" + name + "\r\n</A>\r\n - 1KB\r\n<BR>\r\n</BODY></HTML>\r\n";
    QCOMPARE(readBytes(f.root + "list.html"), expected);
}

// ---------------------------------------------------------------------------------------------
// Errors

void TestRunFlow::unwritableFolder_data() {
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<bool>("writableOnBox"); // the folder is made writable while the error box is up
    QTest::addColumn<QStringList>("boxes");  // {E}: the error of the part file
    QTest::addColumn<RunResult::End>("end");
    QTest::addColumn<Pages>("pages");

    const QString err = QStringLiteral("{E}");
    const QStringList index = QStringList{head("Photos"), kBody}
                              << indexEntry("list001.html", "list001.html ( a.gif～ )");
    QTest::newRow("retry after the folder is writable again")
        << answers({MessageAnswer::Retry, MessageAnswer::No}) << true
        << QStringList{err, completionQuestion("{R}list.html")} << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList(index) << kEnd},
                 {"{R}list001.html", QStringList{head("Photos"), kBody} << linkEntry("a.gif", "a.gif", "12KB")
                                                                        << linkEntry("b.gif", "b.gif", "2KB")
                                                                        << kEnd}};
    // Ignore goes on after each failed step: every write to the part that was never created fails
    // in turn (head, BODY, two entries of five lines, closing line); the index is complete but
    // cannot be put in place, and the end says so instead of offering a page that is not there.
    QList<MessageAnswer> ignoreAll(15, MessageAnswer::Ignore);
    QStringList ignoredBoxes{err};
    for (int i = 0; i < 13; ++i)
        ignoredBoxes << kNotOpen;
    ignoredBoxes << QStringLiteral("書き込みできません。（{R}list.html: Permission denied）")
                 << QStringLiteral("ファイル（{R}list.html）を作成できませんでした。");
    QTest::newRow("ignore goes on") << ignoreAll << false << ignoredBoxes << RunResult::End::Written
                                    << Pages{};
    QTest::newRow("abort ends the run and writes nothing")
        << answers({MessageAnswer::Abort}) << false << QStringList{err} << RunResult::End::Aborted << Pages{};
}

void TestRunFlow::unwritableFolder() {
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(bool, writableOnBox);
    QFETCH(QStringList, boxes);
    QFETCH(RunResult::End, end);
    QFETCH(Pages, pages);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set({"OUTHTMLTYPE=2", "PATHTYPE=1", "FILELIMIT=1", "SUBFS=0"});
    handFolderToNobody(f);
    script(f, answers);
    // The folder becomes read-only once the entries begin, after the index has been created.
    f.host.onProcessEvents([&] {
        if (lastInfo(f).startsWith(QStringLiteral("処理中... 1/")))
            setMode(f.root, 0555);
    });
    if (writableOnBox)
        f.host.onBox = [&](const MessageBoxRequest&) { setMode(f.root, 0755); };

    RunResult result;
    {
        DropRoot nobody;
        result = f.run();
        setMode(f.root, 0755);
    }

    QCOMPARE(int(result.end), int(end));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.pendingAnswers(), 0);
    const QString error = QStringLiteral("書き込みできません。（") + f.root +
                          QStringLiteral("list001.html: Permission denied）");
    QCOMPARE(f.host.boxTexts(), f.expand(boxes).replaceInStrings(QStringLiteral("{E}"), error));
    for (const auto& box : f.host.boxes()) {
        if (box.request.question == Question::OpenResult || box.request.buttons == MessageButtons::Ok)
            continue;
        QCOMPARE(box.request.caption, QStringLiteral("VELDRIN エラー"));
        QCOMPARE(int(box.request.buttons), int(MessageButtons::AbortRetryIgnore));
        QCOMPARE(int(box.request.icon), int(MessageIcon::Critical));
    }
    QCOMPARE(f.host.beeps(), int(boxes.size()));
    // A folder made read-only during the run keeps the unfinished index under its temporary name:
    // nothing can remove it there until the folder is writable again, and the next run does.
    if (!writableOnBox) {
        const QStringList left = QDir(f.root).entryList({".veldrin-*.tmp"}, QDir::Files | QDir::Hidden);
        QCOMPARE(left.size(), 1);
        QFile::remove(f.root + left.front());
    }
    comparePages(f, pages);
    QCOMPARE(lastInfo(f), QString());
    QCOMPARE(f.host.captions().last(), QStringLiteral("VELDRIN"));
}

void TestRunFlow::pathNotFound_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::newRow("list") << QStringList{"OUTHTMLTYPE=1", "USETABLE=1"};
    QTest::newRow("frames") << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1"};
    QTest::newRow("split") << QStringList{"OUTHTMLTYPE=2", "DIVFOLDER=1"};
}

void TestRunFlow::pathNotFound() {
    QFETCH(QStringList, settings);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set(settings);
    f.set({"OUTFILENAME=nosuch/list"});

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Aborted));
    QCOMPARE(f.host.boxes().size(), size_t(1));
    const MessageBoxRequest& box = f.host.boxes()[0].request;
    QCOMPARE(box.text, QStringLiteral("ファイル名又は､パス名が不正です｡"));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN エラー"));
    QCOMPARE(int(box.buttons), int(MessageButtons::Ok));
    QCOMPARE(int(box.icon), int(MessageIcon::Critical));
    QCOMPARE(f.host.beeps(), 1);
    QVERIFY(f.pages().isEmpty());
    QVERIFY(!f.host.infoTexts().join(u'|').contains(QStringLiteral("処理")));
    QCOMPARE(lastInfo(f), QString());
    QCOMPARE(f.host.captions().last(), QStringLiteral("VELDRIN"));
}

void TestRunFlow::arithmetic_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<int>("errorBoxes");
    QTest::addColumn<int>("beeps"); // every failure beeps, an overflow too, and so does the completion
    QTest::addColumn<RunResult::End>("end");
    QTest::addColumn<Pages>("pages");

    const auto link = [](const char* path) { return linkEntry(path, path, "1KB"); };
    QTest::newRow("TABLECOLS 0.3: ignore leaves out the rows")
        << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=0.3"}
        << answers({MessageAnswer::Ignore, MessageAnswer::Ignore, MessageAnswer::Ignore, MessageAnswer::No})
        << 3 << 4 << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kTable, relativeCell("p1.gif", false),
                                              relativeCell("p2.gif", false), relativeCell("p3.gif", false),
                                              "</TABLE>", kEnd}}};
    QTest::newRow("FILECOUNT 0.4: ignore never ends a part")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=0.4"}
        << answers({MessageAnswer::Ignore, MessageAnswer::Ignore, MessageAnswer::Ignore, MessageAnswer::No})
        << 3 << 4 << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif")
                                                                        << link("p3.gif") << kEnd}};
    QTest::newRow("FILECOUNT 0.4: abort writes nothing")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=0.4"} << answers({MessageAnswer::Abort})
        << 1 << 1 << RunResult::End::Aborted << Pages{};
    QTest::newRow("TABLECOLS beyond 32 bits: the row start is skipped silently")
        << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=3e9"} << answers({MessageAnswer::No}) << 0
        << 4 << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kTable, relativeCell("p1.gif", false),
                                              relativeCell("p2.gif", false), relativeCell("p3.gif", false),
                                              "</TABLE>", kEnd}}};
    QTest::newRow("FILECOUNT beyond 32 bits: the part end is skipped silently")
        << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=3e9"} << answers({MessageAnswer::No}) << 0
        << 4 << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif")
                                                                        << link("p3.gif") << kEnd}};
    QTest::newRow("FILECOUNT 0.4 unused without FILELIMIT")
        << QStringList{"OUTHTMLTYPE=2", "DIVFOLDER=1", "FILECOUNT=0.4"} << answers({MessageAnswer::No}) << 0
        << 1 << RunResult::End::Written
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html (  )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos"), kBody} << link("p1.gif") << link("p2.gif")
                                                                        << link("p3.gif") << kEnd}};
}

void TestRunFlow::arithmetic() {
    QFETCH(QStringList, settings);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(int, errorBoxes);
    QFETCH(int, beeps);
    QFETCH(RunResult::End, end);
    QFETCH(Pages, pages);
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set({"SUBFS=0", "PATHTYPE=1"});
    f.set(settings);
    script(f, answers);

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(end));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.pendingAnswers(), 0);
    int errors = 0;
    for (const auto& box : f.host.boxes()) {
        if (box.request.question == Question::OpenResult)
            continue;
        ++errors;
        QCOMPARE(box.request.text, kDivisionByZero);
        QCOMPARE(box.request.caption, QStringLiteral("VELDRIN エラー"));
        QCOMPARE(int(box.request.buttons), int(MessageButtons::AbortRetryIgnore));
        QCOMPARE(int(box.request.icon), int(MessageIcon::Critical));
    }
    QCOMPARE(errors, errorBoxes);
    QCOMPARE(f.host.beeps(), beeps);
    comparePages(f, pages);
}

void TestRunFlow::vanishedFile() {
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("five");
    f.set({"OUTHTMLTYPE=2", "PATHTYPE=1", "SUBFS=0"});
    f.host.onProcessEvents([&] {
        if (lastInfo(f).startsWith(QStringLiteral("処理中... 2/")))
            QFile::remove(f.root + "p2.gif");
    });
    script(f, {MessageAnswer::Ignore, MessageAnswer::No});

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.boxes().size(), size_t(2));
    const MessageBoxRequest& box = f.host.boxes()[0].request;
    QCOMPARE(box.text, QStringLiteral("ファイルが見つかりません。（") + f.root +
                           QStringLiteral("p2.gif: No such file or directory）"));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN エラー"));
    QCOMPARE(int(box.buttons), int(MessageButtons::AbortRetryIgnore));
    // Ignore leaves out the size line of that entry only.
    comparePages(f, {{"{R}list.html", QStringList{head("Photos"), kBody}
                                          << linkEntry("p1.gif", "p1.gif", "1KB")
                                          << QStringList{"<A HREF='p2.gif'>", "p2.gif", "</A>", "<BR>"}
                                          << linkEntry("p3.gif", "p3.gif", "1KB") << kEnd}});
}

void TestRunFlow::searchAbortKeepsWhatWasFound() {
    RunFixture f;
    QVERIFY(f.isValid());
    f.addFiles("three");
    f.set({"PATHTYPE=1"});
    setMode(f.base(), 0755);
    setMode(f.root, 0777);
    setMode(f.root + "sub", 0);
    script(f, {MessageAnswer::Abort, MessageAnswer::No});

    RunResult result;
    {
        DropRoot nobody;
        result = f.run();
    }
    setMode(f.root + "sub", 0755);

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.boxes().size(), size_t(2));
    QVERIFY(f.host.boxes()[0].request.text.startsWith(QStringLiteral("SearchFile:")));
    QCOMPARE(result.found, 2);
    QCOMPARE(result.processed, 2);
    QVERIFY(f.host.infoTexts().contains(QStringLiteral("処理完了 2/2")));
    comparePages(f, {{"{R}list.html", QStringList{head("Photos"), kBody, pictureEntry("a.gif", "a.gif 12KB "),
                                                  pictureEntry("b.gif", "b.gif 2KB "), kEnd}}});
}

QTEST_GUILESS_MAIN(TestRunFlow)
#include "tst_run_flow.moc"
