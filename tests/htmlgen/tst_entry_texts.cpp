#include "htmlgen/entry_texts.h"
#include "htmlgen/html_escape.h"
#include "htmlgen_fixture.h"
#include "startup/settings.h"
#include "startup/settings_access.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <ctime>

using namespace veldrin;
using namespace htmlgen_test;

class TestEntryTexts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void byteSize_data();
    void byteSize();
    void kbSize_data();
    void kbSize();
    void replaceAll_data();
    void replaceAll();
    void colourCode_data();
    void colourCode();

    void htmlTitle_data();
    void htmlTitle();

    void statusBlock_data();
    void statusBlock();
    void altText_data();
    void altText();

    void escaping_data();
    void escaping();

private:
    QTemporaryDir m_dir;
};

void TestEntryTexts::initTestCase() {
    // Dates and times are local; the expected texts are those of Tokyo.
    qputenv("TZ", "Asia/Tokyo");
    ::tzset();
    QVERIFY(m_dir.isValid());
}

// ---------------------------------------------------------------------------------------------
// Size texts, replace-all and colour codes

void TestEntryTexts::byteSize_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty file") << qint64(0) << QStringLiteral("0バイト");
    QTest::newRow("512 bytes") << qint64(512) << QStringLiteral("512バイト");
    QTest::newRow("1023 bytes with separator") << qint64(1023) << QStringLiteral("1,023バイト");
    QTest::newRow("exactly 1024") << qint64(1024) << QStringLiteral("1KB");
    QTest::newRow("1025 rounds up") << qint64(1025) << QStringLiteral("2KB");
    QTest::newRow("12 KB exactly") << qint64(12288) << QStringLiteral("12KB");
    QTest::newRow("one and a half million") << qint64(1500000) << QStringLiteral("1,465KB");
    QTest::newRow("one GiB") << qint64(1073741824) << QStringLiteral("1,048,576KB");
    QTest::newRow("one GiB and a byte") << qint64(1073741825) << QStringLiteral("1,048,577KB");
}

void TestEntryTexts::byteSize() {
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);
    QCOMPARE(byteSizeText(bytes), expected);
}

void TestEntryTexts::kbSize_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty file") << qint64(0) << QStringLiteral("0KB");
    QTest::newRow("100 bytes") << qint64(100) << QStringLiteral("1KB");
    QTest::newRow("1023 bytes") << qint64(1023) << QStringLiteral("1KB");
    QTest::newRow("exactly 1024") << qint64(1024) << QStringLiteral("1KB");
    QTest::newRow("1025 bytes") << qint64(1025) << QStringLiteral("2KB");
    QTest::newRow("one and a half million") << qint64(1500000) << QStringLiteral("1,465KB");
}

void TestEntryTexts::kbSize() {
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);
    QCOMPARE(kbSizeText(bytes), expected);
}

void TestEntryTexts::replaceAll_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder separators to blanks") << "a/b/c/"
                                                 << "/"
                                                 << " "
                                                 << "a b c ";
    QTest::newRow("replacement not scanned again") << "xx"
                                                   << "x"
                                                   << "xx"
                                                   << "xxxx";
    QTest::newRow("leftmost non-overlapping") << "aaa"
                                              << "aa"
                                              << "b"
                                              << "ba";
    QTest::newRow("case-sensitive") << "ABC"
                                    << "b"
                                    << "x"
                                    << "ABC";
    QTest::newRow("empty source") << ""
                                  << "a"
                                  << "b"
                                  << "";
    QTest::newRow("to nothing") << "a-b-c"
                                << "-"
                                << ""
                                << "abc";
    QTest::newRow("every occurrence in a path") << "/p/list.html/list.html"
                                                << "list.html"
                                                << "list_list.html"
                                                << "/p/list_list.html/list_list.html";
    QTest::newRow("base target into the head") << "<HEAD><TITLE>t</TITLE></HEAD>"
                                               << "</HEAD>"
                                               << "<BASE TARGET='image'></HEAD>"
                                               << "<HEAD><TITLE>t</TITLE><BASE TARGET='image'></HEAD>";
    QTest::newRow("Japanese") << "旅行/夕焼け/"
                              << "/"
                              << " "
                              << "旅行 夕焼け ";
}

void TestEntryTexts::replaceAll() {
    QFETCH(QString, source);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    QCOMPARE(strchange(source, find, replacement), expected);
}

