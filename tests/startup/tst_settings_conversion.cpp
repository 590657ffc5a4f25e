#include "startup/settings.h"
#include "startup/settings_access.h"
#include "startup/settings_conversion.h"

#include <QTest>

#include <stdexcept>

using namespace veldrin;

namespace {

QString field(Settings s, const QString& key) {
    return RecordSettingsAccess(s).value(key);
}

Settings withField(Settings s, const QString& key, const QString& value) {
    RecordSettingsAccess(s).setValue(key, value);
    return s;
}

const QString kProgramFolder = QStringLiteral("/opt/veldrin/");

} // namespace

class TestSettingsConversion : public QObject {
    Q_OBJECT
private slots:
    void convert_data();
    void convert();
    void defaultsSurvive();

    void recordAccess();
    void unknownKeyThrows_data();
    void unknownKeyThrows();
    void flagsAndNumbers_data();
    void flagsAndNumbers();
    void sumSizeItems_data();
    void sumSizeItems();
};

void TestSettingsConversion::convert_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("kept");
    const auto row = [](const char* name, const char* key, const char* stored, const char* kept) {
        QTest::newRow(name) << QString::fromUtf8(key) << QString::fromUtf8(stored) << QString::fromUtf8(kept);
    };

    // Seven detail flags: exactly seven characters, each its lenient number.
    row("ATTR too short", "FILESTATUS_ATTR", "101", "0000000");
    row("ATTR empty", "FILESTATUS_ATTR", "", "0000000");
    row("ATTR too long", "FILESTATUS_ATTR", "11111111", "0000000");
    row("ATTR kept", "FILESTATUS_ATTR", "1010101", "1010101");
    row("ATTR all on", "FILESTATUS_ATTR", "1111111", "1111111");
    row("ATTR letter is off", "FILESTATUS_ATTR", "1x10101", "1010101");
    row("ATTR blank is off", "FILESTATUS_ATTR", " 1 1 1 ", "0101010");
    row("ATTR 2 is not on", "FILESTATUS_ATTR", "2222222", "0000000");
    row("ATTR seven Japanese characters", "FILESTATUS_ATTR", "ファイル名日付", "0000000");

    // The size: both parts through a lenient number.
    row("SUMSIZE width not a number", "SUMSIZE", "abc,120", "0,120");
    row("SUMSIZE units dropped", "SUMSIZE", "120px,90", "120,90");
    row("SUMSIZE kept", "SUMSIZE", "100,100", "100,100");
    row("SUMSIZE blanks", "SUMSIZE", " 50 , 60 ", "50,60");
    row("SUMSIZE fraction kept", "SUMSIZE", "1.5,2", "1.5,2");
    row("SUMSIZE height missing", "SUMSIZE", "120", "120,0");
    row("SUMSIZE empty", "SUMSIZE", "", "0,0");
    row("SUMSIZE third item dropped", "SUMSIZE", "1,2,3", "1,2");
    row("SUMSIZE hex", "SUMSIZE", "&H10,7", "16,7");
    row("SUMSIZE out-of-range exponent", "SUMSIZE", "1e400,5", "0,5");

    // Check boxes stored through a whole-number conversion: numeric text only.
    row("SUBFS 1", "SUBFS", "1", "1");
    row("SUBFS 0", "SUBFS", "0", "0");
    row("SUBFS blanks around", "SUBFS", " 1 ", "1");
    row("USEFRAME yes: default", "USEFRAME", "yes", "0");
    row("USEFRAME 2: default", "USEFRAME", "2", "0");
    row("USEFRAME -1: default", "USEFRAME", "-1", "0");
    row("CREATESPIC empty: default", "CREATESPIC", "", "0");
    row("CREATESPIC 1abc: default", "CREATESPIC", "1abc", "0");
    row("TRUERATIO 0.6 rounds to 1", "TRUERATIO", "0.6", "1");
    row("TRUERATIO 0.5 rounds to 0", "TRUERATIO", "0.5", "0");
    row("TRUERATIO 1.5 rounds to 2: default", "TRUERATIO", "1.5", "0");
    row("USETABLE -0.4 is 0", "USETABLE", "-0.4", "0");
    row("PATHTYPE exponent", "PATHTYPE", "1e0", "1");
    row("DIVFOLDER nan: default", "DIVFOLDER", "nan", "0");
    row("FILELIMIT inf: default", "FILELIMIT", "inf", "0");
    row("SPICMAGNIF 1", "SPICMAGNIF", "1", "1");
    row("OUTFOLDER 1", "OUTFOLDER", "1", "1");

    // Check boxes stored through a lenient number.
    row("GETHTMLTITLE 1", "GETHTMLTITLE", "1", "1");
    row("GETHTMLTITLE yes is 0", "GETHTMLTITLE", "yes", "0");
    row("GETHTMLTITLE leading number", "GETHTMLTITLE", "1abc", "1");
    row("SORTORDER empty is 0", "SORTORDER", "", "0");
    row("SORTORDER 2: default", "SORTORDER", "2", "0");
    row("JPEGPRGRS -1: default", "JPEGPRGRS", "-1", "0");
    row("JPEGPRGRS out-of-range exponent: default", "JPEGPRGRS", "1e400", "0");

    // Option groups and lists.
    row("OUTHTMLTYPE 2", "OUTHTMLTYPE", "2", "2");
    row("OUTHTMLTYPE 5: default", "OUTHTMLTYPE", "5", "0");
    row("OUTHTMLTYPE -1: default", "OUTHTMLTYPE", "-1", "0");
    row("OUTHTMLTYPE letters: default", "OUTHTMLTYPE", "x", "0");
    row("OUTHTMLTYPE 1.5 rounds to 2", "OUTHTMLTYPE", "1.5", "2");
    row("EASYSIZE -1: no option selected", "EASYSIZE", "-1", "-1");
    row("EASYSIZE 0", "EASYSIZE", "0", "0");
    row("EASYSIZE 3: default", "EASYSIZE", "3", "1");
    row("EASYSIZE letters: default", "EASYSIZE", "x", "1");
    row("FRAMETYPE 1", "FRAMETYPE", "1", "1");
    row("FRAMETYPE 2: default", "FRAMETYPE", "2", "0");
    row("FILESIZE 4", "FILESIZE", "4", "4");
    row("FILESIZE 5: default", "FILESIZE", "5", "0");
    row("SORTITEM 0", "SORTITEM", "0", "0");
    row("SORTITEM 5: default", "SORTITEM", "5", "1");
    row("STRETCHBLT_INIT 0: default", "STRETCHBLT_INIT", "0", "4");
    row("STRETCHBLT_INIT 1", "STRETCHBLT_INIT", "1", "1");
    row("STRETCHBLT_INIT 3", "STRETCHBLT_INIT", "3", "3");
    row("STRETCHBLT_INIT 5: default", "STRETCHBLT_INIT", "5", "4");
    row("SPICNAME_DIST 1", "SPICNAME_DIST", "1", "1");
    row("SPICNAME_DIST leading number", "SPICNAME_DIST", "1st", "1");
    row("SPICNAME_DIST letters are 0", "SPICNAME_DIST", "x", "0");
    row("SPICNAME_DIST 2: default", "SPICNAME_DIST", "2", "0");

    // Colours: a lenient number rounded to a whole number.
    row("BGCOLOR1 kept", "BGCOLOR1", "255", "255");
    row("BGCOLOR1 white kept", "BGCOLOR1", "16777215", "16777215");
    row("BGCOLOR1 letters are black", "BGCOLOR1", "abc", "0");
    row("BGCOLOR1 negative: default", "BGCOLOR1", "-5", "16777215");
    row("BGCOLOR1 beyond 24 bits: default", "BGCOLOR1", "16777216", "16777215");
    row("BGCOLOR1 fraction rounded", "BGCOLOR1", "255.5", "256");
    row("BGCOLOR1 hex", "BGCOLOR1", "&HFF", "255");
    row("BGCOLOR1 out-of-range exponent: default", "BGCOLOR1", "1e400", "16777215");
    row("BGCOLOR2 units dropped", "BGCOLOR2", "65280px", "65280");
    row("BGCOLOR2 negative: default", "BGCOLOR2", "-1", "16777215");
    row("FONTCOLOR empty is black", "FILESTATUS_FONTCOLOR", "", "0");
    row("FONTCOLOR negative: black", "FILESTATUS_FONTCOLOR", "-5", "0");
    row("FONTCOLOR kept", "FILESTATUS_FONTCOLOR", "65280", "65280");

    // Text boxes keep their text.
    row("FOLDER", "FOLDER", " /my pics/ ", " /my pics/ ");
    row("OBJTYPE", "OBJTYPE", " gif , jpg ", " gif , jpg ");
    row("OUTFILENAME empty", "OUTFILENAME", "", "");
    row("HTMLTITLE", "HTMLTITLE", "  日本  ", "  日本  ");
    row("SPICNAME", "SPICNAME", "tm_", "tm_");
    row("FLAMESET_LISTSIZE", "FLAMESET_LISTSIZE", "50%", "50%");
    row("TABLECOLS not a number", "TABLECOLS", "abc", "abc");
    row("FILECOUNT exponent", "FILECOUNT", "1e400", "1e400");
    row("JPEGCOMP fraction", "JPEGCOMP", "75.5", "75.5");
}

