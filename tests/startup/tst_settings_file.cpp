#include "drop_root.h"
#include "fixture_files.h"
#include "startup/settings.h"
#include "startup/settings_access.h"
#include "startup/settings_file.h"
#include "startup/sjis.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

struct KeyDefault {
    const char* name;
    const char* defaultValue; // nullptr: the program folder
};

// The keys in file order with their defaults, written out independently of the code under test.
const KeyDefault kKeys[] = {
    {"FOLDER", nullptr},
    {"SUBFS", "0"},
    {"OUTHTMLTYPE", "0"},
    {"SUMSIZE", "100,100"},
    {"TRUERATIO", "0"},
    {"USETABLE", "0"},
    {"TABLECOLS", "8"},
    {"OBJTYPE", "gif,jpg,jpeg,bmp,tga,png"},
    {"OUTFOLDER", "0"},
    {"OUTFILENAME", "list"},
    {"FILESIZE", "0"},
    {"FILELIMIT", "0"},
    {"FILECOUNT", "100"},
    {"DIVFOLDER", "0"},
    {"PATHTYPE", "0"},
    {"USEFRAME", "0"},
    {"FRAMETYPE", "0"},
    {"SPICMAGNIF", "0"},
    {"BGCOLOR1", "16777215"},
    {"BGCOLOR2", "16777215"},
    {"CREATESPIC", "0"},
    {"SPICNAME", "tm_"},
    {"EASYSIZE", "1"},
    {"GETHTMLTITLE", "0"},
    {"HTMLTITLE", ""},
    {"SPICNAME_DIST", "0"},
    {"JPEGCOMP", "75"},
    {"JPEGPRGRS", "0"},
    {"STRETCHBLT_INIT", "4"},
    {"SORTITEM", "1"},
    {"SORTORDER", "0"},
    {"FLAMESET_LISTSIZE", "50%"},
    {"FILESTATUS_FONTCOLOR", ""},
    {"FILESTATUS_ATTR", ""},
};

QString field(Settings s, const QString& key) {
    return RecordSettingsAccess(s).value(key);
}

void setField(Settings& s, const QString& key, const QString& value) {
    RecordSettingsAccess(s).setValue(key, value);
}

// The record the tests save: every default, with a folder of its own.
Settings sampleRecord() {
    return defaultSettings(QStringLiteral("/pics/"));
}

// The "KEY=value" lines of a record in file order, each ended by CR LF, leaving out the given keys.
QByteArray keyBlock(const Settings& s, const QSet<QString>& except = {}) {
    QByteArray out;
    for (const KeyDefault& k : kKeys) {
        const QString name = QString::fromLatin1(k.name);
        if (!except.contains(name))
            out += QByteArray(k.name) + '=' + toShiftJis(field(s, name)) + "\r\n";
    }
    return out;
}

QList<QByteArray> linesOf(const QByteArray& contents) {
    QList<QByteArray> lines = contents.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// A temporary folder that the unprivileged user can reach and change; the settings file in it.
struct Fixture {
    QTemporaryDir dir;
    QString folder() const { return dir.path() + u'/'; }
    QString file() const { return dir.path() + QStringLiteral("/veldrin.ini"); }
    Fixture() { setMode(dir.path(), 0777); }
};

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void keyOrder();
    void defaultsWhenFileMissing_data();
    void defaultsWhenFileMissing();
    void defaultsWhenSectionOrKeyMissing_data();
    void defaultsWhenSectionOrKeyMissing();

    void readIniValue_data();
    void readIniValue();
    void longValueIsCut_data();
    void longValueIsCut();

    void saveCreatesAllKeysInOrder();
    void utf8FileWithMark();
    void saveKeepsOtherKeysAndSections_data();
    void saveKeepsOtherKeysAndSections();
    void namesMatchWithoutCase_data();
    void namesMatchWithoutCase();
    void firstSectionAndKeyWin();

    void roundTrip_data();
    void roundTrip();
    void lineBreaksRemoved_data();
    void lineBreaksRemoved();

    void commandLineWritesNothing_data();
    void commandLineWritesNothing();
    void readOnlyFolderKeepsOldFile();
    void unwritableFileKeepsOldFile_data();
    void unwritableFileKeepsOldFile();
    void unreadableFileGivesDefaultsAndIsNotReplaced();
    void fullDiskKeepsOldFile();
    void existingModeKept_data();
    void existingModeKept();
    void newFileFollowsUmask_data();
    void newFileFollowsUmask();
    void symlinkStaysSymlink_data();
    void symlinkStaysSymlink();
    void symlinkLoopFails();

    void shiftJis_data();
    void shiftJis();
};

