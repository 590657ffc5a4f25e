#include "ui/version_box.h"

#include <QTest>

using veldrin::ui::HostFacts;

Q_DECLARE_METATYPE(HostFacts)

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

} // namespace

class TestVersionBox : public QObject {
    Q_OBJECT
private slots:
    void text_data() {
        QTest::addColumn<HostFacts>("facts");
        QTest::addColumn<QString>("body"); // everything after the empty line

        HostFacts full{QStringLiteral("kobo"), QStringLiteral("aiko"), 512 * MiB, 1000, 8000, 2890};
        QTest::newRow("names, 512 MiB grouped")
            << full
            << "コンピュータ名 : kobo\r\nユーザー名 : aiko\r\n全物理メモリ : 536,870,912Byte\r\n"
               "空き物理メモリ : 1,000Byte\r\nメモリ使用率 : 99%\r\n全仮想メモリ : 8,000Byte\r\n"
               "空き仮想メモリ : 2,890Byte\r\n仮想ﾒﾓﾘ使用率 : 63%";

        HostFacts noUser{QStringLiteral("kobo"), std::nullopt, 1000, 361, 1000, 1000};
        QTest::newRow("user unreadable, 63.9 % as 63")
            << noUser
            << "コンピュータ名 : kobo\r\n全物理メモリ : 1,000Byte\r\n空き物理メモリ : 361Byte\r\n"
               "メモリ使用率 : 63%\r\n全仮想メモリ : 1,000Byte\r\n空き仮想メモリ : 1,000Byte\r\n"
               "仮想ﾒﾓﾘ使用率 : 0%";

        // Above the 32-bit range, an exact 70 % that floating point would make 69, and no paging at all.
        HostFacts large{std::nullopt, std::nullopt, 10 * 1000 * MiB * 1000, 3 * 1000 * MiB * 1000, 0, 0};
        QTest::newRow("64-bit counts, zero totals")
            << large
            << "全物理メモリ : 10,485,760,000,000Byte\r\n空き物理メモリ : 3,145,728,000,000Byte\r\n"
               "メモリ使用率 : 70%\r\n全仮想メモリ : 0Byte\r\n空き仮想メモリ : 0Byte\r\n仮想ﾒﾓﾘ使用率 : 0%";
    }
    void text() {
        QFETCH(HostFacts, facts);
        QFETCH(QString, body);
        const QString text = veldrin::ui::versionText(facts);
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), QStringLiteral("VELDRIN Version 1.25  (Rev:3)"));
        QVERIFY(!lines.value(1).isEmpty());
        QCOMPARE(lines.value(2), QString());
        QCOMPARE(lines.mid(3).join(QStringLiteral("\r\n")), body);
        QCOMPARE(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
    }

    void hostFacts() {
        const HostFacts facts = veldrin::ui::readHostFacts();
        QVERIFY(facts.totalPhysical > 0);
        QVERIFY(facts.availablePhysical <= facts.totalPhysical);
        QVERIFY(facts.availablePaging <= facts.totalPaging);
    }
};

QTEST_MAIN(TestVersionBox)
#include "tst_version_box.moc"
