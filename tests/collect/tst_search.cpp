#include "collect/search.h"
#include "drop_root.h"
#include "scripted_host.h"
#include "startup/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin;
using veldrin::testing::ScriptedHost;

namespace {

void touch(const QString& path) {
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QStringList paths(const FoundFileList& list, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << list[static_cast<size_t>(i)].SubFolder + list[static_cast<size_t>(i)].FileName;
    return out;
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void collects_data();
    void collects();
    void searchOrderKeepsSubtreesTogether();
    void missingRootGivesNothing();
    void subfolderOnlyMatch();
    void linkLoopIsSearchedOnce();
    void linkedFolderIsSearched();
    void unreadableFolder_data();
    void unreadableFolder();
    void stopEndsAtNextFolder();
    void informationLineNamesEachFolder();

private:
    QTemporaryDir m_dir;
    QString m_root;
    Settings m_settings;
};

void TestSearch::init() {
    QVERIFY(m_dir.isValid());
    m_root = m_dir.path() + u'/';
    for (const QString& e :
         QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QFileInfo info(m_dir.path() + u'/' + e);
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
    m_settings = defaultSettings(QStringLiteral("/prog/"));
}

void TestSearch::collects_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("createSpic");
    QTest::addColumn<QStringList>("expected");

    const QStringList tree{QStringLiteral("b.jpg"),         QStringLiteral("a.gif"),
                           QStringLiteral("notes.txt"),     QStringLiteral(".hidden.jpg"),
                           QStringLiteral("a.jpg/x.png"),   QStringLiteral(".secret/y.jpg"),
                           QStringLiteral("sub/z.JPG"),     QStringLiteral("sub/deeper/w.bmp"),
                           QStringLiteral("写真 2/猫.png"), QStringLiteral("sub/tm_z.jpg")};
    QTest::newRow("top folder only") << tree << false << "0" << QStringList{"a.gif", "b.jpg"};
    QTest::newRow("with subfolders") << tree << true << "0" << QStringList{"a.gif",        "a.jpg/x.png",
                                                                           "b.jpg",        "sub/deeper/w.bmp",
                                                                           "sub/tm_z.jpg", "sub/z.JPG",
                                                                           "写真 2/猫.png"};
    QTest::newRow("own thumbnails left out")
        << tree << true << "1"
        << QStringList{"a.gif", "a.jpg/x.png", "b.jpg", "sub/deeper/w.bmp", "sub/z.JPG", "写真 2/猫.png"};
}

void TestSearch::collects() {
    QFETCH(QStringList, files);
    QFETCH(bool, subfolders);
    QFETCH(QString, createSpic);
    QFETCH(QStringList, expected);
    for (const QString& f : files)
        touch(m_root + f);
    m_settings.CREATESPIC = createSpic;
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    const int count = SearchFile(m_root, QString(), subfolders, list, 0, settings, host);
    QCOMPARE(count, expected.size());
    QCOMPARE(static_cast<int>(list.size()), count);
    QCOMPARE(sorted(paths(list, count)), sorted(expected));
    QVERIFY(host.boxes().empty());
    for (const FoundFile& f : list)
        QVERIFY(f.SubFolder.isEmpty() || f.SubFolder.endsWith(u'/'));
}

void TestSearch::searchOrderKeepsSubtreesTogether() {
    for (const char* f : {"r1.jpg", "r2.jpg", "x/1.jpg", "x/2.jpg", "x/y/3.jpg", "z/4.jpg", "r3.jpg"})
        touch(m_root + QString::fromUtf8(f));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    QCOMPARE(SearchFile(m_root, QString(), true, list, 0, settings, host), 7);
    // The root's files come first, then each subfolder's whole subtree in one block.
    for (int i = 0; i < 3; ++i)
        QVERIFY(list[static_cast<size_t>(i)].SubFolder.isEmpty());
    QStringList blocks;
    for (size_t i = 3; i < list.size(); ++i) {
        const QString top = list[i].SubFolder.section(u'/', 0, 0);
        if (blocks.isEmpty() || blocks.last() != top)
            blocks << top;
    }
    QCOMPARE(sorted(blocks), QStringList({"x", "z"}));
    // Within x, its own file comes before the file of its subfolder y.
    const QStringList found = paths(list, 7);
    QVERIFY(found.indexOf("x/y/3.jpg") > found.indexOf("x/1.jpg"));
    QVERIFY(found.indexOf("x/y/3.jpg") > found.indexOf("x/2.jpg"));
}

void TestSearch::missingRootGivesNothing() {
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    QCOMPARE(SearchFile(m_root + QStringLiteral("nowhere/"), QString(), true, list, 0, settings, host), 0);
    QVERIFY(list.empty());
    QVERIFY(host.boxes().empty());
}

void TestSearch::subfolderOnlyMatch() {
    touch(m_root + QStringLiteral("readme.txt"));
    touch(m_root + QStringLiteral("pics/cat.png"));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    QCOMPARE(SearchFile(m_root, QString(), false, list, 0, settings, host), 0);
    QCOMPARE(SearchFile(m_root, QString(), true, list, 0, settings, host), 1);
    QCOMPARE(list.front(), (FoundFile{QStringLiteral("pics/"), QStringLiteral("cat.png")}));
}

void TestSearch::linkLoopIsSearchedOnce() {
    touch(m_root + QStringLiteral("a/cat.jpg"));
    touch(m_root + QStringLiteral("a/b/dog.jpg"));
    QVERIFY(QFile::link(m_root + QStringLiteral("a"), m_root + QStringLiteral("a/b/back")));
    QVERIFY(QFile::link(m_root + QStringLiteral("a/b"), m_root + QStringLiteral("a/b/self")));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    const int count = SearchFile(m_root, QString(), true, list, 0, settings, host);
    QCOMPARE(sorted(paths(list, count)), QStringList({"a/b/dog.jpg", "a/cat.jpg"}));
}

void TestSearch::linkedFolderIsSearched() {
    QTemporaryDir elsewhere;
    touch(elsewhere.path() + QStringLiteral("/far.png"));
    touch(m_root + QStringLiteral("near.png"));
    QVERIFY(QFile::link(elsewhere.path(), m_root + QStringLiteral("linked")));
    QVERIFY(QFile::link(m_root + QStringLiteral("near.png"), m_root + QStringLiteral("alias.png")));
    QVERIFY(QFile::link(m_root + QStringLiteral("gone.png"), m_root + QStringLiteral("dangling.png")));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    const int count = SearchFile(m_root, QString(), true, list, 0, settings, host);
    QCOMPARE(sorted(paths(list, count)), QStringList({"alias.png", "linked/far.png", "near.png"}));
    QVERIFY(host.boxes().empty());
}

void TestSearch::unreadableFolder_data() {
    QTest::addColumn<QString>("locked");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("expectedCount");
    QTest::addColumn<int>("expectedBoxes");

    const auto ignore = static_cast<int>(MessageAnswer::Ignore);
    const auto retry = static_cast<int>(MessageAnswer::Retry);
    const auto abort = static_cast<int>(MessageAnswer::Abort);
    QTest::newRow("subfolder, ignore") << "locked" << QList<int>{ignore} << 2 << 1;
    QTest::newRow("subfolder, retry then ignore") << "locked" << QList<int>{retry, ignore} << 2 << 2;
    QTest::newRow("subfolder, abort drops only it") << "locked" << QList<int>{abort} << 2 << 1;
    QTest::newRow("root, abort") << "" << QList<int>{abort} << -1 << 1;
    QTest::newRow("root, ignore") << "" << QList<int>{ignore} << 0 << 1;
}

void TestSearch::unreadableFolder() {
    QFETCH(QString, locked);
    QFETCH(QList<int>, answers);
    QFETCH(int, expectedCount);
    QFETCH(int, expectedBoxes);

    touch(m_root + QStringLiteral("top.jpg"));
    touch(m_root + QStringLiteral("open/fine.jpg"));
    touch(m_root + QStringLiteral("locked/hidden.jpg"));
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0777);
    ::chmod(QFile::encodeName(m_root + QStringLiteral("open")).constData(), 0777);
    const QString lockedPath = m_root + locked;
    ::chmod(QFile::encodeName(lockedPath).constData(), 0);

    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    for (int a : answers)
        host.answerNext(static_cast<MessageAnswer>(a));
    FoundFileList list;
    int count = 0;
    {
        veldrin::testing::DropRoot asNobody;
        count = SearchFile(m_root, QString(), true, list, 0, settings, host);
    }
    ::chmod(QFile::encodeName(lockedPath).constData(), 0700);

    QCOMPARE(count, expectedCount);
    QCOMPARE(static_cast<int>(host.boxes().size()), expectedBoxes);
    const auto& box = host.boxes().front().request;
    QVERIFY2(box.text.startsWith(QStringLiteral("SearchFile:")), qPrintable(box.text));
    QVERIFY(box.text.contains(lockedPath));
    QCOMPARE(box.caption, QStringLiteral("VELDRIN エラー"));
    QCOMPARE(box.buttons, MessageButtons::AbortRetryIgnore);
    QCOMPARE(box.icon, MessageIcon::Critical);
    QCOMPARE(host.beeps(), expectedBoxes);
    if (count > 0)
        QCOMPARE(sorted(paths(list, count)), QStringList({"open/fine.jpg", "top.jpg"}));
}

void TestSearch::stopEndsAtNextFolder() {
    touch(m_root + QStringLiteral("top.jpg"));
    touch(m_root + QStringLiteral("one/a.jpg"));
    touch(m_root + QStringLiteral("one/two/b.jpg"));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    host.stopWhenInfoStartsWith(QStringLiteral("ファイル検索中... ") + m_root + QStringLiteral("one/two/"));
    FoundFileList list;
    const int count = SearchFile(m_root, QString(), true, list, 0, settings, host);
    QCOMPARE(sorted(paths(list, count)), QStringList({"one/a.jpg", "top.jpg"}));

    // A stop before the search begins finds nothing at all.
    FoundFileList none;
    QCOMPARE(SearchFile(m_root, QString(), true, none, 0, settings, host), 0);
}

void TestSearch::informationLineNamesEachFolder() {
    touch(m_root + QStringLiteral("s/t/a.jpg"));
    RecordSettingsAccess settings(m_settings);
    ScriptedHost host;
    FoundFileList list;
    SearchFile(m_root, QString(), true, list, 0, settings, host);
    const QString prefix = QStringLiteral("ファイル検索中... ") + m_root;
    QCOMPARE(host.infoTexts(),
             QStringList({prefix, prefix + QStringLiteral("s/"), prefix + QStringLiteral("s/t/")}));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