void TestSettingsConversion::convert() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, kept);

    const Settings defaults = defaultSettings(kProgramFolder);
    const Settings loaded = withField(defaults, key, stored);
    const Settings result = asMainWindowKeepsIt(loaded);
    QCOMPARE(field(result, key), kept);
    // Every other key is what it would be with the defaults alone.
    QCOMPARE(withField(result, key, QString()), withField(asMainWindowKeepsIt(defaults), key, QString()));
    // Loading what was kept keeps it again.
    QCOMPARE(asMainWindowKeepsIt(result), result);
}

void TestSettingsConversion::defaultsSurvive() {
    Settings expected = defaultSettings(kProgramFolder);
    expected.FILESTATUS_ATTR = QStringLiteral("0000000");
    expected.FILESTATUS_FONTCOLOR = QStringLiteral("0");
    QCOMPARE(asMainWindowKeepsIt(defaultSettings(kProgramFolder)), expected);
}

void TestSettingsConversion::recordAccess() {
    Settings s = defaultSettings(kProgramFolder);
    RecordSettingsAccess access(s);
    for (const SettingsKey& key : settingsKeys()) {
        const QString name = QString::fromUtf16(key.name);
        access.setValue(name, name + QStringLiteral("-value"));
    }
    // Each key reaches its own field.
    QCOMPARE(s.FOLDER, QStringLiteral("FOLDER-value"));
    QCOMPARE(s.SUMSIZE, QStringLiteral("SUMSIZE-value"));
    QCOMPARE(s.STRETCHBLT_INIT, QStringLiteral("STRETCHBLT_INIT-value"));
    QCOMPARE(s.FILESTATUS_ATTR, QStringLiteral("FILESTATUS_ATTR-value"));
    for (const SettingsKey& key : settingsKeys()) {
        const QString name = QString::fromUtf16(key.name);
        QCOMPARE(access.value(name), name + QStringLiteral("-value"));
    }
}

