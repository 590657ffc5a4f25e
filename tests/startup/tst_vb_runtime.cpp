#include "startup/errors.h"
#include "startup/vb_runtime.h"

#include <QTest>

using namespace veldrin;

class TestVbRuntime : public QObject {
    Q_OBJECT
private slots:
    void val_data();
    void val();
};

void TestVbRuntime::val_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "120" << 120.0;
}

void TestVbRuntime::val() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Val(text), expected);
}

QTEST_GUILESS_MAIN(TestVbRuntime)
#include "tst_vb_runtime.moc"