void TestSettingsFile::keyOrder() {
    QStringList expected;
    for (const KeyDefault& k : kKeys)
        expected << QString::fromLatin1(k.name);
    QStringList actual;
    for (const SettingsKey& k : settingsKeys())
        actual << QString::fromUtf16(k.name);
    QCOMPARE(actual, expected);
    for (const QString& name : expected)
        QVERIFY2(findSettingsKey(name), qPrintable(name));
    QVERIFY(!findSettingsKey(u"folder")); // the record's names are exact
    QVERIFY(!findSettingsKey(u"UNKNOWN"));
}

void TestSettingsFile::defaultsWhenFileMissing_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // null: the program folder
    for (const KeyDefault& k : kKeys) {
        QTest::newRow(k.name) << QString::fromLatin1(k.name)
                              << (k.defaultValue ? QString::fromLatin1(k.defaultValue) : QString());
    }
}

void TestSettingsFile::defaultsWhenFileMissing() {
    QFETCH(QString, key);
    QFETCH(QString, expected);
    Fixture fx;
    const Settings s = readSettingsFile(fx.file(), fx.folder());
    QCOMPARE(field(s, key), expected.isNull() ? fx.folder() : expected);
    QCOMPARE(field(defaultSettings(fx.folder()), key), expected.isNull() ? fx.folder() : expected);
    QCOMPARE(ReadIniValue(QStringLiteral("VELDRIN"), key, QStringLiteral("dflt"), fx.file()),
             QStringLiteral("dflt"));
    QVERIFY(!QFileInfo::exists(fx.file()));
}

void TestSettingsFile::defaultsWhenSectionOrKeyMissing_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("other section only") << QByteArray("[Other]\r\nOUTFILENAME=x\r\nSUBFS=1\r\n");
    QTest::newRow("section with other keys") << QByteArray("[VELDRIN]\r\nEXTRA=1\r\n");
    QTest::newRow("keys before any section") << QByteArray("OUTFILENAME=x\r\n[VELDRIN]\r\n");
    QTest::newRow("key without equals sign") << QByteArray("[VELDRIN]\r\nOUTFILENAME\r\n");
    QTest::newRow("commented key") << QByteArray("[VELDRIN]\r\n;OUTFILENAME=x\r\n");
    QTest::newRow("similar section name") << QByteArray("[VELDRIN2]\r\nOUTFILENAME=x\r\n");
    QTest::newRow("similar key name") << QByteArray("[VELDRIN]\r\nOUTFILENAMES=x\r\nSUBFSX=1\r\n");
}

void TestSettingsFile::defaultsWhenSectionOrKeyMissing() {
    QFETCH(QByteArray, contents);
    Fixture fx;
    QVERIFY(writeBytes(fx.file(), contents));
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), defaultSettings(fx.folder()));
}

void TestSettingsFile::readIniValue_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // the default is "dflt"

    const auto row = [](const char* name, const char* contents, const char* section, const char* key,
                        const char* expected) {
        QTest::newRow(name) << QByteArray(contents) << QString::fromUtf8(section) << QString::fromUtf8(key)
                            << QString::fromUtf8(expected);
    };
    const char* const kSection = "VELDRIN";
    row("plain value", "[VELDRIN]\r\nK=value\r\n", kSection, "K", "value");
    row("empty value is not the default", "[VELDRIN]\r\nK=\r\n", kSection, "K", "");
    row("blanks around the value dropped", "[VELDRIN]\r\nK= \t value \t \r\n", kSection, "K", "value");
    row("blanks around the key", "[VELDRIN]\r\n  K  =v\r\n", kSection, "K", "v");
    row("double quotes dropped", "[VELDRIN]\r\nK=\"  v  \"\r\n", kSection, "K", "  v  ");
    row("single quotes dropped", "[VELDRIN]\r\nK='v'\r\n", kSection, "K", "v");
    row("only one pair of quotes dropped", "[VELDRIN]\r\nK=\"\"v\"\"\r\n", kSection, "K", "\"v\"");
    row("unmatched quotes kept", "[VELDRIN]\r\nK=\"v'\r\n", kSection, "K", "\"v'");
    row("equals sign inside the value", "[VELDRIN]\r\nK=a=b\r\n", kSection, "K", "a=b");
    row("LF line ends", "[VELDRIN]\nA=1\nK=v\n", kSection, "K", "v");
    row("CR line ends", "[VELDRIN]\rA=1\rK=v\r", kSection, "K", "v");
    row("last line without line end", "[VELDRIN]\r\nK=v", kSection, "K", "v");
    row("Shift_JIS value", "[VELDRIN]\r\nK=\x93\xfa\x96\x7b\r\n", kSection, "K", "日本");
    row("trail byte is a backslash", "[VELDRIN]\r\nK=\x95\x5c\x8e\xa6\r\n", kSection, "K", "表示");
    row("key in another section", "[A]\r\nK=v\r\n[VELDRIN]\r\n", kSection, "K", "dflt");
    row("section name with blanks", "[ VELDRIN ]\r\nK=v\r\n", kSection, "K", "v");
    row("indented section header", "  [VELDRIN]\r\nK=v\r\n", kSection, "K", "v");
    row("lower-case query", "[VELDRIN]\r\nKEY=v\r\n", "veldrin", "key", "v");
    row("missing section", "[OTHER]\r\nK=v\r\n", kSection, "K", "dflt");
}

