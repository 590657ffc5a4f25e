// The main window on its own: what loading shows, the enabling rules, the notices, the drops, and
// what closing stores.

#include "cli_runner.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

QByteArray ini(const QByteArray& lines) {
    return "[VELDRIN]\r\n" + lines;
}

// "name=1,name=0": the controls' enabled states as the user sees them, frames included.
QString enabledStates(const WindowFixture& f, const QStringList& names) {
    QStringList states;
    for (const QString& name : names)
        states << name + (f.control(name.toLatin1().constData())->isEnabled() ? "=1" : "=0");
    return states.join(u',');
}

QStringList names(const QString& expected) {
    QStringList out;
    for (const QString& pair : expected.split(u','))
        out << pair.section(u'=', 0, 0);
    return out;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void loadAppliesTheRules_data();
    void loadAppliesTheRules();
    void thumbnailNotices_data();
    void thumbnailNotices();
    void pageTitlesFollowTheExtensions();
    void columnWidth_data();
    void columnWidth();
    void dropsNameAFolder_data();
    void dropsNameAFolder();
    void labelsMoveTheFocus_data();
    void labelsMoveTheFocus();
    void closeStoresWhatTheCliSaves_data();
    void closeStoresWhatTheCliSaves();
    void commandLineLeavesTheFileAlone();
    void failedSaveAsksBeforeClosing();
};

void TestMainWindow::loadAppliesTheRules_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("defaults: pictures")
        << QByteArray()
        << "Text_SumSizeW=0,Check_TrueRatio=0,Check_UseTable=0,Frame_EasyCorrectSize=0,Check_UseFrame=0,"
           "Frame_UseFrame=0,Text_ColWidth=0,Check_SmallPictureMagnify=0,Frame_VeiwItem=0,Text_FileCount=0,"
           "Frame_SmallPicture=0,Check_CreateSmallPicture=1,Check_OutputFilePath=1,Check_GetHTMLTitle=0,"
           "Combo_Size=0,Combo_SortItem=0,Check_JPEGPRGRS=0,Check_OutputFolder=1";
    QTest::newRow("thumbnails in a table")
        << QByteArray("OUTHTMLTYPE=1\r\nTRUERATIO=1\r\nUSETABLE=1\r\n")
        << "Text_SumSizeW=1,Check_TrueRatio=1,Check_UseTable=1,Frame_EasyCorrectSize=1,Check_UseFrame=1,"
           "Frame_UseFrame=0,Check_SmallPictureMagnify=1,Frame_VeiwItem=1";
    QTest::newRow("thumbnails, ratio off, no table")
        << QByteArray("OUTHTMLTYPE=1\r\n") << "Check_SmallPictureMagnify=0,Frame_VeiwItem=0";
    QTest::newRow("text links in frames")
        << QByteArray("OUTHTMLTYPE=2\r\nUSEFRAME=1\r\nUSETABLE=1\r\n")
        << "Text_SumSizeW=0,Check_UseTable=0,Check_UseFrame=1,Frame_UseFrame=1,Option_UseFrameLR=1,"
           "Command_ColWidthCalc=1,Text_ColWidth=1,Frame_VeiwItem=0";
    QTest::newRow("limit, program folder, thumbnails, pages")
        << QByteArray("FILELIMIT=1\r\nOUTFOLDER=1\r\nCREATESPIC=1\r\nOBJTYPE=jpg,HTML\r\n")
        << "Text_FileCount=1,Check_OutputFilePath=0,Frame_SmallPicture=1,Check_GetHTMLTitle=1";
}

void TestMainWindow::loadAppliesTheRules() {
    QFETCH(QByteArray, lines);
    QFETCH(QString, expected);
    WindowFixture f;
    f.open(ini(lines));
    QCOMPARE(enabledStates(f, names(expected)), expected);
    QVERIFY(f.boxes.boxes().empty()); // loading shows no notice
}

void TestMainWindow::thumbnailNotices_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<bool>("warnsAboutType");
    QTest::newRow("pictures") << QByteArray("SPICNAME=sm_\r\n") << true;
    QTest::newRow("thumbnails") << QByteArray("OUTHTMLTYPE=1\r\nSPICNAME=sm_\r\n") << false;
}

