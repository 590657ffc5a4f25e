#include "startup/errors.h"
#include "startup/vb_runtime.h"

#include <QTest>

#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

using namespace veldrin;

namespace {

// Runs f and returns the kind of VeldrinError it raised, or nothing.
std::optional<ErrorKind> errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VeldrinError& e) {
        return e.kind();
    }
    return std::nullopt;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

class TestVbRuntime : public QObject {
    Q_OBJECT
private slots:
    void val_data();
    void val();
    void valOverflow_data();
    void valOverflow();

    void roundHalfEven_data();
    void roundHalfEven();
    void roundHalfEvenIgnoresRoundingMode_data();
    void roundHalfEvenIgnoresRoundingMode();

    void wholeNumberConversions_data();
    void wholeNumberConversions();

    void mod_data();
    void mod();

    void formatNumber_data();
    void formatNumber();

    void formatDateAndTime_data();
    void formatDateAndTime();

    void plainNumber_data();
    void plainNumber();
};

void TestVbRuntime::val_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    // Leading number, the rest ignored.
    QTest::newRow("digits then letters") << "120px" << 120.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("thousands comma stops") << "1,000" << 1.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("trailing sign stops") << "3-" << 3.0;
    QTest::newRow("letters between digits") << "12 px 3" << 12.0;

    // Blanks, tabs and line breaks are skipped anywhere.
    QTest::newRow("blanks between digits") << " 1 2 3" << 123.0;
    QTest::newRow("tab, LF, CR between digits") << "\t1\n2\r3" << 123.0;
    QTest::newRow("blank after sign") << "- 3" << -3.0;
    QTest::newRow("blanks inside exponent") << "1 e 2" << 100.0;

    // Signs, fractions, exponents.
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("two signs") << "--1" << 0.0;
    QTest::newRow("fraction without integer part") << ".5" << 0.5;
    QTest::newRow("negative fraction") << "-.5" << -0.5;
    QTest::newRow("exponent E") << "-1.5e2" << -150.0;
    QTest::newRow("exponent D") << "1d2" << 100.0;
    QTest::newRow("exponent D upper, negative") << "1D-1" << 0.1;
    QTest::newRow("point before exponent") << "1.e2" << 100.0;
    QTest::newRow("negative exponent") << "25e-2" << 0.25;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent with sign only") << "1e+" << 1.0;
    QTest::newRow("exponent then letter") << "1ex" << 1.0;
    QTest::newRow("exponent without mantissa") << "e5" << 0.0;
    QTest::newRow("largest exponent in range") << "1e308" << 1e308;
    QTest::newRow("underflow gives zero") << "1e-400" << 0.0;

    // Hexadecimal and octal: up to 16 bits is a 16-bit whole number.
    QTest::newRow("hex") << "&HFF" << 255.0;
    QTest::newRow("hex lower case") << "&hff" << 255.0;
    QTest::newRow("hex after blanks") << "  &H10" << 16.0;
    QTest::newRow("hex 7FFF") << "&H7FFF" << 32767.0;
    QTest::newRow("hex 8000 is negative") << "&H8000" << -32768.0;
    QTest::newRow("hex FFFF is -1") << "&HFFFF" << -1.0;
    QTest::newRow("hex 10000 is 32-bit") << "&H10000" << 65536.0;
    QTest::newRow("hex FFFFFFFF is -1") << "&HFFFFFFFF" << -1.0;
    QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
    QTest::newRow("hex without digits") << "&H" << 0.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal lower case") << "&o777" << 511.0;
    QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("C-style hex is not hex") << "0x1F" << 0.0;

    // No number at all.
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("currency sign") << "$5" << 0.0;
}

void TestVbRuntime::val() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Val(text), expected);
}

void TestVbRuntime::valOverflow_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("exponent 400") << "1e400";
    QTest::newRow("negative exponent 400") << "-1e400";
    QTest::newRow("D exponent 309") << "1d309";
    QTest::newRow("400 digits") << QString(400, u'9');
    QTest::newRow("hex beyond 32 bits") << "&H100000000";
}

void TestVbRuntime::valOverflow() {
    QFETCH(QString, text);
    QCOMPARE(errorOf([&] { (void)Val(text); }), std::optional(ErrorKind::Overflow));
}