void TestSettingsFile::readIniValue() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    Fixture fx;
    QVERIFY(writeBytes(fx.file(), contents));
    QCOMPARE(ReadIniValue(section, key, QStringLiteral("dflt"), fx.file()), expected);
}

void TestSettingsFile::longValueIsCut_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("300 single-byte") << QString(300, u'a') << QString(254, u'a');
    QTest::newRow("254 single-byte kept") << QString(254, u'b') << QString(254, u'b');
    QTest::newRow("255 single-byte") << QString(255, u'c') << QString(254, u'c');
    QTest::newRow("200 double-byte") << QString(200, u'あ') << QString(127, u'あ');
    QTest::newRow("odd offset: no half character")
        << u'a' + QString(200, u'あ') << u'a' + QString(126, u'あ');
    QTest::newRow("double-byte across the limit") << QString(253, u'x') + u'漢' << QString(253, u'x');
    QTest::newRow("half-width katakana is single-byte") << QString(300, u'ｱ') << QString(254, u'ｱ');
    QTest::newRow("quoted, blanks at the ends") << u' ' + QString(299, u'q') << u' ' + QString(253, u'q');
}

void TestSettingsFile::longValueIsCut() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    Fixture fx;
    Settings s = sampleRecord();
    s.HTMLTITLE = value;
    s.SPICNAME_DIST = QStringLiteral("1");
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    // The whole value is stored; only reading cuts it.
    QVERIFY(readBytes(fx.file())->contains(toShiftJis(value)));

    const Settings back = readSettingsFile(fx.file(), fx.folder());
    QCOMPARE(back.HTMLTITLE, expected);
    QVERIFY(toShiftJis(back.HTMLTITLE).size() <= 254);
    QVERIFY(!back.HTMLTITLE.contains(QChar::ReplacementCharacter));
    QCOMPARE(back.SPICNAME_DIST, QStringLiteral("1"));
    QCOMPARE(ReadIniValue(QStringLiteral("VELDRIN"), QStringLiteral("HTMLTITLE"), {}, fx.file()), expected);
}

void TestSettingsFile::saveCreatesAllKeysInOrder() {
    Fixture fx;
    const Settings s = defaultSettings(fx.folder());
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    QByteArray expected = "[VELDRIN]\r\n";
    for (const KeyDefault& k : kKeys) {
        expected += QByteArray(k.name) + '=' +
                    (k.defaultValue ? QByteArray(k.defaultValue) : QFile::encodeName(fx.folder())) + "\r\n";
    }
    QCOMPARE(*readBytes(fx.file()), expected);
    QCOMPARE(entriesOf(fx.dir.path()), QStringList{QStringLiteral("veldrin.ini")});
    QCOMPARE(readSettingsFile(fx.file(), QStringLiteral("/elsewhere/")), s);
}

