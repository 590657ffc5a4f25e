// Whole generation runs compared byte for byte (as Shift_JIS text with CR LF line ends) with the
// pages expected for each setting.

#include "run_fixture.h"

#include <QTest>

#include <ctime>

using namespace veldrin;
using namespace htmlgen_test;

namespace {

const QString kDefaultTitle = QStringLiteral("gif,jpg,jpeg,bmp,tga,png LIST");

QString frameRows() {
    return QStringLiteral("<FRAMESET ROWS=100,* FRAMEBORDER=1 FRAMESPACING=0>");
}

QString frameCols(const QString& width) {
    return QStringLiteral("<FRAMESET COLS=") + width + QStringLiteral(",* FRAMEBORDER=1 FRAMESPACING=0>");
}

} // namespace

class TestRunPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void pictures_data();
    void pictures() { check(); }
    void links_data();
    void links() { check(); }
    void thumbnails_data();
    void thumbnails() { check(); }
    void splits_data();
    void splits() { check(); }
    void frames_data();
    void frames() { check(); }
    void outputFolder_data();
    void outputFolder() { check(); }
    void oddNames_data();
    void oddNames() { check(); }

private:
    static void addColumns();
    static void check();
};

void TestRunPages::initTestCase() {
    qputenv("TZ", "Asia/Tokyo");
    ::tzset();
}

void TestRunPages::addColumns() {
    QTest::addColumn<QString>("folderName");   // the searched folder inside the temporary folder
    QTest::addColumn<QString>("fileSet");      // see RunFixture::addFiles
    QTest::addColumn<QStringList>("settings"); // KEY=VALUE over the fixture's settings
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QString>("completion");
}

void TestRunPages::check() {
    QFETCH(QString, folderName);
    QFETCH(QString, fileSet);
    QFETCH(QStringList, settings);
    QFETCH(Pages, pages);
    QFETCH(QString, completion);

    RunFixture f(folderName);
    QVERIFY(f.isValid());
    f.addFiles(fileSet);
    f.set(settings);
    f.host.setAssociation(QStringLiteral(".bmp"), QStringLiteral("paint"));
    f.host.answerNext(MessageAnswer::No); // the completion question

    const RunResult result = f.run();

    QCOMPARE(int(result.end), int(RunResult::End::Written));
    QVERIFY(!f.host.unexpectedBox());
    QCOMPARE(f.host.boxes().size(), size_t(1));
    QCOMPARE(int(f.host.boxes()[0].request.question), int(Question::OpenResult));
    QVERIFY2(f.host.infoTexts().contains(completion), qPrintable(f.host.infoTexts().join(u'|')));
    comparePages(f, pages);
}

void TestRunPages::pictures_data() {
    addColumns();
    const auto a = [](const QString& src) {
        return pictureEntry(src + QStringLiteral("a.gif"), QStringLiteral("a.gif 12KB "));
    };
    const auto b = [](const QString& src) {
        return pictureEntry(src + QStringLiteral("b.gif"), QStringLiteral("b.gif 2KB "));
    };
    const auto c = [](const QString& src) {
        return pictureEntry(src + QStringLiteral("sub/c.gif"), QStringLiteral("sub/c.gif 512バイト "));
    };
    const QString absolute = QStringLiteral("file:///{U}");

    QTest::newRow("absolute links with the script")
        << "pics"
        << "three" << QStringList{}
        << Pages{{"{R}list.html", QStringList{head("Photos")} << script() << kBody << a(absolute)
                                                              << b(absolute) << c(absolute) << kEnd}}
        << "処理完了 3/3";
    QTest::newRow("relative links, title from the extensions")
        << "pics"
        << "three" << QStringList{"PATHTYPE=1", "HTMLTITLE="}
        << Pages{{"{R}list.html", QStringList{head(kDefaultTitle), kBody, a(""), b(""), c(""), kEnd}}}
        << "処理完了 3/3";
    QTest::newRow("absolute links, title with the folder")
        << "pics"
        << "three" << QStringList{"HTMLTITLE=", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("{R} " + kDefaultTitle)}
                                      << script() << kBody << a(absolute) << b(absolute) << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("blank title counts as empty")
        << "pics"
        << "three" << QStringList{"HTMLTITLE=   ", "PATHTYPE=1", "OBJTYPE=gif"}
        << Pages{{"{R}list.html", QStringList{head("gif LIST"), kBody, a(""), b(""), c(""), kEnd}}}
        << "処理完了 3/3";
    QTest::newRow("title kept with its blanks")
        << "pics"
        << "three" << QStringList{"HTMLTITLE= My  Photos ", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head(" My  Photos "), kBody, a(""), b(""), kEnd}}}
        << "処理完了 2/2";
    QTest::newRow("frames on but pictures themselves: one list without script")
        << "pics"
        << "three" << QStringList{"USEFRAME=1"}
        << Pages{{"{R}list.html",
                  QStringList{head("Photos"), kBody, a(absolute), b(absolute), c(absolute), kEnd}}}
        << "処理完了 3/3";
    QTest::newRow("background colour")
        << "pics"
        << "three" << QStringList{"BGCOLOR1=255", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), "<BODY TEXT=BLACK BGCOLOR=#FF0000 LINK=BLUE>",
                                              a(""), b(""), kEnd}}}
        << "処理完了 2/2";
    QTest::newRow("output name with blanks")
        << "pics"
        << "three" << QStringList{"OUTFILENAME= my list ", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R} my list .html", QStringList{head("Photos"), kBody, a(""), b(""), kEnd}}}
        << "処理完了 2/2";
}