void TestEntryTexts::colourCode_data() {
    QTest::addColumn<double>("colour");
    QTest::addColumn<QString>("expected");
    QTest::newRow("black") << 0.0 << "000000";
    QTest::newRow("pure red") << 255.0 << "FF0000";
    QTest::newRow("pure green") << 65280.0 << "00FF00";
    QTest::newRow("pure blue") << 255.0 * 65536 << "0000FF";
    QTest::newRow("white") << 16777215.0 << "FFFFFF";
    QTest::newRow("0x123456: red 56, green 34, blue 12") << double(0x123456) << "563412";
    QTest::newRow("one digit gets a leading zero") << 1.0 + 2 * 256 + 3 * 65536 << "010203";
}

void TestEntryTexts::colourCode() {
    QFETCH(double, colour);
    QFETCH(QString, expected);
    QCOMPARE(ColorToHex(colour), expected);
}

// ---------------------------------------------------------------------------------------------
// Titles of HTML files

void TestEntryTexts::htmlTitle_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // a null array: the file is not created
    QTest::addColumn<QString>("expected");

    const QByteArray page = "<html><head><title>My Page</title></head><body></body></html>\r\n";
    QTest::newRow("lower-case tags") << "page.html" << page << "My Page";
    QTest::newRow("capital HTM extension") << "PAGE.HTM" << page << "My Page";
    QTest::newRow(".htm inside a folder name") << "site.htm.d/readme.txt" << page << "My Page";
    QTest::newRow("other extension is not read") << "page.txt" << page << "";
    QTest::newRow("missing file") << "missing.html" << QByteArray() << "";
    QTest::newRow("mixed-case tags, title keeps its case")
        << "mixed.html" << QByteArray("<HTML><TiTlE>MiXeD Case</tItLe></HTML>") << "MiXeD Case";
    QTest::newRow("title over lines joined without blank")
        << "lines.html" << QByteArray("<html><title>Holiday\r\nPhotos\r\n</title>\r\n") << "HolidayPhotos";
    QTest::newRow("empty lines do not matter")
        << "empty.html" << QByteArray("<html>\r\n\r\n<title>\r\n\r\nA\r\n\r\nB\r\n\r\n</title>\r\n") << "AB";
    QTest::newRow("line feeds alone end lines") << "lf.html" << QByteArray("<title>a\nb\n</title>\n") << "ab";
    QTest::newRow("tag broken over two lines")
        << "broken.html" << QByteArray("<ti\r\ntle>X</ti\r\ntle>\r\n") << "X";
    QTest::newRow("101 characters cut to 100 and ...")
        << "long.html" << QByteArray("<title>" + QByteArray(100, 'a') + "b</title>")
        << QString(100, u'a') + QStringLiteral("...");
    QTest::newRow("exactly 100 characters unchanged")
        << "hundred.html" << QByteArray("<title>" + QByteArray(99, 'a') + "b</title>")
        << QString(99, u'a') + QStringLiteral("b");
    QTest::newRow("empty title") << "none.html" << QByteArray("<title></title><body>") << "";
    QTest::newRow("body before closing title")
        << "body1.html" << QByteArray("<html><title>abc\r\n<BODY bgcolor=white>\r\n</title>\r\n") << "";
    QTest::newRow("body line before any title")
        << "body2.html" << QByteArray("<html><Body>\r\n<title>x</title>\r\n") << "";
    QTest::newRow("closing title found before body is looked at")
        << "body3.html" << QByteArray("<html><body><title>x</title>\r\n") << "x";
    QTest::newRow("second title tag is part of the title")
        << "twice.html" << QByteArray("<title>a<title>b</title>") << "a<title>b";

    QByteArray filler;
    for (int i = 0; i < 10; ++i)
        filler += QByteArray(1024, 'x') + "\r\n";
    QTest::newRow("title right after 10240 characters")
        << "late1.html" << QByteArray(filler + "<title>Late</title>\r\n") << "Late";
    QTest::newRow("no title in the first 10240 characters")
        << "late2.html" << QByteArray(filler + "y\r\n<title>Late</title>\r\n") << "";
    QTest::newRow("a line is cut to 10240 characters")
        << "cut.html" << QByteArray(QByteArray(10240, 'x') + "<title>Cut</title>\r\n") << "";
    QTest::newRow("a very long first line is cut, the next line still read")
        << "huge.html" << QByteArray(QByteArray(2000000, 'x') + "\r\n<title>After</title>\r\n") << "After";

    QTest::newRow("UTF-8 file") << "utf8.html" << QByteArray("<html><title>夕焼けの写真</title></html>")
                                << "夕焼けの写真";
    QTest::newRow("UTF-8 letter whose lower case is longer")
        << "istanbul.html" << QByteArray("<TITLE>İstanbul</TITLE>") << "İstanbul";
    // 夕焼けの写真 in Shift_JIS: 97 5B 8F C4 82 AF 82 CC 8E CA 90 5E
    QTest::newRow("Shift_JIS file") << "sjis.html"
                                    << QByteArray("<html><title>" +
                                                  QByteArray::fromHex("975B8FC482AF82CC8ECA905E") +
                                                  "</title></html>")
                                    << "夕焼けの写真";
}