void TestVbRuntime::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("just below a half") << 2.4999999 << 2.0;
    QTest::newRow("just above a half") << 2.5000001 << 3.0;
    QTest::newRow("-0.6") << -0.6 << -1.0;
    QTest::newRow("large even half") << 1000000000000000.5 << 1000000000000000.0;
    QTest::newRow("large odd half") << 1000000000000001.5 << 1000000000000002.0;
}

void TestVbRuntime::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(veldrin::roundHalfEven(value), expected);
}

void TestVbRuntime::roundHalfEvenIgnoresRoundingMode_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("upward") << FE_UPWARD;
    QTest::newRow("downward") << FE_DOWNWARD;
    QTest::newRow("toward zero") << FE_TOWARDZERO;
}

void TestVbRuntime::roundHalfEvenIgnoresRoundingMode() {
    QFETCH(int, mode);
    QCOMPARE(std::fesetround(mode), 0);
    const double half = veldrin::roundHalfEven(2.5);
    const double minusHalf = veldrin::roundHalfEven(-3.5);
    const double minusZero = veldrin::roundHalfEven(-0.5);
    const int after = std::fegetround();
    std::fesetround(FE_TONEAREST);
    QCOMPARE(half, 2.0);
    QCOMPARE(minusHalf, -4.0);
    QVERIFY(minusZero == 0.0 && std::signbit(minusZero));
    QCOMPARE(after, mode);
}

void TestVbRuntime::wholeNumberConversions_data() {
    QTest::addColumn<QString>("conversion");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("CInt 1.5") << "CInt" << 1.5 << false << qint64(2);
    QTest::newRow("CInt 2.5") << "CInt" << 2.5 << false << qint64(2);
    QTest::newRow("CInt -0.5") << "CInt" << -0.5 << false << qint64(0);
    QTest::newRow("CInt 32767.4") << "CInt" << 32767.4 << false << qint64(32767);
    QTest::newRow("CInt 32766.5 rounds down to even") << "CInt" << 32766.5 << false << qint64(32766);
    QTest::newRow("CInt 32767.5 rounds up to 32768") << "CInt" << 32767.5 << true << qint64(0);
    QTest::newRow("CInt 32768") << "CInt" << 32768.0 << true << qint64(0);
    QTest::newRow("CInt -32768.5 rounds to even -32768") << "CInt" << -32768.5 << false << qint64(-32768);
    QTest::newRow("CInt -32768.6") << "CInt" << -32768.6 << true << qint64(0);
    QTest::newRow("CInt -32769") << "CInt" << -32769.0 << true << qint64(0);
    QTest::newRow("CInt NaN") << "CInt" << kNaN << true << qint64(0);
    QTest::newRow("CInt +inf") << "CInt" << kInf << true << qint64(0);
    QTest::newRow("CInt -inf") << "CInt" << -kInf << true << qint64(0);

    QTest::newRow("CLng 2147483646.5") << "CLng" << 2147483646.5 << false << qint64(2147483646);
    QTest::newRow("CLng 2147483647.5") << "CLng" << 2147483647.5 << true << qint64(0);
    QTest::newRow("CLng -2147483648.5") << "CLng" << -2147483648.5 << false << qint64(-2147483648LL);
    QTest::newRow("CLng -2147483649") << "CLng" << -2147483649.0 << true << qint64(0);
    QTest::newRow("CLng 40000") << "CLng" << 40000.0 << false << qint64(40000);
    QTest::newRow("CLng NaN") << "CLng" << kNaN << true << qint64(0);

    QTest::newRow("CByte 0") << "CByte" << 0.0 << false << qint64(0);
    QTest::newRow("CByte -0.5") << "CByte" << -0.5 << false << qint64(0);
    QTest::newRow("CByte -0.6") << "CByte" << -0.6 << true << qint64(0);
    QTest::newRow("CByte 254.5") << "CByte" << 254.5 << false << qint64(254);
    QTest::newRow("CByte 255") << "CByte" << 255.0 << false << qint64(255);
    QTest::newRow("CByte 255.5") << "CByte" << 255.5 << true << qint64(0);
    QTest::newRow("CByte NaN") << "CByte" << kNaN << true << qint64(0);
}