void TestMainWindow::thumbnailNotices() {
    QFETCH(QByteArray, lines);
    QFETCH(bool, warnsAboutType);
    WindowFixture f;
    f.open(ini(lines));
    auto* create = f.control<QAbstractButton>("Check_CreateSmallPicture");
    auto* ratio = f.control<QAbstractButton>("Check_TrueRatio");
    create->click();
    QCOMPARE(f.boxes.boxes().size(), size_t(1));
    const MessageBoxRequest& notice = f.boxes.boxes()[0].request;
    QCOMPARE(notice.caption, AppTitle() + QStringLiteral("　サムネイル画像作成"));
    QVERIFY(notice.text.contains(QStringLiteral("現在指定されている作成画像名付加文字列は' sm_ ' です。")));
    QCOMPARE(notice.text.contains(QStringLiteral("「サムネイル＆リンク」にしないと")), warnsAboutType);
    QVERIFY(ratio->isChecked());
    QVERIFY(f.control("Frame_SmallPicture")->isEnabled());

    // Exact sizes cannot be switched off while thumbnails are made (set in code, as loading does).
    ratio->setChecked(false);
    QCOMPARE(f.boxes.boxes().size(), size_t(2));
    QCOMPARE(f.boxes.boxes()[1].request.text,
             QStringLiteral("サムネイル用画像ファイル作成時はこのオプションは無視されます。"));
    QVERIFY(ratio->isChecked());
    create->click();
    ratio->setChecked(false);
    QVERIFY(!ratio->isChecked());
    QCOMPARE(f.boxes.boxes().size(), size_t(2));
}

void TestMainWindow::pageTitlesFollowTheExtensions() {
    WindowFixture f;
    f.open(ini(""));
    auto* extensions = f.control<QLineEdit>("Text_ObjectType");
    QWidget* titles = f.control("Check_GetHTMLTitle");
    extensions->setText(QStringLiteral("jpg,Htm"));
    QVERIFY(titles->isEnabled());
    extensions->setText(QStringLiteral("jpg,png"));
    QVERIFY(!titles->isEnabled());
}

void TestMainWindow::columnWidth_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("thumbnails 100 wide, 8 columns") << QByteArray("OUTHTMLTYPE=1\r\nUSEFRAME=1\r\n") << "100"
                                                    << "895";
    QTest::newRow("text links") << QByteArray("OUTHTMLTYPE=2\r\nUSEFRAME=1\r\n") << "100"
                                << "50%";
    QTest::newRow("too large to read")
        << QByteArray("OUTHTMLTYPE=1\r\nUSEFRAME=1\r\nFLAMESET_LISTSIZE=123\r\n") << "1e999"
        << "123";
}

void TestMainWindow::columnWidth() {
    QFETCH(QByteArray, lines);
    QFETCH(QString, width);
    QFETCH(QString, expected);
    WindowFixture f;
    f.open(ini(lines));
    f.control<QLineEdit>("Text_SumSizeW")->setText(width);
    f.control<QAbstractButton>("Command_ColWidthCalc")->click();
    QCOMPARE(f.control<QLineEdit>("Text_ColWidth")->text(), expected);
}

void TestMainWindow::dropsNameAFolder_data() {
    QTest::addColumn<QUrl>("dropped");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expected"); // "" when the folder box keeps its text
    const QString samples = QStringLiteral(VELDRIN_SAMPLES_DIR "/");
    const QString trip = samples + QStringLiteral("旅行/");
    QTest::newRow("folder on the window") << QUrl::fromLocalFile(samples + "旅行") << "frmMain" << trip;
    QTest::newRow("folder on the box") << QUrl::fromLocalFile(samples + "旅行") << "Text_Folder" << trip;
    QTest::newRow("file stands for its folder")
        << QUrl::fromLocalFile(trip + "海.jpg") << "Text_Folder" << trip;
    QTest::newRow("web address ignored") << QUrl("https://example.com/a/") << "frmMain"
                                         << "";
}

void TestMainWindow::dropsNameAFolder() {
    QFETCH(QUrl, dropped);
    QFETCH(QString, target);
    QFETCH(QString, expected);
    WindowFixture f;
    f.open(ini(""));
    auto* folder = f.control<QLineEdit>("Text_Folder");
    const QString before = folder->text();
    dropOn(target == u"frmMain" ? static_cast<QWidget*>(f.window.get()) : folder, dropped);
    QCOMPARE(folder->text(), expected.isEmpty() ? before : expected);
}

void TestMainWindow::labelsMoveTheFocus_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("box");
    QTest::newRow("folder") << "Label2"
                            << "Text_Folder";
    QTest::newRow("extensions") << "Label4"
                                << "Text_ObjectType";
    QTest::newRow("file name") << "Label5"
                               << "Text_OutpuFileName";
}