void TestSettingsFile::saveKeepsOtherKeysAndSections_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const Settings s = sampleRecord();
    QTest::newRow("keys and sections around")
        << QByteArray("; top comment\r\n[Other]\r\na=1\r\n\r\n[VELDRIN]\r\nEXTRA=keep\r\nFOLDER=/old/\r\n\r\n"
                      "[Last]\r\nb=2\r\n")
        << "; top comment\r\n[Other]\r\na=1\r\n\r\n[VELDRIN]\r\nEXTRA=keep\r\nFOLDER=/pics/\r\n" +
               keyBlock(s, {"FOLDER"}) + "\r\n[Last]\r\nb=2\r\n";
    QTest::newRow("known keys keep their places")
        << QByteArray("[VELDRIN]\r\nZ=1\r\nSORTORDER=1\r\nFOLDER=/a/\r\nY=2\r\n")
        << "[VELDRIN]\r\nZ=1\r\nSORTORDER=0\r\nFOLDER=/pics/\r\nY=2\r\n" +
               keyBlock(s, {"SORTORDER", "FOLDER"});
    QTest::newRow("empty file") << QByteArray() << "[VELDRIN]\r\n" + keyBlock(s);
    QTest::newRow("section missing, last line without line end")
        << QByteArray("[Other]\r\na=1") << "[Other]\r\na=1\r\n[VELDRIN]\r\n" + keyBlock(s);
    QTest::newRow("same key in another section untouched")
        << QByteArray("[Other]\r\nFOLDER=/x/\r\n") << "[Other]\r\nFOLDER=/x/\r\n[VELDRIN]\r\n" + keyBlock(s);
    QTest::newRow("section's last line without line end")
        << QByteArray("[VELDRIN]\r\nEXTRA=1") << "[VELDRIN]\r\nEXTRA=1\r\n" + keyBlock(s);
    QTest::newRow("LF line ends of existing lines kept")
        << QByteArray("[VELDRIN]\nSUBFS=1\nEXTRA=x\n")
        << "[VELDRIN]\nSUBFS=0\nEXTRA=x\n" + keyBlock(s, {"SUBFS"});
    QTest::newRow("new keys go before trailing blank lines")
        << QByteArray("[VELDRIN]\r\nX=1\r\n\r\n\r\n") << "[VELDRIN]\r\nX=1\r\n" + keyBlock(s) + "\r\n\r\n";
    QTest::newRow("comment lines kept")
        << QByteArray("[VELDRIN]\r\n; note\r\nX=1\r\n") << "[VELDRIN]\r\n; note\r\nX=1\r\n" + keyBlock(s);
    QTest::newRow("next section right after") << QByteArray("[VELDRIN]\r\nX=1\r\n[Z]\r\nq=1\r\n")
                                              << "[VELDRIN]\r\nX=1\r\n" + keyBlock(s) + "[Z]\r\nq=1\r\n";
}

void TestSettingsFile::saveKeepsOtherKeysAndSections() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    Fixture fx;
    QVERIFY(writeBytes(fx.file(), before));
    QVERIFY(SaveSettingsFile(sampleRecord(), fx.file(), false));
    QCOMPARE(*readBytes(fx.file()), after);
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), sampleRecord());
}

void TestSettingsFile::namesMatchWithoutCase_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("keyLine");
    QTest::newRow("lower-case section and key") << QByteArray("[veldrin]") << QByteArray("outfilename=old");
    QTest::newRow("mixed case") << QByteArray("[Veldrin]") << QByteArray("OutFileName=old");
    QTest::newRow("blanks around names")
        << QByteArray("[ VELDRIN ]") << QByteArray("  OUTFILENAME  =  old  ");
    QTest::newRow("key in mixed case only") << QByteArray("[VELDRIN]") << QByteArray("outFILEname=old");
}

void TestSettingsFile::namesMatchWithoutCase() {
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, keyLine);
    Fixture fx;
    QVERIFY(writeBytes(fx.file(), header + "\r\n" + keyLine + "\r\n"));
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()).OUTFILENAME, QStringLiteral("old"));

    Settings s = sampleRecord();
    s.OUTFILENAME = QStringLiteral("new");
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    const QList<QByteArray> lines = linesOf(*readBytes(fx.file()));
    QCOMPARE(lines.size(), 35); // one header, 34 keys: nothing added twice
    QCOMPARE(lines.front(), header);
    int outFileNameLines = 0;
    for (const QByteArray& line : lines) {
        if (line.toLower().trimmed().startsWith("outfilename"))
            ++outFileNameLines;
    }
    QCOMPARE(outFileNameLines, 1);
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), s);
}

void TestSettingsFile::firstSectionAndKeyWin() {
    Fixture fx;
    const QByteArray tail =
        "[Other]\r\nx=1\r\n[VELDRIN]\r\nOUTFILENAME=third\r\nHTMLTITLE=only in second\r\n";
    QVERIFY(writeBytes(fx.file(), "[VELDRIN]\r\nOUTFILENAME=first\r\nOUTFILENAME=second\r\n" + tail));

    const Settings read = readSettingsFile(fx.file(), fx.folder());
    QCOMPARE(read.OUTFILENAME, QStringLiteral("first"));
    QCOMPARE(read.HTMLTITLE, QString()); // the second section of the same name is not consulted

    Settings s = sampleRecord();
    s.OUTFILENAME = QStringLiteral("new");
    s.HTMLTITLE = QStringLiteral("t");
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    QCOMPARE(*readBytes(fx.file()),
             "[VELDRIN]\r\nOUTFILENAME=new\r\nOUTFILENAME=second\r\n" + keyBlock(s, {"OUTFILENAME"}) + tail);
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), s);
}