void TestRunPages::links_data() {
    addColumns();
    QTest::newRow("absolute links")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=2"}
        << Pages{{"{R}list.html", QStringList{head("Photos")}
                                      << script() << kBody << linkEntry(fileUrl("a.gif"), "a.gif", "12KB")
                                      << linkEntry(fileUrl("b.gif"), "b.gif", "2KB")
                                      << linkEntry(fileUrl("sub/c.gif"), "sub/c.gif", "1KB") << kEnd}}
        << "処理完了 3/3";
    QTest::newRow("relative links") << "pics"
                                    << "three" << QStringList{"OUTHTMLTYPE=2", "PATHTYPE=1"}
                                    << Pages{{"{R}list.html",
                                              QStringList{head("Photos"), kBody}
                                                  << linkEntry("a.gif", "a.gif", "12KB")
                                                  << linkEntry("b.gif", "b.gif", "2KB")
                                                  << linkEntry("sub/c.gif", "sub/c.gif", "1KB") << kEnd}}
                                    << "処理完了 3/3";
    QTest::newRow("titles of HTML files")
        << "pics"
        << "pages" << QStringList{"OUTHTMLTYPE=2", "PATHTYPE=1", "GETHTMLTITLE=1", "OBJTYPE=gif,html,htm"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, "<A HREF='a.html'>", "a.html", "</A>",
                                              " - [Caf&#233; &amp; &lt;b&gt;]", " - 1KB", "<BR>"}
                                      << linkEntry("b.htm", "b.htm", "1KB")
                                      << linkEntry("c.gif", "c.gif", "1KB") << kEnd}}
        << "処理完了 3/3";
    QTest::newRow("titles not asked for")
        << "pics"
        << "pages" << QStringList{"OUTHTMLTYPE=2", "PATHTYPE=1", "GETHTMLTITLE=0", "OBJTYPE=gif,html,htm"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody} << linkEntry("a.html", "a.html", "1KB")
                                                                     << linkEntry("b.htm", "b.htm", "1KB")
                                                                     << linkEntry("c.gif", "c.gif", "1KB")
                                                                     << kEnd}}
        << "処理完了 3/3";
}