void TestMainWindow::labelsMoveTheFocus() {
    QFETCH(QString, label);
    QFETCH(QString, box);
    WindowFixture f;
    f.open(ini(""));
    f.window->show();
    f.control<QAbstractButton>("Command_Run")->setFocus();
    QTest::mouseClick(f.control(label.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(f.window->focusWidget(), f.control(box.toLatin1().constData()));
}

void TestMainWindow::closeStoresWhatTheCliSaves_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("defaults") << QByteArray();
    QTest::newRow("every key set") << QByteArray(
        "SUBFS=1\r\nOUTHTMLTYPE=1\r\nSUMSIZE=120,90\r\nTRUERATIO=1\r\nUSETABLE=1\r\nTABLECOLS=5\r\n"
        "OBJTYPE=jpg,png\r\nOUTFOLDER=1\r\nOUTFILENAME=index\r\nFILESIZE=1\r\nFILELIMIT=1\r\n"
        "FILECOUNT=20\r\nDIVFOLDER=1\r\nPATHTYPE=1\r\nUSEFRAME=1\r\nFRAMETYPE=1\r\n"
        "SPICMAGNIF=1\r\nBGCOLOR1=3412\r\nBGCOLOR2=255\r\nCREATESPIC=1\r\nSPICNAME=th_\r\n"
        "EASYSIZE=2\r\nGETHTMLTITLE=1\r\nHTMLTITLE=旅の写真\r\nSPICNAME_DIST=1\r\n"
        "JPEGCOMP=90\r\nJPEGPRGRS=1\r\nSTRETCHBLT_INIT=2\r\nSORTITEM=3\r\nSORTORDER=1\r\n"
        "FLAMESET_LISTSIZE=30%\r\nFILESTATUS_FONTCOLOR=128\r\nFILESTATUS_ATTR=1010101\r\n");
    QTest::newRow("values no control can hold")
        << QByteArray("SUBFS=yes\r\nOUTHTMLTYPE=7\r\nSUMSIZE=wide\r\nTABLECOLS=-3\r\nFILESIZE=9\r\n"
                      "BGCOLOR1=blue\r\nEASYSIZE=5\r\nSORTITEM=-1\r\nSTRETCHBLT_INIT=0\r\n"
                      "FILESTATUS_ATTR=1,1\r\nJPEGCOMP=1e999\r\n");
}

void TestMainWindow::closeStoresWhatTheCliSaves() {
    QFETCH(QByteArray, lines);
    QTemporaryDir root;
    const QString folder = root.path() + QStringLiteral("/empty");
    QVERIFY(QDir().mkpath(folder));
    const QByteArray text =
        e2e::toSjis(QString::fromUtf8(ini("FOLDER=" + folder.toUtf8() + "/\r\n" + lines)));

    WindowFixture f;
    f.open(text);
    QVERIFY(f.close());
    const QByteArray stored = e2e::readFile(f.iniPath());

    // veldrin-cli converts what it loads as the window does; its --save must store the same bytes.
    const QString cliIni = root.path() + QStringLiteral("/cli.ini");
    QVERIFY(e2e::writeFile(cliIni, text));
    const e2e::CliResult cli = e2e::runCli({QStringLiteral("--ini"), cliIni, QStringLiteral("--save")});
    QVERIFY2(!cli.crashed, cli.describe().constData());
    QCOMPARE(e2e::fromSjis(stored), e2e::fromSjis(e2e::readFile(cliIni)));
    QCOMPARE(stored, e2e::readFile(cliIni));

    // What the window wrote is in its own form: loading and closing again changes no byte.
    WindowFixture again;
    again.open(stored);
    QVERIFY(again.close());
    QCOMPARE(e2e::readFile(again.iniPath()), stored);
}

void TestMainWindow::commandLineLeavesTheFileAlone() {
    const QByteArray text = ini("OUTFOLDER=1\r\nTABLECOLS=4\r\n");
    WindowFixture f;
    f.open(text, QStringLiteral("/some/where else"));
    QVERIFY(f.window->startupState().commandLineMessage.contains(QStringLiteral("/some/where else")));
    QVERIFY(!f.control("Check_OutputFolder")->isEnabled());
    QVERIFY(!f.control<QAbstractButton>("Check_OutputFolder")->isChecked());
    f.control<QLineEdit>("Text_Col")->setText(QStringLiteral("6"));
    QVERIFY(f.close());
    QCOMPARE(e2e::readFile(f.iniPath()), text);
}

void TestMainWindow::failedSaveAsksBeforeClosing() {
    WindowFixture f;
    QVERIFY(QDir().mkpath(f.iniPath())); // a folder where the file should be: nothing can write it
    f.open(QByteArray());
    f.boxes.answerNext(MessageAnswer::No);
    QVERIFY(!f.close());
    f.boxes.answerNext(MessageAnswer::Yes);
    QVERIFY(f.close());
    QCOMPARE(f.boxes.boxes().size(), size_t(2));
    QVERIFY(f.boxes.boxes()[0].request.text.contains(f.iniPath()));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