void TestSettingsFile::roundTrip_data() {
    QTest::addColumn<QStringList>("keysAndValues");

    QTest::newRow("leading blank") << QStringList{"HTMLTITLE", " lead"};
    QTest::newRow("trailing blank") << QStringList{"HTMLTITLE", "trail "};
    QTest::newRow("tabs at both ends") << QStringList{"HTMLTITLE", "\t tab \t"};
    QTest::newRow("blanks only") << QStringList{"SPICNAME", "   "};
    QTest::newRow("double-quoted") << QStringList{"OUTFILENAME", "\"quoted\""};
    QTest::newRow("single-quoted") << QStringList{"OUTFILENAME", "'single'"};
    QTest::newRow("one quote") << QStringList{"SPICNAME", "\""};
    QTest::newRow("two quotes") << QStringList{"SPICNAME", "\"\""};
    QTest::newRow("quote and blank") << QStringList{"SPICNAME", "\" "};
    QTest::newRow("inner quote") << QStringList{"SPICNAME", "a\"b"};
    QTest::newRow("unmatched quotes") << QStringList{"SPICNAME", "'x\""};
    QTest::newRow("empty values") << QStringList{"FOLDER", "", "OBJTYPE", "", "SUMSIZE", ""};
    QTest::newRow("Japanese") << QStringList{"HTMLTITLE", "日本語のタイトル", "FOLDER",
                                             "/home/ユーザー/写真/"};
    QTest::newRow("trail bytes 0x5C") << QStringList{"SPICNAME", "表示ソ能"};
    QTest::newRow("half-width katakana") << QStringList{"SPICNAME", "ｶﾀｶﾅ"};
    QTest::newRow("full-width blanks are not trimmed") << QStringList{"HTMLTITLE", "　全角　"};
    QTest::newRow("wave dash") << QStringList{"HTMLTITLE", "1～100"};
    QTest::newRow("looks like a section") << QStringList{"HTMLTITLE", "[VELDRIN]"};
    QTest::newRow("looks like a comment") << QStringList{"HTMLTITLE", ";x"};
    QTest::newRow("equals signs") << QStringList{"HTMLTITLE", "=a=b="};
    // Every field at once, each with a value that a careless writer or reader would change.
    const std::pair<const char*, const char*> everyField[] = {
        {"FOLDER", "/home/ユーザー/写真/"},
        {"SUBFS", " 1"},
        {"OUTHTMLTYPE", "2 "},
        {"SUMSIZE", "\"100,100\""},
        {"TRUERATIO", "'1'"},
        {"USETABLE", "\""},
        {"TABLECOLS", "a\"b"},
        {"OBJTYPE", " gif , jpg "},
        {"OUTFOLDER", ""},
        {"OUTFILENAME", "リスト"},
        {"FILESIZE", "="},
        {"FILELIMIT", "a=b"},
        {"FILECOUNT", "[VELDRIN]"},
        {"DIVFOLDER", ";comment"},
        {"PATHTYPE", "\t tab \t"},
        {"USEFRAME", "ｶﾀｶﾅ"},
        {"FRAMETYPE", "～"},
        {"SPICMAGNIF", "\"\""},
        {"BGCOLOR1", "' x \""},
        {"BGCOLOR2", "  "},
        {"CREATESPIC", "#"},
        {"SPICNAME", "表示"},
        {"EASYSIZE", "["},
        {"GETHTMLTITLE", "]"},
        {"HTMLTITLE", "  日本語のタイトル  "},
        {"SPICNAME_DIST", "\"quoted\""},
        {"JPEGCOMP", "'single'"},
        {"JPEGPRGRS", "x\" "},
        {"STRETCHBLT_INIT", "\" x"},
        {"SORTITEM", "0"},
        {"SORTORDER", "１"},
        {"FLAMESET_LISTSIZE", "50%"},
        {"FILESTATUS_FONTCOLOR", "　全角空白　"},
        {"FILESTATUS_ATTR", "1010101"},
    };
    QStringList all;
    for (const auto& [key, value] : everyField)
        all << QString::fromUtf8(key) << QString::fromUtf8(value);
    QTest::newRow("every field") << all;
}