void TestEntryTexts::htmlTitle() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString path = m_dir.path() + QStringLiteral("/title/") + fileName;
    if (!content.isNull())
        writeFile(path, content);
    QCOMPARE(GetHtmlTitle(path), expected);
}

// ---------------------------------------------------------------------------------------------
// Status block and ALT text

void TestEntryTexts::statusBlock_data() {
    QTest::addColumn<QString>("attr");
    QTest::addColumn<QString>("fontColour");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<qint64>("mtime");
    QTest::addColumn<QString>("expected");

    const QString font = QStringLiteral("<FONT SIZE=-1 COLOR=#000000>");
    QTest::newRow("every piece off") << "0000000"
                                     << "0"
                                     << "photos/"
                                     << "cat.jpg"
                                     << "640x480" << 12288 << kFixedTime << "";
    QTest::newRow("empty setting") << ""
                                   << "0"
                                   << "photos/"
                                   << "cat.jpg"
                                   << "640x480" << 12288 << kFixedTime << "";
    QTest::newRow("only the folder, and no folder") << "0000010"
                                                    << "0"
                                                    << ""
                                                    << "cat.jpg"
                                                    << "640x480" << 12288 << kFixedTime << "";
    QTest::newRow("only the folder") << "0000010"
                                     << "0"
                                     << "photos/"
                                     << "cat.jpg"
                                     << "" << 12288 << kFixedTime << font + "<BR>photos/</FONT>";
    QTest::newRow("only the picture size, and none") << "0100000"
                                                     << "0"
                                                     << ""
                                                     << "cat.jpg"
                                                     << "" << 12288 << kFixedTime << "";
    QTest::newRow("only the picture size") << "0100000"
                                           << "0"
                                           << ""
                                           << "cat.jpg"
                                           << "640x480" << 12288 << kFixedTime << font + "<BR>640x480</FONT>";
    QTest::newRow("name, file size and date")
        << "1011000"
        << "0"
        << ""
        << "cat.jpg"
        << "" << 12288 << kFixedTime << font + "<BR>cat.jpg<BR>12KB<BR>2003/01/09</FONT>";
    QTest::newRow("small file in bytes") << "0010000"
                                         << "0"
                                         << ""
                                         << "cat.jpg"
                                         << "" << 1023 << kFixedTime << font + "<BR>1,023バイト</FONT>";
    QTest::newRow("time on a 24-hour clock")
        << "0001001"
        << "0"
        << ""
        << "cat.jpg"
        << "" << 10 << kLateTime << font + "<BR>2003/12/31<BR>23:59:59</FONT>";
    QTest::newRow("comment on a line of its own")
        << "0000100"
        << "0"
        << ""
        << "cat.jpg"
        << "" << 10 << kFixedTime << font + "<BR>\r\n<!-- cat.jpgのコメント --></FONT>";
    QTest::newRow("every piece in order, coloured")
        << "1111111"
        << "255"
        << "trip/day1/"
        << "cat.jpg"
        << "640x480" << 500 << kFixedTime
        << "<FONT SIZE=-1 COLOR=#FF0000><BR>trip/day1/<BR>cat.jpg<BR>640x480<BR>500バイト<BR>2003/01/09"
           "<BR>07:05:30<BR>\r\n<!-- cat.jpgのコメント --></FONT>";
    QTest::newRow("markup characters escaped")
        << "1000110"
        << "0"
        << "a&b/"
        << "x<y>&z.jpg"
        << "" << 10 << kFixedTime
        << font +
               "<BR>a&amp;b/<BR>x&lt;y&gt;&amp;z.jpg<BR>\r\n<!-- x&lt;y&gt;&amp;z.jpgのコメント --></FONT>";
    QTest::newRow("a name cannot close the comment")
        << "0000100"
        << "0"
        << ""
        << "a-->b.jpg"
        << "" << 10 << kFixedTime << font + "<BR>\r\n<!-- a--&gt;b.jpgのコメント --></FONT>";
    QTest::newRow("characters outside Shift_JIS")
        << "1000010"
        << "0"
        << "café/"
        << "😀.jpg"
        << "" << 10 << kFixedTime << font + "<BR>caf&#233;/<BR>&#128512;.jpg</FONT>";
    QTest::newRow("Japanese names unchanged")
        << "1000010"
        << "0"
        << "旅行/"
        << "夕焼け.jpg"
        << "" << 10 << kFixedTime << font + "<BR>旅行/<BR>夕焼け.jpg</FONT>";
}