void TestRunPages::thumbnails_data() {
    addColumns();
    const QString details = QStringLiteral("<FONT SIZE=-1 COLOR=#FF0000><BR>");
    QTest::newRow("table with details")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=1",
                                  "USETABLE=1",
                                  "TABLECOLS=2",
                                  "FILESTATUS_ATTR=1111111",
                                  "FILESTATUS_FONTCOLOR=255",
                                  "BGCOLOR2=65280"}
        << Pages{{"{R}list.html", QStringList{head("Photos")}
                                      << script() << kBody << kTable << "<TR>"
                                      << cell("00FF00") + pop2Link("a.gif") +
                                             img(fileUrl("a.gif"), "a.gif 12KB ", "WIDTH=100") + "</A>" +
                                             details + "a.gif<BR>12KB<BR>2003/01/09<BR>07:05:30<BR>"
                                      << "<!-- a.gifのコメント --></FONT></TD>"
                                      << cell("00FF00") + pop2Link("b.gif") +
                                             img(fileUrl("b.gif"), "b.gif 2KB ", "WIDTH=100") + "</A>" +
                                             details + "b.gif<BR>2KB<BR>2003/01/09<BR>07:05:30<BR>"
                                      << "<!-- b.gifのコメント --></FONT></TD>"
                                      << "<TR>"
                                      << cell("00FF00") + pop2Link("sub/c.gif") +
                                             img(fileUrl("sub/c.gif"), "sub/c.gif 512バイト ", "WIDTH=100") +
                                             "</A>" + details +
                                             "sub/<BR>c.gif<BR>512バイト<BR>2003/01/09<BR>07:05:30<BR>"
                                      << "<!-- c.gifのコメント --></FONT></TD>"
                                      << "</TABLE>" << kEnd}}
        << "処理完了 3/3";
    QTest::newRow("one column, fractional box")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=1", "SUMSIZE=100.5,80", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos")}
                                      << script() << kBody << kTable << "<TR>"
                                      << cell("FFFFFF", "100.5", "80") + pop2Link("a.gif") +
                                             img(fileUrl("a.gif"), "a.gif 12KB ", "WIDTH=100") + "</A></TD>"
                                      << "<TR>"
                                      << cell("FFFFFF", "100.5", "80") + pop2Link("b.gif") +
                                             img(fileUrl("b.gif"), "b.gif 2KB ", "WIDTH=100") + "</A></TD>"
                                      << "</TABLE>" << kEnd}}
        << "処理完了 2/2";
    for (const auto& [easy, size] : {std::pair{"0", "WIDTH=120 HEIGHT=90"}, std::pair{"1", "WIDTH=120"},
                                     std::pair{"2", "HEIGHT=90"}, std::pair{"", ""}}) {
        QTest::addRow("no table, easy size type '%s'", easy)
            << "pics"
            << "three"
            << QStringList{"OUTHTMLTYPE=1", QStringLiteral("EASYSIZE=") + easy, "SUMSIZE=120,90", "SUBFS=0"}
            << Pages{{"{R}list.html",
                      QStringList{head("Photos")}
                          << script() << kBody
                          << pop2Link("a.gif") + img(fileUrl("a.gif"), "a.gif 12KB ", size) + "</A>"
                          << pop2Link("b.gif") + img(fileUrl("b.gif"), "b.gif 2KB ", size) + "</A>" << kEnd}}
            << "処理完了 2/2";
    }
    const auto rc = [](const char* path) { return relativeCell(path, false); };
    QTest::newRow("TABLECOLS 2.5 counts as 2")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=2.5", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kTable, "<TR>", rc("p1.gif"),
                                              rc("p2.gif"), "<TR>", rc("p3.gif"), "</TABLE>", kEnd}}}
        << "処理完了 3/3";
    QTest::newRow("TABLECOLS 3.5 counts as 4")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=3.5", "PATHTYPE=1"}
        << Pages{{"{R}list.html",
                  QStringList{head("Photos"), kBody, kTable, "<TR>", rc("p1.gif"), rc("p2.gif"), rc("p3.gif"),
                              rc("sub/p4.gif"), "<TR>", rc("sub/p5.gif"), "</TABLE>", kEnd}}}
        << "処理完了 5/5";
    QTest::newRow("TABLECOLS 1.4 starts no row")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=1.4", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody, kTable, rc("p1.gif"), rc("p2.gif"),
                                              rc("p3.gif"), "</TABLE>", kEnd}}}
        << "処理完了 3/3";
    const QString size = QStringLiteral("<FONT SIZE=-1 COLOR=#000000><BR>");
    QTest::newRow("exact size in a table")
        << "pics"
        << "mixed" << QStringList{"OUTHTMLTYPE=1", "TRUERATIO=1", "USETABLE=1", "FILESTATUS_ATTR=0100000"}
        << Pages{{"{R}list.html",
                  QStringList{head("Photos")}
                      << script() << kBody << kTable << "<TR>"
                      << cell() + pop1Link("a.gif", "680", "520") +
                             img(fileUrl("a.gif"), "a.gif 640x480 12KB ", "WIDTH=100 HEIGHT=75") + "</A>" +
                             size + "640x480</FONT></TD>"
                      << cell() + pop2Link("broken.gif") +
                             img(fileUrl("broken.gif"), "broken.gif 0x0 7バイト ", "WIDTH=100 HEIGHT=100") +
                             "</A>" + size + "0x0</FONT></TD>"
                      << cell() + plainLink(fileUrl("d.bmp")) +
                             img(fileUrl("d.bmp"), "d.bmp 64x32 2KB ", "WIDTH=64 HEIGHT=32") + "</A>" + size +
                             "64x32</FONT></TD>"
                      << cell() + pop1Link("e.png", "190", "140") +
                             img(fileUrl("e.png"), "e.png 150x100 3KB ", "WIDTH=100 HEIGHT=67") + "</A>" +
                             size + "150x100</FONT></TD>"
                      << "</TABLE>" << kEnd}}
        << "処理完了 4/4";
    QTest::newRow("exact size off")
        << "pics"
        << "mixed" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "FILESTATUS_ATTR=0100000"}
        << Pages{{"{R}list.html", QStringList{head("Photos")}
                                      << script() << kBody << kTable << "<TR>"
                                      << cell() + pop2Link("a.gif") +
                                             img(fileUrl("a.gif"), "a.gif 12KB ", "WIDTH=100") + "</A></TD>"
                                      << cell() + pop2Link("broken.gif") +
                                             img(fileUrl("broken.gif"), "broken.gif 7バイト ", "WIDTH=100") +
                                             "</A></TD>"
                                      << cell() + pop2Link("d.bmp") +
                                             img(fileUrl("d.bmp"), "d.bmp 2KB ", "WIDTH=100") + "</A></TD>"
                                      << cell() + pop2Link("e.png") +
                                             img(fileUrl("e.png"), "e.png 3KB ", "WIDTH=100") + "</A></TD>"
                                      << "</TABLE>" << kEnd}}
        << "処理完了 4/4";
    QTest::newRow("exact size, relative links")
        << "pics"
        << "mixed" << QStringList{"OUTHTMLTYPE=1", "TRUERATIO=1", "PATHTYPE=1"}
        << Pages{{"{R}list.html",
                  QStringList{
                      head("Photos"), kBody,
                      "<A HREF='a.gif' TARGET='top'>" +
                          img("a.gif", "a.gif 640x480 12KB ", "WIDTH=100 HEIGHT=75") + "</A>",
                      "<A HREF='broken.gif' TARGET='top'>" +
                          img("broken.gif", "broken.gif 0x0 7バイト ", "WIDTH=100 HEIGHT=100") + "</A>",
                      "<A HREF='d.bmp'>" + img("d.bmp", "d.bmp 64x32 2KB ", "WIDTH=64 HEIGHT=32") + "</A>",
                      "<A HREF='e.png' TARGET='top'>" +
                          img("e.png", "e.png 150x100 3KB ", "WIDTH=100 HEIGHT=67") + "</A>",
                      kEnd}}}
        << "処理完了 4/4";
}

