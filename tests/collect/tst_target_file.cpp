#include "collect/search.h"
#include "startup/settings.h"

#include <QTest>

using namespace veldrin;

class TestTargetFile : public QObject {
    Q_OBJECT
private slots:
    void isTargetFile_data();
    void isTargetFile();
};

void TestTargetFile::isTargetFile_data() {
    QTest::addColumn<QString>("objType");
    QTest::addColumn<QString>("createSpic");
    QTest::addColumn<QString>("affix");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("target");

    const QString all = QStringLiteral("gif,jpg,jpeg,bmp,tga,png");
    QTest::newRow("listed extension") << all << "0"
                                      << "tm_"
                                      << "0"
                                      << "cat.jpg" << true;
    QTest::newRow("upper-case name") << all << "0"
                                     << "tm_"
                                     << "0"
                                     << "B.JPG" << true;
    QTest::newRow("upper-case list") << "GIF,JPG"
                                     << "0"
                                     << "tm_"
                                     << "0"
                                     << "b.jpg" << true;
    QTest::newRow("dot is part of the match") << all << "0"
                                              << "tm_"
                                              << "0"
                                              << "ajpg" << false;
    QTest::newRow("longer extension") << all << "0"
                                      << "tm_"
                                      << "0"
                                      << "a.jpeg" << true;
    QTest::newRow("unlisted extension") << all << "0"
                                        << "tm_"
                                        << "0"
                                        << "notes.txt" << false;
    QTest::newRow("name equal to the dotted item") << all << "0"
                                                   << "tm_"
                                                   << "0"
                                                   << ".png" << true;
    QTest::newRow("empty list takes everything") << ""
                                                 << "0"
                                                 << "tm_"
                                                 << "0"
                                                 << "notes.txt" << true;
    QTest::newRow("empty item ends the list") << "gif,,jpg"
                                              << "0"
                                              << "tm_"
                                              << "0"
                                              << "a.jpg" << false;
    QTest::newRow("items before the empty one count") << "gif,,jpg"
                                                      << "0"
                                                      << "tm_"
                                                      << "0"
                                                      << "a.gif" << true;
    QTest::newRow("leading comma ends at once") << ",jpg"
                                                << "0"
                                                << "tm_"
                                                << "0"
                                                << "a.jpg" << false;
    QTest::newRow("items are not trimmed") << "gif, jpg"
                                           << "0"
                                           << "tm_"
                                           << "0"
                                           << "a.jpg" << false;
    QTest::newRow("blank inside an item") << "gif, jpg"
                                          << "0"
                                          << "tm_"
                                          << "0"
                                          << "a. jpg" << true;
    QTest::newRow("trailing comma") << "jpg,"
                                    << "0"
                                    << "tm_"
                                    << "0"
                                    << "a.jpg" << true;

    QTest::newRow("own thumbnail before") << all << "1"
                                          << "tm_"
                                          << "0"
                                          << "tm_cat.jpg" << false;
    QTest::newRow("own thumbnail any case") << all << "1"
                                            << "tm_"
                                            << "0"
                                            << "TM_dog.JPG" << false;
    QTest::newRow("affix but not jpg") << all << "1"
                                       << "tm_"
                                       << "0"
                                       << "tm_cat.png" << true;
    QTest::newRow("affix on the wrong side") << all << "1"
                                             << "tm_"
                                             << "0"
                                             << "cat_tm.jpg" << true;
    QTest::newRow("own thumbnail after") << all << "1"
                                         << "_tm"
                                         << "1"
                                         << "cat_tm.jpg" << false;
    QTest::newRow("after, affix in front") << all << "1"
                                           << "_tm"
                                           << "1"
                                           << "_tmcat.jpg" << true;
    QTest::newRow("after, numbered name") << all << "1"
                                          << "_s"
                                          << "1"
                                          << "a1_s.jpg" << false;
    QTest::newRow("jpeg is never a thumbnail") << all << "1"
                                               << "tm_"
                                               << "0"
                                               << "tm_cat.jpeg" << true;
    QTest::newRow("empty affix drops every jpg") << all << "1"
                                                 << ""
                                                 << "0"
                                                 << "cat.jpg" << false;
    QTest::newRow("empty affix keeps png") << all << "1"
                                           << ""
                                           << "0"
                                           << "cat.png" << true;
    QTest::newRow("thumbnails off") << all << "0"
                                    << "tm_"
                                    << "0"
                                    << "tm_cat.jpg" << true;
    QTest::newRow("empty list, thumbnails on") << ""
                                               << "1"
                                               << "tm_"
                                               << "0"
                                               << "tm_cat.jpg" << false;
    QTest::newRow("empty list, thumbnails off") << ""
                                                << "0"
                                                << "tm_"
                                                << "0"
                                                << "tm_cat.jpg" << true;
    QTest::newRow("Japanese affix") << all << "1"
                                    << "縮小_"
                                    << "0"
                                    << "縮小_猫.JPG" << false;
    QTest::newRow("full-width affix case") << all << "1"
                                           << "ｔｍ"
                                           << "0"
                                           << "ＴＭ猫.jpg" << false;
}

void TestTargetFile::isTargetFile() {
    QFETCH(QString, objType);
    QFETCH(QString, createSpic);
    QFETCH(QString, affix);
    QFETCH(QString, place);
    QFETCH(QString, name);
    QFETCH(bool, target);

    Settings s = defaultSettings(QStringLiteral("/prog/"));
    s.OBJTYPE = objType;
    s.CREATESPIC = createSpic;
    s.SPICNAME = affix;
    s.SPICNAME_DIST = place;
    RecordSettingsAccess settings(s);
    QCOMPARE(IsTargetFile(name, settings), target);
}

QTEST_GUILESS_MAIN(TestTargetFile)
#include "tst_target_file.moc"