void TestEntryTexts::statusBlock() {
    QFETCH(QString, attr);
    QFETCH(QString, fontColour);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, sizeText);
    QFETCH(int, bytes);
    QFETCH(qint64, mtime);
    QFETCH(QString, expected);

    const QString path = m_dir.path() + QStringLiteral("/status/") + folder + name;
    writeFile(path, QByteArray(bytes, 'p'), mtime);
    Settings settings = defaultSettings(QStringLiteral("/prog/"));
    settings.FILESTATUS_ATTR = attr;
    settings.FILESTATUS_FONTCOLOR = fontColour;
    const RecordSettingsAccess access(settings);
    QCOMPARE(MakeFileStatusStr(access, folder, name, sizeText, path), expected);
}

void TestEntryTexts::altText_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sub-folder, picture size, KB")
        << "photos/"
        << "cat.jpg"
        << "640x480" << 12288 << "ALT='photos/cat.jpg 640x480 12KB '";
    QTest::newRow("no size text, bytes") << ""
                                         << "cat.jpg"
                                         << "" << 1023 << "ALT='cat.jpg 1,023バイト '";
    QTest::newRow("size not read") << "旅行/"
                                   << "夕焼け.jpg"
                                   << "0x0" << 1500000 << "ALT='旅行/夕焼け.jpg 0x0 1,465KB '";
    QTest::newRow("apostrophe cannot end the value") << ""
                                                     << "it's.jpg"
                                                     << "" << 1024 << "ALT='it&#39;s.jpg 1KB '";
    QTest::newRow("double quotes and markup")
        << "a&b/"
        << "\"<x>\".jpg"
        << "" << 10 << "ALT='a&amp;b/&quot;&lt;x&gt;&quot;.jpg 10バイト '";
    QTest::newRow("characters outside Shift_JIS") << ""
                                                  << "café😀.jpg"
                                                  << "" << 10 << "ALT='caf&#233;&#128512;.jpg 10バイト '";
}

void TestEntryTexts::altText() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, sizeText);
    QFETCH(int, bytes);
    QFETCH(QString, expected);
    const QString path = m_dir.path() + QStringLiteral("/alt/") + folder + name;
    writeFile(path, QByteArray());
    QFile f(path);
    QVERIFY(f.resize(bytes));
    QCOMPARE(MakeFileStatusStrAlt(folder, name, sizeText, path), expected);
}

// ---------------------------------------------------------------------------------------------
// Names from the file system in each context of a page