void TestSettingsFile::roundTrip() {
    QFETCH(QStringList, keysAndValues);
    Fixture fx;
    Settings s = sampleRecord();
    for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2)
        setField(s, keysAndValues[i], keysAndValues[i + 1]);

    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    QCOMPARE(readSettingsFile(fx.file(), QStringLiteral("/elsewhere/")), s);
    QCOMPARE(linesOf(*readBytes(fx.file())).size(), 35);

    // Saving what was read changes nothing.
    const QByteArray first = *readBytes(fx.file());
    QVERIFY(SaveSettingsFile(readSettingsFile(fx.file(), fx.folder()), fx.file(), false));
    QCOMPARE(*readBytes(fx.file()), first);
}

// A file saved by a UTF-8 editor starts with the byte-order mark: its section is found, its values
// are UTF-8, and saving keeps it UTF-8 with the mark, with one section and the foreign lines as
// they were.
void TestSettingsFile::utf8FileWithMark() {
    Fixture fx;
    const QByteArray foreign = "[Other]\r\nName=caf\xc3\xa9\r\n";
    QVERIFY(writeBytes(fx.file(),
                       "\xEF\xBB\xBF[VELDRIN]\r\nFOLDER=/\xe5\x86\x99\xe7\x9c\x9f/\xf0\x9f\x98\x80\r\n" +
                           foreign));
    Settings s = readSettingsFile(fx.file(), fx.folder());
    QCOMPARE(s.FOLDER, QStringLiteral("/写真/😀"));
    s.HTMLTITLE = QStringLiteral("Ünïcode ★");
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    const QByteArray saved = *readBytes(fx.file());
    QVERIFY(saved.startsWith("\xEF\xBB\xBF[VELDRIN]\r\n"));
    QCOMPARE(saved.count("[VELDRIN]"), 1);
    QVERIFY(saved.contains(foreign));
    QVERIFY(saved.contains(QStringLiteral("HTMLTITLE=Ünïcode ★\r\n").toUtf8()));
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), s);
}

void TestSettingsFile::lineBreaksRemoved_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* value, const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(value) << QString::fromUtf8(expected);
    };
    row("CR LF", "a\r\nb", "ab");
    row("LF", "a\nb", "ab");
    row("CR", "a\rb", "ab");
    row("break before a blank", "\r\n lead", " lead");
    row("trailing break", "x\r\n", "x");
    row("would start a section", "a\r\n[OTHER]\r\nSPICNAME_DIST=0", "a[OTHER]SPICNAME_DIST=0");
}

void TestSettingsFile::lineBreaksRemoved() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    Fixture fx;
    Settings s = sampleRecord();
    s.HTMLTITLE = value;
    s.SPICNAME_DIST = QStringLiteral("1"); // the key written after it
    QVERIFY(SaveSettingsFile(s, fx.file(), false));
    QCOMPARE(linesOf(*readBytes(fx.file())).size(), 35);

    Settings expectedRecord = s;
    expectedRecord.HTMLTITLE = expected;
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), expectedRecord);
}

void TestSettingsFile::commandLineWritesNothing_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("existing file") << true;
    QTest::newRow("no file") << false;
}

void TestSettingsFile::commandLineWritesNothing() {
    QFETCH(bool, fileExists);
    Fixture fx;
    const QByteArray old = "[VELDRIN]\nOUTFILENAME=old\n[X]\ny=1";
    if (fileExists)
        QVERIFY(writeBytes(fx.file(), old));
    const QStringList before = entriesOf(fx.dir.path());

    Settings s = sampleRecord();
    s.OUTFILENAME = QStringLiteral("new");
    QVERIFY(!SaveSettingsFile(s, fx.file(), true));
    QCOMPARE(entriesOf(fx.dir.path()), before);
    if (fileExists)
        QCOMPARE(*readBytes(fx.file()), old);
}

void TestSettingsFile::readOnlyFolderKeepsOldFile() {
    Fixture fx;
    const QString folder = fx.dir.path() + QStringLiteral("/ro");
    QVERIFY(QDir().mkdir(folder));
    const QString file = folder + QStringLiteral("/veldrin.ini");
    const QByteArray old = "[VELDRIN]\r\nOUTFILENAME=old\r\n";
    QVERIFY(writeBytes(file, old));
    QVERIFY(setMode(file, 0666));
    QVERIFY(setMode(folder, 0555));
    const ModeRestorer writableAgain(folder, 0777); // lets the temporary folder be removed

    Settings s = sampleRecord();
    s.OUTFILENAME = QStringLiteral("new");
    bool saved = true;
    {
        DropRoot asUser;
        saved = SaveSettingsFile(s, file, false);
    }
    QVERIFY(!saved);
    QCOMPARE(*readBytes(file), old);
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("veldrin.ini")});
}

