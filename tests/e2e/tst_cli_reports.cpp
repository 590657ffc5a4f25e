// What veldrin-cli says when things go wrong: nothing claimed that was not written, every failure
// given with its reason, quiet or not, and a status for each outcome.
#include "cli_runner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace veldrin::e2e;

namespace {

// Runs the child as user nobody, whom the folders made for it refuse writing.
void becomeNobody() {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(126);
}

} // namespace

class CliReportsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString freshFolder(const QString& name) {
        const QString folder = m_dir.path() + u'/' + name + u'/';
        QDir().mkpath(folder);
        return folder;
    }

private slots:
    void outcomes_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("said");    // on standard error
        QTest::addColumn<QStringList>("notSaid"); // never on standard error
        QTest::newRow("read-only folder, ignoring errors, quiet")
            << "read-only" << QStringList{"--ignore-errors", "--quiet"} << 1
            << QStringList{"書き込みできません。", "を作成できませんでした。", " → 無視"}
            << QStringList{"を作成しました。", "files listed"};
        QTest::newRow("settings that cannot be saved")
            << "read-only ini" << QStringList{"--save", "--quiet"} << 3
            << QStringList{"could not save the settings to", "Permission denied"} << QStringList{};
        QTest::newRow("thumbnails whose names are too long")
            << "long names"
            << QStringList{"--set", "OUTHTMLTYPE=1", "--set", "TRUERATIO=1", "--set", "CREATESPIC=1"} << 0
            << QStringList{"warning: 2 thumbnail(s) could not be written", "File name too long",
                           "2/2 files listed"}
            << QStringList{};
    }

    void outcomes() {
        QFETCH(QString, fixture);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, said);
        QFETCH(QStringList, notSaid);
        const QString root = freshFolder(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        const QString pics = root + QStringLiteral("pics/");
        QVERIFY(QDir().mkpath(pics));
        const QString ini = writeEmptyIni(root);
        CliCall call{{"--ini", ini}, {}, {}, 180000};
        if (fixture == u"long names") {
            for (const char c : {'a', 'b'})
                QVERIFY(writeFile(pics + QString(250, QChar(c)) + QStringLiteral(".png"), tinyPng(20, 10)));
        } else {
            QVERIFY(writeFile(pics + QStringLiteral("a.png"), tinyPng(20, 10)));
            // The settings file and its folder are the owner's alone to write; the pictures' folder is
            // open to everyone, or to nobody.
            const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadOther;
            const auto open = readable | QFileDevice::ExeOwner | QFileDevice::ExeOther;
            QVERIFY(QFile::setPermissions(root, open | QFileDevice::WriteOwner));
            QVERIFY(QFile::setPermissions(ini, readable | QFileDevice::WriteOwner));
            QVERIFY(QFile::setPermissions(pics, fixture == u"read-only" ? open
                                                                        : open | QFileDevice::WriteOwner |
                                                                              QFileDevice::WriteOther));
            QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner | QFileDevice::ExeOther));
            call.childSetup = becomeNobody;
        }
        call.args << args << pics;
        const CliResult r = runCli(call);
        QVERIFY2(!r.crashed && r.exitCode == status, r.describe().constData());
        const QString err = r.errText();
        for (const QString& s : said)
            QVERIFY2(err.contains(s), qPrintable(s + QStringLiteral(" not in:\n") + err));
        for (const QString& s : notSaid)
            QVERIFY2(!err.contains(s), qPrintable(s + QStringLiteral(" in:\n") + err));
        QVERIFY2(!err.contains(QStringLiteral("libpng")), qPrintable(err));
        QVERIFY(QDir(pics).entryList({".veldrin-*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    // A broken PNG is reported by the program, with its name, never by the library underneath.
    void brokenPictureSaidOnce() {
        const QString pics = freshFolder(QStringLiteral("broken"));
        QByteArray png = tinyPng(64, 64);
        png.chop(png.size() / 3);
        QVERIFY(writeFile(pics + QStringLiteral("cut.png"), png));
        const CliResult r = runCli({"--ini", writeEmptyIni(pics), "--quiet", "--set", "OUTHTMLTYPE=1",
                                    "--set", "TRUERATIO=1", "--set", "CREATESPIC=1", pics});
        QVERIFY2(r.exitCode == 0, r.describe().constData());
        const QString err = r.errText();
        QVERIFY2(!err.contains(QStringLiteral("libpng")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("画像変換エラー")) && err.contains(QStringLiteral("cut.png")),
                 qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(CliReportsTest)
#include "tst_cli_reports.moc"