void TestEntryTexts::escaping_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");     // between tags
    QTest::addColumn<QString>("attr");     // quoted attribute value
    QTest::addColumn<QString>("url");      // path of a URL
    QTest::addColumn<QString>("urlAttr");  // URL path in a quoted attribute
    QTest::addColumn<QString>("unquoted"); // URL path as an unquoted attribute
    QTest::addColumn<QString>("title");    // title taken from another page

    const auto same = [](const char* name) {
        const QString s = QString::fromUtf8(name);
        QTest::newRow(name) << s << s << s << s << s << s << s;
    };
    same("ordinary_name-1(2)~,+!@.jpg");
    QTest::newRow("=, encoded only where unquoted") << "a=b.jpg"
                                                    << "a=b.jpg"
                                                    << "a=b.jpg"
                                                    << "a=b.jpg"
                                                    << "a=b.jpg"
                                                    << "a%3Db.jpg"
                                                    << "a=b.jpg";
    QTest::newRow("blanks at the ends of a URL") << " lead .jpg "
                                                 << " lead .jpg "
                                                 << " lead .jpg "
                                                 << " lead .jpg "
                                                 << "%20lead .jpg%20"
                                                 << "%20lead%20.jpg%20"
                                                 << " lead .jpg ";

    same("夕焼け.jpg");
    QTest::newRow("blanks, %20 only where unquoted") << "blue sky (2).gif"
                                                     << "blue sky (2).gif"
                                                     << "blue sky (2).gif"
                                                     << "blue sky (2).gif"
                                                     << "blue sky (2).gif"
                                                     << "blue%20sky%20(2).gif"
                                                     << "blue sky (2).gif";
    QTest::newRow("apostrophe") << "it's.jpg"
                                << "it's.jpg"
                                << "it&#39;s.jpg"
                                << "it%27s.jpg"
                                << "it%27s.jpg"
                                << "it%27s.jpg"
                                << "it's.jpg";
    QTest::newRow("double quote") << "say\"hi\".jpg"
                                  << "say\"hi\".jpg"
                                  << "say&quot;hi&quot;.jpg"
                                  << "say%22hi%22.jpg"
                                  << "say%22hi%22.jpg"
                                  << "say%22hi%22.jpg"
                                  << "say\"hi\".jpg";
    QTest::newRow("hash") << "a#b.jpg"
                          << "a#b.jpg"
                          << "a#b.jpg"
                          << "a%23b.jpg"
                          << "a%23b.jpg"
                          << "a%23b.jpg"
                          << "a#b.jpg";
    QTest::newRow("percent") << "100%.jpg"
                             << "100%.jpg"
                             << "100%.jpg"
                             << "100%25.jpg"
                             << "100%25.jpg"
                             << "100%25.jpg"
                             << "100%.jpg";
    QTest::newRow("ampersand") << "a&b.jpg"
                               << "a&amp;b.jpg"
                               << "a&amp;b.jpg"
                               << "a&b.jpg"
                               << "a&amp;b.jpg"
                               << "a&amp;b.jpg"
                               << "a&b.jpg";
    QTest::newRow("less and greater than") << "a<b>.jpg"
                                           << "a&lt;b&gt;.jpg"
                                           << "a&lt;b&gt;.jpg"
                                           << "a%3Cb%3E.jpg"
                                           << "a%3Cb%3E.jpg"
                                           << "a%3Cb%3E.jpg"
                                           << "a&lt;b&gt;.jpg";
    QTest::newRow("question mark, backslash, backquote") << "a?b\\c`d.jpg"
                                                         << "a?b\\c`d.jpg"
                                                         << "a?b\\c`d.jpg"
                                                         << "a%3Fb%5Cc%60d.jpg"
                                                         << "a%3Fb%5Cc%60d.jpg"
                                                         << "a%3Fb%5Cc%60d.jpg"
                                                         << "a?b\\c`d.jpg";
    QTest::newRow("control character") << "a\tb.jpg"
                                       << "a\tb.jpg"
                                       << "a\tb.jpg"
                                       << "a%09b.jpg"
                                       << "a%09b.jpg"
                                       << "a%09b.jpg"
                                       << "a\tb.jpg";
    QTest::newRow("emoji") << "😀.jpg"
                           << "&#128512;.jpg"
                           << "&#128512;.jpg"
                           << "%F0%9F%98%80.jpg"
                           << "%F0%9F%98%80.jpg"
                           << "%F0%9F%98%80.jpg"
                           << "&#128512;.jpg";
    QTest::newRow("e acute") << "café.jpg"
                             << "caf&#233;.jpg"
                             << "caf&#233;.jpg"
                             << "caf%C3%A9.jpg"
                             << "caf%C3%A9.jpg"
                             << "caf%C3%A9.jpg"
                             << "caf&#233;.jpg";
    QTest::newRow("entity in a title stays") << "Tom &amp; Jerry <i>"
                                             << "Tom &amp;amp; Jerry &lt;i&gt;"
                                             << "Tom &amp;amp; Jerry &lt;i&gt;"
                                             << "Tom &amp; Jerry %3Ci%3E"
                                             << "Tom &amp;amp; Jerry %3Ci%3E"
                                             << "Tom%20&amp;amp;%20Jerry%20%3Ci%3E"
                                             << "Tom &amp; Jerry &lt;i&gt;";
}

void TestEntryTexts::escaping() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, attr);
    QFETCH(QString, url);
    QFETCH(QString, urlAttr);
    QFETCH(QString, unquoted);
    QFETCH(QString, title);
    QCOMPARE(htmlText(name), text);
    QCOMPARE(commentText(name), text);
    QCOMPARE(htmlAttr(name), attr);
    QCOMPARE(urlPath(name), url);
    QCOMPARE(veldrin::urlAttr(name), urlAttr);
    QCOMPARE(unquotedUrlAttr(name), unquoted);
    QCOMPARE(titleText(name), title);
}

QTEST_GUILESS_MAIN(TestEntryTexts)
#include "tst_entry_texts.moc"