void TestSettingsFile::unwritableFileKeepsOldFile_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("read-only file") << 0444;
    QTest::newRow("another user's file") << 0644;
}

void TestSettingsFile::unwritableFileKeepsOldFile() {
    QFETCH(int, mode);
    Fixture fx; // the folder itself is writable by everyone
    const QByteArray old = "[VELDRIN]\r\nOUTFILENAME=old\r\n";
    QVERIFY(writeBytes(fx.file(), old));
    QVERIFY(setMode(fx.file(), static_cast<mode_t>(mode)));

    if (mode == 0644 && ::geteuid() != 0)
        QSKIP("acting as another user needs root");

    Settings s = sampleRecord();
    s.OUTFILENAME = QStringLiteral("new");
    bool saved = true;
    {
        DropRoot asUser;
        saved = SaveSettingsFile(s, fx.file(), false);
    }
    QVERIFY(!saved);
    QCOMPARE(*readBytes(fx.file()), old);
    QCOMPARE(modeOf(fx.file()), static_cast<mode_t>(mode));
    QCOMPARE(entriesOf(fx.dir.path()), QStringList{QStringLiteral("veldrin.ini")});
}

void TestSettingsFile::unreadableFileGivesDefaultsAndIsNotReplaced() {
    if (::geteuid() != 0)
        QSKIP("acting as another user needs root");
    Fixture fx;
    const QByteArray old = "[VELDRIN]\r\nOUTFILENAME=secret\r\n";
    QVERIFY(writeBytes(fx.file(), old));
    QVERIFY(setMode(fx.file(), 0600));

    Settings read;
    QString single;
    bool saved = true;
    {
        DropRoot asUser;
        read = readSettingsFile(fx.file(), fx.folder());
        single = ReadIniValue(QStringLiteral("VELDRIN"), QStringLiteral("OUTFILENAME"),
                              QStringLiteral("dflt"), fx.file());
        saved = SaveSettingsFile(sampleRecord(), fx.file(), false);
    }
    QCOMPARE(read, defaultSettings(fx.folder()));
    QCOMPARE(single, QStringLiteral("dflt"));
    QVERIFY(!saved);
    QCOMPARE(*readBytes(fx.file()), old);
}

void TestSettingsFile::fullDiskKeepsOldFile() {
    Fixture fx;
    const QByteArray old = "[VELDRIN]\r\nOUTFILENAME=old\r\n[Other]\r\nkeep=1\r\n";
    QVERIFY(writeBytes(fx.file(), old));

    struct rlimit oldLimit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    struct sigaction ignore {};
    struct sigaction oldAction {};
    ignore.sa_handler = SIG_IGN;
    QCOMPARE(::sigaction(SIGXFSZ, &ignore, &oldAction), 0);
    struct rlimit small = oldLimit;
    small.rlim_cur = 100; // the new file needs several hundred bytes
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool saved = SaveSettingsFile(sampleRecord(), fx.file(), false);

    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    QCOMPARE(::sigaction(SIGXFSZ, &oldAction, nullptr), 0);

    QVERIFY(!saved);
    QCOMPARE(*readBytes(fx.file()), old);
    QCOMPARE(entriesOf(fx.dir.path()), QStringList{QStringLiteral("veldrin.ini")});
}

void TestSettingsFile::existingModeKept_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("0600") << 0600;
    QTest::newRow("0640") << 0640;
    QTest::newRow("0664") << 0664;
    QTest::newRow("0604") << 0604;
}

void TestSettingsFile::existingModeKept() {
    QFETCH(int, mode);
    Fixture fx;
    QVERIFY(writeBytes(fx.file(), "[VELDRIN]\r\n"));
    QVERIFY(setMode(fx.file(), static_cast<mode_t>(mode)));
    QVERIFY(SaveSettingsFile(sampleRecord(), fx.file(), false));
    QCOMPARE(modeOf(fx.file()), static_cast<mode_t>(mode));
    QCOMPARE(readSettingsFile(fx.file(), fx.folder()), sampleRecord());
}

void TestSettingsFile::newFileFollowsUmask_data() {
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("expected");
    QTest::newRow("022") << 022 << 0644;
    QTest::newRow("077") << 077 << 0600;
    QTest::newRow("002") << 002 << 0664;
}

