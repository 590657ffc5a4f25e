#include "cli_options.h"

#include "startup/settings_access.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace veldrin;

namespace {

// Everything parsed, in one line, so that a table row states the whole outcome.
QString summary(const CliOptions& o) {
    QStringList sets;
    for (const auto& [key, value] : o.sets)
        sets << key + u':' + value;
    const char* thumbs = o.thumbnails == CliOptions::ThumbnailAnswer::Overwrite ? "overwrite"
                         : o.thumbnails == CliOptions::ThumbnailAnswer::Keep    ? "keep"
                                                                                 : "-";
    return QStringLiteral("folder=%1;ini=%2;sets=[%3];save=%4;overwrite=%5;tga=%6;thumbs=%7;ignore=%8;open=%9;"
                          "quiet=%10;screen=%11x%12")
        .arg(o.folder.value_or(QStringLiteral("-")), o.iniPath.value_or(QStringLiteral("-")), sets.join(u'|'))
        .arg(o.save)
        .arg(o.overwrite)
        .arg(o.convertTga)
        .arg(QString::fromLatin1(thumbs))
        .arg(o.ignoreErrors)
        .arg(o.open)
        .arg(o.quiet)
        .arg(o.screen.widthPixels)
        .arg(o.screen.heightPixels);
}

const QString kDefaults = QStringLiteral(
    "folder=-;ini=-;sets=[];save=0;overwrite=0;tga=0;thumbs=-;ignore=0;open=0;quiet=0;screen=1920x1080");

QString withDefaults(const QString& changed) {
    QStringList parts = kDefaults.split(u';');
    for (const QString& c : changed.split(u';', Qt::SkipEmptyParts)) {
        const QString name = c.left(c.indexOf(u'=') + 1);
        for (QString& p : parts)
            if (p.startsWith(name))
                p = c;
    }
    return parts.join(u';');
}

} // namespace

class CliOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("parsed"); // the summary's fields that differ from the defaults
        QTest::addColumn<QString>("error");

        QTest::newRow("nothing") << QStringList{} << "" << "";
        QTest::newRow("folder") << QStringList{"pics/旅行"} << "folder=pics/旅行" << "";
        QTest::newRow("folder with blank") << QStringList{"my pics"} << "folder=my pics" << "";
        QTest::newRow("ini") << QStringList{"--ini", "a.ini"} << "ini=a.ini" << "";
        QTest::newRow("ini joined") << QStringList{"--ini=b.ini"} << "ini=b.ini" << "";
        QTest::newRow("set") << QStringList{"--set", "SUBFS=1"} << "sets=[SUBFS:1]" << "";
        QTest::newRow("set keeps later equals signs") << QStringList{"--set", "HTMLTITLE=a=b"}
                                                      << "sets=[HTMLTITLE:a=b]" << "";
        QTest::newRow("set empty value") << QStringList{"--set", "OUTFILENAME="} << "sets=[OUTFILENAME:]" << "";
        QTest::newRow("sets in order") << QStringList{"--set", "SUBFS=1", "--set", "SUBFS=0"}
                                       << "sets=[SUBFS:1|SUBFS:0]" << "";
        QTest::newRow("save") << QStringList{"--save"} << "save=1" << "";
        QTest::newRow("overwrite") << QStringList{"--overwrite"} << "overwrite=1" << "";
        QTest::newRow("convert") << QStringList{"--convert-tga"} << "tga=1" << "";
        QTest::newRow("thumbnails overwrite") << QStringList{"--thumbnails=overwrite"} << "thumbs=overwrite" << "";
        QTest::newRow("thumbnails keep") << QStringList{"--thumbnails", "keep"} << "thumbs=keep" << "";
        QTest::newRow("ignore") << QStringList{"--ignore-errors"} << "ignore=1" << "";
        QTest::newRow("open") << QStringList{"--open"} << "open=1" << "";
        QTest::newRow("quiet") << QStringList{"--quiet"} << "quiet=1" << "";
        QTest::newRow("screen") << QStringList{"--screen", "800x600"} << "screen=800x600" << "";
        QTest::newRow("screen large") << QStringList{"--screen=999999x1"} << "screen=999999x1" << "";
        QTest::newRow("all together")
            << QStringList{"--quiet", "--save", "--overwrite", "--convert-tga", "--ignore-errors", "x"}
            << "folder=x;save=1;overwrite=1;tga=1;ignore=1;quiet=1" << "";

        QTest::newRow("unknown option") << QStringList{"--bogus"} << "" << "Unknown option 'bogus'";
        QTest::newRow("two folders") << QStringList{"a", "b"} << "" << "only one FOLDER";
        QTest::newRow("set without equals") << QStringList{"--set", "SUBFS"} << "" << "--set needs KEY=VALUE";
        QTest::newRow("set without key") << QStringList{"--set", "=1"} << "" << "--set needs KEY=VALUE";
        QTest::newRow("set missing") << QStringList{"--set"} << "" << "Missing value after '--set'";
        QTest::newRow("thumbnails unknown") << QStringList{"--thumbnails=all"} << ""
                                            << "--thumbnails takes overwrite or keep, not \"all\"";
        QTest::newRow("screen one number") << QStringList{"--screen", "800"} << "" << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen zero") << QStringList{"--screen", "800x0"} << "" << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen too large") << QStringList{"--screen", "1000000x10"} << ""
                                          << "--screen takes WIDTHxHEIGHT";
        QTest::newRow("screen trailing text") << QStringList{"--screen", "800x600px"} << ""
                                              << "--screen takes WIDTHxHEIGHT";
    }

    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, parsed);
        QFETCH(QString, error);
        const CliParse p = parseCliArguments(QStringList{QStringLiteral("veldrin-cli")} + args);
        if (!error.isEmpty()) {
            QVERIFY2(p.error.contains(error), qPrintable(p.error));
            QVERIFY(!p.options);
            return;
        }
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        QVERIFY(p.options);
        QCOMPARE(summary(*p.options), withDefaults(parsed));
    }

    void helpAndVersionAskForNoRun() {
        const CliParse help = parseCliArguments({QStringLiteral("veldrin-cli"), QStringLiteral("--help")});
        QVERIFY(!help.options);
        QVERIFY(help.error.isEmpty());
        QVERIFY(help.output.contains(QStringLiteral("--thumbnails <overwrite|keep>")));
        const CliParse version = parseCliArguments({QStringLiteral("veldrin-cli"), QStringLiteral("--version")});
        QVERIFY(!version.options);
        QVERIFY(version.output.startsWith(QStringLiteral("veldrin-cli ")));
    }

    // The settings file first, then every --set in order, then the folder; all converted as the
    // main window converts what it loads.
    void assemble_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        const QByteArray file = "[VELDRIN]\r\nSUBFS=1\r\nOUTHTMLTYPE=2\r\nFOLDER=/from/file/\r\n"
                                "FILESTATUS_ATTR=101\r\nSUMSIZE=120px,abc\r\n";
        QTest::newRow("from the file") << file << QStringList{} << "SUBFS" << "1";
        QTest::newRow("set after the file") << file << QStringList{"--set", "OUTHTMLTYPE=1"} << "OUTHTMLTYPE" << "1";
        QTest::newRow("last set wins") << file << QStringList{"--set", "SUBFS=0", "--set", "SUBFS=1"} << "SUBFS"
                                       << "1";
        QTest::newRow("key in any case") << file << QStringList{"--set", "Subfs=0"} << "SUBFS" << "0";
        QTest::newRow("folder from the file") << file << QStringList{} << "FOLDER" << "/from/file/";
        QTest::newRow("folder argument after sets")
            << file << QStringList{"--set", "FOLDER=/from/set/", "/from/argument"} << "FOLDER" << "/from/argument";
        QTest::newRow("details converted") << file << QStringList{} << "FILESTATUS_ATTR" << "0000000";
        QTest::newRow("set details converted") << file << QStringList{"--set", "FILESTATUS_ATTR=11"}
                                               << "FILESTATUS_ATTR" << "0000000";
        QTest::newRow("box converted") << file << QStringList{} << "SUMSIZE" << "120,0";
        QTest::newRow("flag falls back") << file << QStringList{"--set", "USETABLE=on"} << "USETABLE" << "0";
        QTest::newRow("choice falls back") << file << QStringList{"--set", "OUTHTMLTYPE=3"} << "OUTHTMLTYPE" << "0";
        QTest::newRow("no file: defaults") << QByteArray() << QStringList{} << "OUTFILENAME" << "list";
        QTest::newRow("no file: program folder") << QByteArray() << QStringList{} << "FOLDER" << "/opt/veldrin/";
    }

    void assemble() {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, args);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/veldrin.ini");
        if (!ini.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        const CliParse p = parseCliArguments(QStringList{QStringLiteral("veldrin-cli")} + args);
        QVERIFY(p.options);
        QString error;
        std::optional<Settings> s = assembleSettings(*p.options, path, QStringLiteral("/opt/veldrin/"), &error);
        QVERIFY2(s, qPrintable(error));
        QCOMPARE(RecordSettingsAccess(*s).value(key), value);
    }

    void unknownKeyIsRefused() {
        const CliParse p = parseCliArguments(
            {QStringLiteral("veldrin-cli"), QStringLiteral("--set"), QStringLiteral("SUBFS=1"), QStringLiteral("--set"),
             QStringLiteral("COLOUR=1")});
        QVERIFY(p.options);
        QString error;
        QVERIFY(!assembleSettings(*p.options, QStringLiteral("/nonexistent.ini"), QStringLiteral("/opt/"), &error));
        QCOMPARE(error, QStringLiteral("unknown settings key \"COLOUR\""));
    }
};

QTEST_GUILESS_MAIN(CliOptionsTest)
#include "tst_cli_options.moc"
