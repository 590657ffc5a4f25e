#include "fuzz_entries.h"

#include "imageinfo/image_info.h"
#include "imageinfo/tga_loader.h"

#include "startup/errors.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace veldrin::fuzz;

Q_DECLARE_METATYPE(Target)

class TestFuzzCorpus : public QObject {
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestFuzzCorpus::replay_data() {
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("path");
    int files = 0;
    for (Target target :
         {Target::ReadBmp, Target::ReadGif, Target::ReadJpeg, Target::ReadPng, Target::LoadTga}) {
        const QString folder =
            QStringLiteral(VELDRIN_FUZZ_SEEDS_DIR "/") + QString::fromLatin1(targetName(target));
        QDirIterator it(folder, QDir::Files | QDir::Hidden);
        int inFolder = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            QTest::addRow("%s/%s", targetName(target), qPrintable(it.fileName())) << target << path;
            ++inFolder;
        }
        QVERIFY2(inFolder > 0, qPrintable(folder + QStringLiteral(" has no seeds")));
        files += inFolder;
    }
    QVERIFY(files > 0);
}

void TestFuzzCorpus::replay() {
    QFETCH(Target, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(runTarget(target, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      std::size_t(bytes.size())));
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"