void TestVbRuntime::wholeNumberConversions() {
    QFETCH(QString, conversion);
    QFETCH(double, value);
    QFETCH(bool, overflows);
    QFETCH(qint64, expected);

    qint64 result = -1;
    const auto error = errorOf([&] {
        if (conversion == u"CInt")
            result = CInt(value);
        else if (conversion == u"CLng")
            result = CLng(value);
        else
            result = CByte(value);
    });
    if (overflows) {
        QCOMPARE(error, std::optional(ErrorKind::Overflow));
    } else {
        QVERIFY(!error);
        QCOMPARE(result, expected);
    }
}

void TestVbRuntime::mod_data() {
    QTest::addColumn<double>("dividend");
    QTest::addColumn<double>("divisor");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("error"); // -1: none, else an ErrorKind

    const int none = -1;
    const int divZero = static_cast<int>(ErrorKind::DivisionByZero);
    const int overflow = static_cast<int>(ErrorKind::Overflow);
    QTest::newRow("7 mod 3") << 7.0 << 3.0 << 1 << none;
    QTest::newRow("-7 mod 3: sign of the dividend") << -7.0 << 3.0 << -1 << none;
    QTest::newRow("7 mod -3") << 7.0 << -3.0 << 1 << none;
    QTest::newRow("-7 mod -3") << -7.0 << -3.0 << -1 << none;
    QTest::newRow("0 mod 5") << 0.0 << 5.0 << 0 << none;
    QTest::newRow("5 mod 1.5 is 5 mod 2") << 5.0 << 1.5 << 1 << none;
    QTest::newRow("5 mod 2.5 is 5 mod 2") << 5.0 << 2.5 << 1 << none;
    QTest::newRow("5.5 mod 3 is 6 mod 3") << 5.5 << 3.0 << 0 << none;
    QTest::newRow("4.5 mod 3 is 4 mod 3") << 4.5 << 3.0 << 1 << none;
    QTest::newRow("largest dividend") << 2147483647.0 << 2.0 << 1 << none;
    QTest::newRow("smallest dividend mod -1") << -2147483648.0 << -1.0 << 0 << none;
    QTest::newRow("5 mod 0") << 5.0 << 0.0 << 0 << divZero;
    QTest::newRow("5 mod 0.4: divisor rounds to 0") << 5.0 << 0.4 << 0 << divZero;
    QTest::newRow("5 mod 0.5: divisor rounds to 0") << 5.0 << 0.5 << 0 << divZero;
    QTest::newRow("dividend beyond 32 bits") << 2147483647.5 << 2.0 << 0 << overflow;
    QTest::newRow("divisor beyond 32 bits") << 1.0 << 3e9 << 0 << overflow;
}

void TestVbRuntime::mod() {
    QFETCH(double, dividend);
    QFETCH(double, divisor);
    QFETCH(int, expected);
    QFETCH(int, error);

    int result = 0;
    const auto raised = errorOf([&] { result = vbMod(dividend, divisor); });
    if (error < 0) {
        QVERIFY(!raised);
        QCOMPARE(result, expected);
    } else {
        QCOMPARE(raised, std::optional(static_cast<ErrorKind>(error)));
    }
}

