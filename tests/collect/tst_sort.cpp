#include "collect/sort.h"
#include "startup/settings.h"
#include "startup/vb_runtime.h"

#include <QRandomGenerator>
#include <QTest>

using namespace veldrin;

namespace {

FoundFileList filesFrom(const QStringList& paths) {
    FoundFileList list;
    for (const QString& p : paths) {
        const qsizetype slash = p.lastIndexOf(u'/');
        list.push_back({p.left(slash + 1), p.mid(slash + 1)});
    }
    return list;
}

QStringList pathsOf(const FoundFileList& list) {
    QStringList out;
    for (const FoundFile& f : list)
        out << f.SubFolder + f.FileName;
    return out;
}

// The classic recursive quicksort, key rebuilt at every comparison: the reference the sort must
// match element for element, equal keys included.
void referenceSort(FoundFileList& list, int first, int last, bool descending) {
    if (first >= last)
        return;
    const auto key = [&](int i) {
        const FoundFile& f = list[static_cast<size_t>(i)];
        return f.SubFolder.toLower() + u' ' + f.FileName.toLower();
    };
    const int mid = static_cast<int>(roundHalfEven((first + last) / 2.0));
    std::swap(list[static_cast<size_t>(first)], list[static_cast<size_t>(mid)]);
    const QString pivot = key(first);
    int lastSmall = first;
    for (int i = first + 1; i <= last; ++i) {
        const QString k = key(i);
        const int c = QStringView(k).compare(pivot);
        if (descending ? c > 0 : c < 0) {
            ++lastSmall;
            std::swap(list[static_cast<size_t>(lastSmall)], list[static_cast<size_t>(i)]);
        }
    }
    std::swap(list[static_cast<size_t>(first)], list[static_cast<size_t>(lastSmall)]);
    referenceSort(list, first, lastSmall - 1, descending);
    referenceSort(list, lastSmall + 1, last, descending);
}

void sortAll(FoundFileList& list, bool descending) {
    Settings s = defaultSettings(QStringLiteral("/prog/"));
    s.SORTORDER = descending ? QStringLiteral("1") : QStringLiteral("0");
    RecordSettingsAccess settings(s);
    QuickSortFiles(list, 0, static_cast<int>(list.size()) - 1, settings);
}

} // namespace

class TestSort : public QObject {
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void equalKeysLandWhereTheClassicSortPutsThem();
    void matchesReferenceOnRandomLists_data();
    void matchesReferenceOnRandomLists();
    void partialRange();
    void manyEqualKeys();
};

void TestSort::order_data() {
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("single element") << QStringList{"x/b.jpg"} << false << QStringList{"x/b.jpg"};
    QTest::newRow("empty list") << QStringList{} << false << QStringList{};
    QTest::newRow("root files first, case ignored")
        << QStringList{"sub/a.jpg", "c.jpg", "B.jpg", "a.jpg"} << false
        << QStringList{"a.jpg", "B.jpg", "c.jpg", "sub/a.jpg"};
    QTest::newRow("descending puts root files last")
        << QStringList{"sub/a.jpg", "c.jpg", "B.jpg", "a.jpg"} << true
        << QStringList{"sub/a.jpg", "c.jpg", "B.jpg", "a.jpg"};
    QTest::newRow("folder names around the separator")
        << QStringList{"a_/3.jpg", "a/2.jpg", "a b/1.jpg", "ab/4.jpg"} << false
        << QStringList{"a b/1.jpg", "a/2.jpg", "a_/3.jpg", "ab/4.jpg"};
    QTest::newRow("folder of a blank sorts before root files")
        << QStringList{"z.jpg", " x/y.jpg"} << false << QStringList{" x/y.jpg", "z.jpg"};
    QTest::newRow("nested folders") << QStringList{"b/c/1.jpg", "b/2.jpg", "b.jpg", "a/z.jpg"} << false
                                    << QStringList{"b.jpg", "a/z.jpg", "b/2.jpg", "b/c/1.jpg"};
    QTest::newRow("full-width letters lower-cased, then by code")
        << QStringList{"Ｂ.jpg", "ａ.jpg", "写真.jpg", "あ.jpg", "z.jpg"} << false
        << QStringList{"z.jpg", "あ.jpg", "写真.jpg", "ａ.jpg", "Ｂ.jpg"};
    QTest::newRow("by code unit, not by code point") << QStringList{"\U0001F600.jpg", "\uFF41.jpg"} << false
                                                     << QStringList{"\U0001F600.jpg", "\uFF41.jpg"};
}

void TestSort::order() {
    QFETCH(QStringList, input);
    QFETCH(bool, descending);
    QFETCH(QStringList, expected);
    FoundFileList list = filesFrom(input);
    sortAll(list, descending);
    QCOMPARE(pathsOf(list), expected);
}

void TestSort::equalKeysLandWhereTheClassicSortPutsThem() {
    // Worked by hand: the middle element (a.jpg) becomes the pivot and stays in front of A.jpg,
    // whereas a stable sort would keep A.jpg first.
    FoundFileList list = filesFrom({"A.jpg", "a.jpg", "b.jpg"});
    sortAll(list, false);
    QCOMPARE(pathsOf(list), QStringList({"a.jpg", "A.jpg", "b.jpg"}));
}

void TestSort::matchesReferenceOnRandomLists_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<quint32>("seed");
    for (int size : {2, 3, 7, 64, 1000}) {
        for (bool descending : {false, true})
            QTest::addRow("%d %s", size, descending ? "descending" : "ascending")
                << size << descending << quint32(size * 7 + descending);
    }
}

void TestSort::matchesReferenceOnRandomLists() {
    QFETCH(int, size);
    QFETCH(bool, descending);
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    // Few distinct letters and case variants, so that many keys are equal.
    const QString letters = QStringLiteral("aAbB_ ");
    FoundFileList list;
    for (int i = 0; i < size; ++i) {
        QString folder;
        if (rng.bounded(3) > 0)
            folder = QString(letters[rng.bounded(letters.size())]) + u'/';
        list.push_back({folder, QString(letters[rng.bounded(4)]) + QStringLiteral(".jpg")});
        list.back().FileName += QString(); // distinct objects, equal texts
    }
    FoundFileList expected = list;
    referenceSort(expected, 0, size - 1, descending);
    sortAll(list, descending);
    QCOMPARE(pathsOf(list), pathsOf(expected));
}

void TestSort::partialRange() {
    FoundFileList list = filesFrom({"d.jpg", "c.jpg", "b.jpg", "a.jpg"});
    Settings s = defaultSettings(QStringLiteral("/prog/"));
    RecordSettingsAccess settings(s);
    QuickSortFiles(list, 1, 2, settings);
    QCOMPARE(pathsOf(list), QStringList({"d.jpg", "b.jpg", "c.jpg", "a.jpg"}));
    QuickSortFiles(list, 2, 1, settings);
    QCOMPARE(pathsOf(list), QStringList({"d.jpg", "b.jpg", "c.jpg", "a.jpg"}));
}

void TestSort::manyEqualKeys() {
    // Every partition of equal keys is lopsided; the sort must still finish with the reference order.
    FoundFileList list;
    for (int i = 0; i < 3000; ++i)
        list.push_back({QString(), i % 2 ? QStringLiteral("Same.jpg") : QStringLiteral("same.JPG")});
    FoundFileList expected = list;
    referenceSort(expected, 0, static_cast<int>(expected.size()) - 1, false);
    sortAll(list, false);
    QCOMPARE(pathsOf(list), pathsOf(expected));
}

QTEST_GUILESS_MAIN(TestSort)
#include "tst_sort.moc"