void TestRunPages::splits_data() {
    addColumns();
    const auto link = [](const QString& path) { return linkEntry(fileUrl(path), path, "1KB"); };
    const auto picture = [](const QString& path) {
        return pictureEntry(fileUrl(path), path + " 100バイト ");
    };

    QTest::newRow("by count: 2 of 5 files a part")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=2"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )")
                                      << indexEntry("list002.html", "list002.html ( p3.gif～ )")
                                      << indexEntry("list003.html", "list003.html ( sub/p5.gif～ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos")} << script() << kBody << link("p1.gif")
                                                                 << link("p2.gif") << kEnd},
                 {"{R}list002.html", QStringList{head("Photos")} << script() << kBody << link("p3.gif")
                                                                 << link("sub/p4.gif") << kEnd},
                 {"{R}list003.html",
                  QStringList{head("Photos")} << script() << kBody << link("sub/p5.gif") << kEnd}}
        << "処理完了 5/5";
    QTest::newRow("by count: FILECOUNT 0 becomes 100")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=0", "PATHTYPE=1"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )") << kEnd},
                 {"{R}list001.html",
                  QStringList{head("Photos"), kBody}
                      << linkEntry("p1.gif", "p1.gif", "1KB") << linkEntry("p2.gif", "p2.gif", "1KB")
                      << linkEntry("p3.gif", "p3.gif", "1KB") << linkEntry("sub/p4.gif", "sub/p4.gif", "1KB")
                      << linkEntry("sub/p5.gif", "sub/p5.gif", "1KB") << kEnd}}
        << "処理完了 5/5";
    QTest::newRow("by folder: thumbnails, rows counted per part")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "TABLECOLS=2", "DIVFOLDER=1", "PATHTYPE=1"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html (  )")
                                      << indexEntry("list002.html", "list002.html ( sub/ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos"), kBody, kTable, "<TR>",
                                                 relativeCell("p1.gif", false), relativeCell("p2.gif", false),
                                                 "<TR>", relativeCell("p3.gif", false), "</TABLE>", kEnd}},
                 {"{R}list002.html",
                  QStringList{head("Photos sub "), kBody, kTable, "<TR>", relativeCell("sub/p4.gif", false),
                              relativeCell("sub/p5.gif", false), "</TABLE>", kEnd}}}
        << "処理完了 5/5";
    QTest::newRow("by folder: nested folder in the title")
        << "pics"
        << "deep" << QStringList{"OUTHTMLTYPE=2", "DIVFOLDER=1", "PATHTYPE=1"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html (  )")
                                      << indexEntry("list002.html", "list002.html ( trip/day1/ )") << kEnd},
                 {"{R}list001.html",
                  QStringList{head("Photos"), kBody} << linkEntry("x.gif", "x.gif", "1KB") << kEnd},
                 {"{R}list002.html", QStringList{head("Photos trip day1 "), kBody}
                                         << linkEntry("trip/day1/y.gif", "trip/day1/y.gif", "1KB") << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("by count and folder")
        << "pics"
        << "five" << QStringList{"FILELIMIT=1", "FILECOUNT=2", "DIVFOLDER=1"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )")
                                      << indexEntry("list002.html", "list002.html ( p3.gif～ )")
                                      << indexEntry("list003.html", "list003.html ( sub/p4.gif～ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos")} << script() << kBody << picture("p1.gif")
                                                                 << picture("p2.gif") << kEnd},
                 {"{R}list002.html",
                  QStringList{head("Photos")} << script() << kBody << picture("p3.gif") << kEnd},
                 {"{R}list003.html", QStringList{head("Photos sub ")} << script() << kBody
                                                                      << picture("sub/p4.gif")
                                                                      << picture("sub/p5.gif") << kEnd}}
        << "処理完了 5/5";
}