void TestSettingsFile::newFileFollowsUmask() {
    QFETCH(int, mask);
    QFETCH(int, expected);
    Fixture fx;
    const mode_t oldMask = ::umask(static_cast<mode_t>(mask));
    const bool saved = SaveSettingsFile(sampleRecord(), fx.file(), false);
    ::umask(oldMask);
    QVERIFY(saved);
    QCOMPARE(modeOf(fx.file()), static_cast<mode_t>(expected));
}

void TestSettingsFile::symlinkStaysSymlink_data() {
    QTest::addColumn<QString>("layout");
    QTest::newRow("relative link in the same folder") << "relative";
    QTest::newRow("absolute link to another folder") << "absolute";
    QTest::newRow("chain of two links") << "chain";
    QTest::newRow("link to a file not yet made") << "dangling";
}

void TestSettingsFile::symlinkStaysSymlink() {
    QFETCH(QString, layout);
    Fixture fx;
    const QString other = fx.dir.path() + QStringLiteral("/real");
    QVERIFY(QDir().mkdir(other));
    const QString link = fx.file();
    QString target;
    QStringList links{link};
    if (layout == u"relative") {
        target = fx.dir.path() + QStringLiteral("/stored.ini");
        QVERIFY(QFile::link(QStringLiteral("stored.ini"), link));
    } else if (layout == u"absolute") {
        target = other + QStringLiteral("/stored.ini");
        QVERIFY(QFile::link(target, link));
    } else if (layout == u"dangling") {
        target = other + QStringLiteral("/stored.ini");
        QVERIFY(QFile::link(QStringLiteral("real/stored.ini"), link));
    } else {
        target = other + QStringLiteral("/stored.ini");
        const QString middle = other + QStringLiteral("/middle.ini");
        QVERIFY(QFile::link(QStringLiteral("stored.ini"), middle));
        QVERIFY(QFile::link(middle, link));
        links << middle;
    }
    const bool dangling = layout == u"dangling";
    const QByteArray old = dangling ? QByteArray() : QByteArray("[Other]\r\nkeep=1\r\n");
    if (!dangling)
        QVERIFY(writeBytes(target, old));
    const QStringList mainEntries = entriesOf(fx.dir.path());
    QStringList otherEntries = entriesOf(other);
    if (dangling)
        otherEntries << QStringLiteral("stored.ini");

    QVERIFY(SaveSettingsFile(sampleRecord(), link, false));

    for (const QString& l : links)
        QVERIFY2(QFileInfo(l).isSymLink(), qPrintable(l));
    QCOMPARE(*readBytes(target), old + "[VELDRIN]\r\n" + keyBlock(sampleRecord()));
    QCOMPARE(entriesOf(fx.dir.path()), mainEntries);
    QCOMPARE(entriesOf(other), otherEntries);
}

void TestSettingsFile::symlinkLoopFails() {
    Fixture fx;
    const QString other = fx.dir.path() + QStringLiteral("/other.ini");
    QVERIFY(QFile::link(other, fx.file()));
    QVERIFY(QFile::link(fx.file(), other));

    QVERIFY(!SaveSettingsFile(sampleRecord(), fx.file(), false));
    QCOMPARE(QFileInfo(fx.file()).symLinkTarget(), other);
    QCOMPARE(QFileInfo(other).symLinkTarget(), fx.file());
    QCOMPARE(entriesOf(fx.dir.path()),
             (QStringList{QStringLiteral("other.ini"), QStringLiteral("veldrin.ini")}));
}

void TestSettingsFile::shiftJis_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("encodable");
    QTest::newRow("ASCII") << "abc" << QByteArray("abc") << true;
    QTest::newRow("hiragana") << "あ" << QByteArray("\x82\xa0") << true;
    QTest::newRow("kanji with trail byte 0x5C") << "表" << QByteArray("\x95\x5c") << true;
    QTest::newRow("half-width katakana") << "ｱ" << QByteArray("\xb1") << true;
    QTest::newRow("full-width tilde") << "～" << QByteArray("\x81\x60") << true;
    QTest::newRow("mixed text") << "ﾃｽﾄ試験.jpg 12バイト"
                                << QByteArray("\xc3\xbd\xc4\x8e\x8e\x8c\xb1.jpg 12\x83o\x83"
                                              "C\x83g")
                                << true;
    QTest::newRow("emoji becomes one question mark") << "a😀b" << QByteArray("a?b") << false;
    QTest::newRow("unmappable BMP character") << "x€y" << QByteArray("x?y") << false;
}

void TestSettingsFile::shiftJis() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, encodable);
    QCOMPARE(toShiftJis(text), bytes);
    QCOMPARE(canEncodeShiftJis(text), encodable);
    if (encodable)
        QCOMPARE(fromShiftJis(bytes), text);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