void TestVbRuntime::formatNumber_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const QString zeros = QStringLiteral("000");
    QTest::newRow("000: 0") << zeros << 0.0 << "000";
    QTest::newRow("000: 7") << zeros << 7.0 << "007";
    QTest::newRow("000: 999") << zeros << 999.0 << "999";
    QTest::newRow("000: 1000 needs a fourth digit") << zeros << 1000.0 << "1000";
    QTest::newRow("000: 1234567 without separators") << zeros << 1234567.0 << "1234567";
    QTest::newRow("000: 2.5 away from zero") << zeros << 2.5 << "003";
    QTest::newRow("000: 0.5 away from zero") << zeros << 0.5 << "001";
    QTest::newRow("000: -7") << zeros << -7.0 << "-007";

    const QString grouped = QStringLiteral("#,##0");
    QTest::newRow("#,##0: 0") << grouped << 0.0 << "0";
    QTest::newRow("#,##0: 7") << grouped << 7.0 << "7";
    QTest::newRow("#,##0: 999") << grouped << 999.0 << "999";
    QTest::newRow("#,##0: 1000") << grouped << 1000.0 << "1,000";
    QTest::newRow("#,##0: 1465") << grouped << 1465.0 << "1,465";
    QTest::newRow("#,##0: 1234567") << grouped << 1234567.0 << "1,234,567";
    QTest::newRow("#,##0: 2.5") << grouped << 2.5 << "3";
    QTest::newRow("#,##0: 3.5") << grouped << 3.5 << "4";
    QTest::newRow("#,##0: 999.5 carries into a group") << grouped << 999.5 << "1,000";
    QTest::newRow("#,##0: -2.5") << grouped << -2.5 << "-3";
    QTest::newRow("#,##0: -1465") << grouped << -1465.0 << "-1,465";
    QTest::newRow("#,##0: 0.4") << grouped << 0.4 << "0";
    QTest::newRow("#,##0: 10^12") << grouped << 1e12 << "1,000,000,000,000";

    const QString nine = QStringLiteral("###,###,##0");
    QTest::newRow("###,###,##0: 0") << nine << 0.0 << "0";
    QTest::newRow("###,###,##0: 7") << nine << 7.0 << "7";
    QTest::newRow("###,###,##0: 1000") << nine << 1000.0 << "1,000";
    QTest::newRow("###,###,##0: 1234567") << nine << 1234567.0 << "1,234,567";
    QTest::newRow("###,###,##0: more digits than the pattern") << nine << 123456789012.0 << "123,456,789,012";

    const QString hashes = QStringLiteral("####,###,###,###");
    QTest::newRow("####: 0 is empty") << hashes << 0.0 << "";
    QTest::newRow("####: 0.4 is empty") << hashes << 0.4 << "";
    QTest::newRow("####: 7") << hashes << 7.0 << "7";
    QTest::newRow("####: 999") << hashes << 999.0 << "999";
    QTest::newRow("####: 1000") << hashes << 1000.0 << "1,000";
    QTest::newRow("####: 1465") << hashes << 1465.0 << "1,465";
    QTest::newRow("####: 1234567") << hashes << 1234567.0 << "1,234,567";
    QTest::newRow("####: 2.5") << hashes << 2.5 << "3";
    QTest::newRow("####: 10^15") << hashes << 1e15 << "1,000,000,000,000,000";
    QTest::newRow("####: 4 GB in bytes") << hashes << 4294967296.0 << "4,294,967,296";
}

void TestVbRuntime::formatNumber() {
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(veldrin::formatNumber(value, pattern), expected);
}

void TestVbRuntime::formatDateAndTime_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    const auto row = [](const char* name, const QDateTime& when, const char* date, const char* time) {
        QTest::newRow(name) << when << QString::fromUtf8(date) << QString::fromUtf8(time);
    };
    row("single digits padded", QDateTime(QDate(2024, 1, 5), QTime(7, 8, 9)), "2024/01/05", "07:08:09");
    row("end of year", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), "1999/12/31", "23:59:59");
    row("midnight, leap day", QDateTime(QDate(2000, 2, 29), QTime(0, 0, 0)), "2000/02/29", "00:00:00");
    row("noon is 12", QDateTime(QDate(2010, 6, 15), QTime(12, 0, 0)), "2010/06/15", "12:00:00");
    row("afternoon on a 24-hour clock", QDateTime(QDate(2010, 6, 15), QTime(13, 5, 0)), "2010/06/15",
        "13:05:00");
    row("milliseconds are not rounded up", QDateTime(QDate(2010, 6, 15), QTime(23, 59, 59, 999)),
        "2010/06/15", "23:59:59");
}

void TestVbRuntime::formatDateAndTime() {
    QFETCH(QDateTime, when);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QCOMPARE(formatDate(when), date);
    QCOMPARE(formatTime(when), time);
}

void TestVbRuntime::plainNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 100.0 << "100";
    QTest::newRow("half") << 100.5 << "100.5";
    QTest::newRow("0.3") << 0.3 << "0.3";
    QTest::newRow("0.1 + 0.2 shows 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative whole") << -2.0 << "-2";
    QTest::newRow("negative fraction") << -0.5 << "-0.5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("white") << 16777215.0 << "16777215";
    QTest::newRow("10^14 in full") << 1e14 << "100000000000000";
    QTest::newRow("10^15 with an exponent") << 1e15 << "1E+15";
    QTest::newRow("small with an exponent") << 0.000015 << "1.5E-05";
}

void TestVbRuntime::plainNumber() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(veldrin::plainNumber(value), expected);
}

QTEST_GUILESS_MAIN(TestVbRuntime)
#include "tst_vb_runtime.moc"