void TestRunPages::frames_data() {
    addColumns();
    const QString rows = frameRows();
    QTest::newRow("side by side")
        << "pics"
        << "three"
        << QStringList{"OUTHTMLTYPE=1", "USEFRAME=1", "USETABLE=1", "FLAMESET_LISTSIZE=200", "SUBFS=0"}
        << Pages{{"{R}list.html",
                  QStringList{head("Photos"), frameCols("200") + frame("list", "list_list.html"),
                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}list_list.html",
                  QStringList{headWithTarget("Photos", "image"), kBody, kTable, "<TR>",
                              cell() + plainLink(fileUrl("a.gif")) +
                                  img(fileUrl("a.gif"), "a.gif 12KB ", "WIDTH=100") + "</A></TD>",
                              cell() + plainLink(fileUrl("b.gif")) +
                                  img(fileUrl("b.gif"), "b.gif 2KB ", "WIDTH=100") + "</A></TD>",
                              "</TABLE>", kEnd}}}
        << "処理完了 2/2";
    QTest::newRow("top and bottom")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), rows + frame("list", "list_list.html"),
                                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}list_list.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                           << linkEntry("a.gif", "a.gif", "12KB")
                                           << linkEntry("b.gif", "b.gif", "2KB") << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("split: index, link and image frames")
        << "pics"
        << "five"
        << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "FILELIMIT=1", "FILECOUNT=3", "OUTFILENAME=my list"}
        << Pages{{"{R}my list.html", QStringList{head("Photos"), rows + frame("list", "my%20list_list.html"),
                                                 frameCols("50%") + frame("link", "my%20list_blank.html") +
                                                     frame("image", "my%20list_blank.html") + "</FRAMESET>",
                                                 kFrameTail}},
                 {"{R}my list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}my list_list.html",
                  QStringList{headWithTarget("Photos", "link"), kBody}
                      << indexEntry("my list001.html", "my list001.html ( p1.gif～ )")
                      << indexEntry("my list002.html", "my list002.html ( sub/p4.gif～ )") << kEnd},
                 {"{R}my list001.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                            << linkEntry(fileUrl("p1.gif"), "p1.gif", "1KB")
                                            << linkEntry(fileUrl("p2.gif"), "p2.gif", "1KB")
                                            << linkEntry(fileUrl("p3.gif"), "p3.gif", "1KB") << kEnd},
                 {"{R}my list002.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                            << linkEntry(fileUrl("sub/p4.gif"), "sub/p4.gif", "1KB")
                                            << linkEntry(fileUrl("sub/p5.gif"), "sub/p5.gif", "1KB") << kEnd}}
        << "処理完了 5/5";
    QTest::newRow("split by folder with thumbnails")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=1", "USEFRAME=1", "DIVFOLDER=1", "USETABLE=1", "PATHTYPE=1"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), rows + frame("list", "list_list.html"),
                                              frameCols("50%") + frame("link", "list_blank.html") +
                                                  frame("image", "list_blank.html") + "</FRAMESET>",
                                              kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}list_list.html", QStringList{headWithTarget("Photos", "link"), kBody}
                                           << indexEntry("list001.html", "list001.html (  )")
                                           << indexEntry("list002.html", "list002.html ( sub/ )") << kEnd},
                 {"{R}list001.html", QStringList{headWithTarget("Photos", "image"), kBody, kTable, "<TR>",
                                                 relativeCell("p1.gif", true), relativeCell("p2.gif", true),
                                                 relativeCell("p3.gif", true), "</TABLE>", kEnd}},
                 {"{R}list002.html", QStringList{headWithTarget("Photos sub ", "image"), kBody, kTable,
                                                 "<TR>", relativeCell("sub/p4.gif", true),
                                                 relativeCell("sub/p5.gif", true), "</TABLE>", kEnd}}}
        << "処理完了 5/5";
    QTest::newRow("exact size in frames")
        << "pics"
        << "mixed" << QStringList{"OUTHTMLTYPE=1", "TRUERATIO=1", "USEFRAME=1"}
        << Pages{{"{R}list.html",
                  QStringList{head("Photos"), frameCols("50%") + frame("list", "list_list.html"),
                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}list_list.html",
                  QStringList{
                      headWithTarget("Photos", "image"), kBody,
                      plainLink(fileUrl("a.gif")) +
                          img(fileUrl("a.gif"), "a.gif 640x480 12KB ", "WIDTH=100 HEIGHT=75") + "</A>",
                      plainLink(fileUrl("broken.gif")) +
                          img(fileUrl("broken.gif"), "broken.gif 0x0 7バイト ", "WIDTH=100 HEIGHT=100") +
                          "</A>",
                      plainLink(fileUrl("d.bmp")) +
                          img(fileUrl("d.bmp"), "d.bmp 64x32 2KB ", "WIDTH=64 HEIGHT=32") + "</A>",
                      plainLink(fileUrl("e.png")) +
                          img(fileUrl("e.png"), "e.png 150x100 3KB ", "WIDTH=100 HEIGHT=67") + "</A>",
                      kEnd}}}
        << "処理完了 4/4";
    QTest::newRow("searched folder named like the list file")
        << "list.html"
        << "three" << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), rows + frame("list", "list_list.html"),
                                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}list_list.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                           << linkEntry("a.gif", "a.gif", "12KB")
                                           << linkEntry("b.gif", "b.gif", "2KB") << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("title holding </HEAD> gets the target twice")
        << "pics"
        << "three"
        << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "PATHTYPE=1", "SUBFS=0", "HTMLTITLE=a</HEAD>b"}
        << Pages{{"{R}list.html", QStringList{head("a</HEAD>b"), rows + frame("list", "list_list.html"),
                                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{R}list_blank.html", QStringList{head("a</HEAD>b"), kBody, kEnd}},
                 {"{R}list_list.html",
                  QStringList{headWithTarget("a<BASE TARGET='image'></HEAD>b", "image"), kBody}
                      << linkEntry("a.gif", "a.gif", "12KB") << linkEntry("b.gif", "b.gif", "2KB") << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("odd output name in the frame sources")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "PATHTYPE=1", "SUBFS=0", "OUTFILENAME=a&b'c"}
        << Pages{{"{R}a&b'c.html", QStringList{head("Photos"), rows + frame("list", "a&amp;b%27c_list.html"),
                                               frame("image", "a&amp;b%27c_blank.html"), kFrameTail}},
                 {"{R}a&b'c_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{R}a&b'c_list.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                            << linkEntry("a.gif", "a.gif", "12KB")
                                            << linkEntry("b.gif", "b.gif", "2KB") << kEnd}}
        << "処理完了 2/2";
}

void TestRunPages::outputFolder_data() {
    addColumns();
    QTest::newRow("program folder: links absolute although relative is chosen")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=1", "PATHTYPE=1", "OUTFOLDER=1", "SUBFS=0", "HTMLTITLE="}
        << Pages{{"{P}list.html",
                  QStringList{head("{R} " + kDefaultTitle)}
                      << script() << kBody
                      << pop2Link("a.gif") + img(fileUrl("a.gif"), "a.gif 12KB ", "WIDTH=100") + "</A>"
                      << pop2Link("b.gif") + img(fileUrl("b.gif"), "b.gif 2KB ", "WIDTH=100") + "</A>"
                      << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("program folder: frames")
        << "pics"
        << "three" << QStringList{"OUTHTMLTYPE=2", "USEFRAME=1", "OUTFOLDER=1", "PATHTYPE=1", "SUBFS=0"}
        << Pages{{"{P}list.html", QStringList{head("Photos"), frameRows() + frame("list", "list_list.html"),
                                              frame("image", "list_blank.html"), kFrameTail}},
                 {"{P}list_blank.html", QStringList{head("Photos"), kBody, kEnd}},
                 {"{P}list_list.html", QStringList{headWithTarget("Photos", "image"), kBody}
                                           << linkEntry(fileUrl("a.gif"), "a.gif", "12KB")
                                           << linkEntry(fileUrl("b.gif"), "b.gif", "2KB") << kEnd}}
        << "処理完了 2/2";
    QTest::newRow("program folder: parts beside the index")
        << "pics"
        << "five" << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=3", "OUTFOLDER=1", "PATHTYPE=1"}
        << Pages{{"{P}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( p1.gif～ )")
                                      << indexEntry("list002.html", "list002.html ( sub/p4.gif～ )") << kEnd},
                 {"{P}list001.html", QStringList{head("Photos")}
                                         << script() << kBody << linkEntry(fileUrl("p1.gif"), "p1.gif", "1KB")
                                         << linkEntry(fileUrl("p2.gif"), "p2.gif", "1KB")
                                         << linkEntry(fileUrl("p3.gif"), "p3.gif", "1KB") << kEnd},
                 {"{P}list002.html", QStringList{head("Photos")}
                                         << script() << kBody
                                         << linkEntry(fileUrl("sub/p4.gif"), "sub/p4.gif", "1KB")
                                         << linkEntry(fileUrl("sub/p5.gif"), "sub/p5.gif", "1KB") << kEnd}}
        << "処理完了 5/5";
}

void TestRunPages::oddNames_data() {
    addColumns();
    const QString font = QStringLiteral("<FONT SIZE=-1 COLOR=#000000><BR>");
    const auto oddCell = [&](const QString& url, const QString& alt, const QString& status) {
        return cell() + pop2Link(url) + img(fileUrl(url), alt + " 100バイト ", "WIDTH=100") + "</A>" + font +
               status + "</FONT></TD>";
    };
    QTest::newRow("thumbnails by folder")
        << "pics"
        << "odd" << QStringList{"OUTHTMLTYPE=1", "USETABLE=1", "DIVFOLDER=1", "FILESTATUS_ATTR=1000010"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html (  )")
                                      << indexEntry("list002.html", "list002.html ( &#233; d/ )") << kEnd},
                 {"{R}list001.html", QStringList{head("Photos")}
                                         << script() << kBody << kTable << "<TR>"
                                         << oddCell("a&amp;b.gif", "a&amp;b.gif", "a&amp;b.gif")
                                         << oddCell("blue sky.gif", "blue sky.gif", "blue sky.gif")
                                         << oddCell("it%27s.gif", "it&#39;s.gif", "it's.gif") << "</TABLE>"
                                         << kEnd},
                 {"{R}list002.html",
                  QStringList{head("Photos &#233; d ")}
                      << script() << kBody << kTable << "<TR>"
                      << oddCell("%C3%A9 d/100%25%23.gif", "&#233; d/100%#.gif", "&#233; d/<BR>100%#.gif")
                      << oddCell("%C3%A9 d/夕焼け.gif", "&#233; d/夕焼け.gif", "&#233; d/<BR>夕焼け.gif")
                      << oddCell("%C3%A9 d/%F0%9F%98%80.gif", "&#233; d/&#128512;.gif",
                                 "&#233; d/<BR>&#128512;.gif")
                      << "</TABLE>" << kEnd}}
        << "処理完了 6/6";
    QTest::newRow("links by count")
        << "pics"
        << "odd" << QStringList{"OUTHTMLTYPE=2", "FILELIMIT=1", "FILECOUNT=3"}
        << Pages{{"{R}list.html", QStringList{head("Photos"), kBody}
                                      << indexEntry("list001.html", "list001.html ( a&amp;b.gif～ )")
                                      << indexEntry("list002.html", "list002.html ( &#233; d/100%#.gif～ )")
                                      << kEnd},
                 {"{R}list001.html", QStringList{head("Photos")}
                                         << script() << kBody
                                         << linkEntry(fileUrl("a&amp;b.gif"), "a&amp;b.gif", "1KB")
                                         << linkEntry(fileUrl("blue sky.gif"), "blue sky.gif", "1KB")
                                         << linkEntry(fileUrl("it%27s.gif"), "it's.gif", "1KB") << kEnd},
                 {"{R}list002.html",
                  QStringList{head("Photos")}
                      << script() << kBody
                      << linkEntry(fileUrl("%C3%A9 d/100%25%23.gif"), "&#233; d/100%#.gif", "1KB")
                      << linkEntry(fileUrl("%C3%A9 d/夕焼け.gif"), "&#233; d/夕焼け.gif", "1KB")
                      << linkEntry(fileUrl("%C3%A9 d/%F0%9F%98%80.gif"), "&#233; d/&#128512;.gif", "1KB")
                      << kEnd}}
        << "処理完了 6/6";
    QTest::newRow("searched folder with an apostrophe and an ampersand")
        << "it's & pics"
        << "three" << QStringList{"HTMLTITLE=", "SUBFS=0"}
        << Pages{{"{R}list.html", QStringList{head("{B}it's &amp; pics/ " + kDefaultTitle)}
                                      << script("{b}it%27s & pics/") << kBody
                                      << pictureEntry("file:///{b}it%27s &amp; pics/a.gif", "a.gif 12KB ")
                                      << pictureEntry("file:///{b}it%27s &amp; pics/b.gif", "b.gif 2KB ")
                                      << kEnd}}
        << "処理完了 2/2";
}

QTEST_GUILESS_MAIN(TestRunPages)
#include "tst_run_pages.moc"