void TestSettingsConversion::unknownKeyThrows_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("lower case") << "folder";
    QTest::newRow("unknown") << "COLOR";
    QTest::newRow("empty") << "";
}

void TestSettingsConversion::unknownKeyThrows() {
    QFETCH(QString, key);
    Settings s;
    RecordSettingsAccess access(s);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, (void)access.value(key));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, access.setValue(key, QStringLiteral("x")));
    QCOMPARE(s, Settings());
}

void TestSettingsConversion::flagsAndNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("on");
    QTest::addColumn<double>("number");
    QTest::newRow("1") << "1" << true << 1.0;
    QTest::newRow("0") << "0" << false << 0.0;
    QTest::newRow("blank before 1") << " 1" << false << 1.0;
    QTest::newRow("1 and a blank") << "1 " << false << 1.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("number with unit") << "120px" << false << 120.0;
}

void TestSettingsConversion::flagsAndNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, on);
    QFETCH(double, number);
    Settings s;
    s.USETABLE = text;
    const RecordSettingsAccess access(s);
    QCOMPARE(isOn(access, u"USETABLE"), on);
    QCOMPARE(numberOf(access, u"USETABLE"), number);
}

void TestSettingsConversion::sumSizeItems_data() {
    QTest::addColumn<QString>("sumSize");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("item");     // sumSizeItem(index) before the change
    QTest::addColumn<QString>("expected"); // SUMSIZE after setting the item to text
    const auto row = [](const char* name, const char* sumSize, int index, const char* text, const char* item,
                        const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(sumSize) << index << QString::fromUtf8(text)
                            << QString::fromUtf8(item) << QString::fromUtf8(expected);
    };
    row("set width", "120,90", 1, "200", "120", "200,90");
    row("set height", "120,90", 2, "7", "90", "120,7");
    row("empty size, set width", "", 1, "5", "", "5,");
    row("width only, set height", "abc", 2, "3", "", "abc,3");
    row("third item dropped", "1,2,3", 1, "9", "1", "9,2");
}

void TestSettingsConversion::sumSizeItems() {
    QFETCH(QString, sumSize);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QString, item);
    QFETCH(QString, expected);
    Settings s;
    s.SUMSIZE = sumSize;
    RecordSettingsAccess access(s);
    QCOMPARE(sumSizeItem(access, index), item);
    setSumSizeItem(access, index, text);
    QCOMPARE(s.SUMSIZE, expected);
    QCOMPARE(sumSizeItem(access, index), text);
}

QTEST_GUILESS_MAIN(TestSettingsConversion)
#include "tst_settings_conversion.moc"
